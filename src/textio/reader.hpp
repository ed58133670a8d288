// Input: formatted reads under a compiled layout, and list-directed reads.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "textio/layout.hpp"

namespace itemdif::textio {

class InputChannel;

/// One variable of an input list. Texts are fixed-length: a std::string whose current size is
/// its length (blank-filled on the right). A span of doubles counts as its elements.
using Target = std::variant<std::int32_t*, double*, float*, std::string*, std::span<double>>;

/// Reads the variables from the next line(s) of `channel` under `layout` (reversion continues
/// on the next line; the rest of the last line is skipped). Errors 24, 61, 64 as IoError.
void read_formatted(InputChannel& channel, const Layout& layout, std::span<const Target> targets);

/// List-directed read of the variables from the next line(s): blanks, tabs and commas separate,
/// null values and a slash leave variables unchanged, r*value repeats, quoted texts may span
/// lines. Errors 24 and 59 as IoError.
void read_list(InputChannel& channel, std::span<const Target> targets);

}  // namespace itemdif::textio

// Input: formatted reads under a compiled layout, and list-directed reads.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "textio/layout.hpp"

namespace itemdif::textio {

class InputChannel;

/// One variable of an input list. Texts are fixed-length: a std::string whose current size is
/// its length (blank-filled on the right). A span counts as its elements.
using Target = std::variant<std::int32_t*, double*, float*, std::string*, std::span<double>,
                            std::span<std::int32_t>>;

/// Compiles a layout text given at run time for reads on `channel`: a syntax error becomes
/// IoError{62, unit, file, rest of the text}.
Layout compile_layout(const InputChannel& channel, std::string_view text);

/// Reads the variables from the next line(s) of `channel` under `layout` (reversion continues
/// on the next line; the rest of the last line is skipped). Errors 24, 60, 61, 64 as IoError.
/// Numeric fields ignore blanks (BZ: blanks after the first non-blank are zeros, also those
/// beyond a short line's end), take the field's d digits as the fraction when no point is
/// written, accept an exponent with a letter E, D or Q or as a bare sign (1.5-3), and end early
/// at a comma. Literal items pass over their columns. Every read takes at least one line.
void read_formatted(InputChannel& channel, const Layout& layout, std::span<const Target> targets);

/// List-directed read of the variables from the next line(s): blanks, tabs and commas separate,
/// null values and a slash leave variables unchanged, r*value repeats, quoted texts may span
/// lines. Errors 24 and 59 as IoError. Integer variables take a sign and digits only (2.5 is
/// error 59, not cut); texts keep at most 2048 characters before they are fitted to the
/// variable's length.
void read_list(InputChannel& channel, std::span<const Target> targets);

}  // namespace itemdif::textio

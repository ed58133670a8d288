// Formatted output: a compiled layout applied to a list of values, giving lines.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "textio/layout.hpp"
#include "textio/value.hpp"

namespace itemdif::textio {

class OutputChannel;

/// The lines one write operation produces. `line_end_suppressed` is set when "$" or "\" applied
/// to the last line.
struct FormattedLines {
  std::vector<std::string> lines;
  bool line_end_suppressed = false;
};

/// Applies `layout` to `values` by the line model. Throws LayoutError 60 (no field, values left)
/// or 61 (a value of the wrong kind for its field).
FormattedLines format_lines(const Layout& layout, std::span<const Value> values);

/// Formatted write to a channel (LayoutError becomes IoError naming the channel).
void write(OutputChannel& channel, const Layout& layout, std::span<const Value> values);
inline void write(OutputChannel& channel, const Layout& layout,
                  std::initializer_list<Value> values) {
  write(channel, layout, std::span<const Value>(values.begin(), values.size()));
}
/// Formatted write with no values (literal texts and movements only).
inline void write(OutputChannel& channel, const Layout& layout) {
  write(channel, layout, std::span<const Value>());
}

/// Internal formatted write into a text of `length` characters (blank-filled, first line only;
/// characters beyond `length` and further lines are dropped).
std::string write_internal(std::size_t length, const Layout& layout,
                           std::initializer_list<Value> values);

/// List-directed write of one text: a leading blank, then the text; at most 80 characters per
/// line, the rest continues on the next line.
void write_list(OutputChannel& channel, std::string_view text);
/// List-directed write with no values: an empty line.
void write_list(OutputChannel& channel);

}  // namespace itemdif::textio

// One value of the analysis as the results show it: undefined, a number, a whole number, a
// text (a class, a note) or a truth value.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace itemdif::stats {

using Cell = std::variant<std::monostate, double, std::int64_t, std::string, bool>;

/// A number, undefined when empty or not finite.
inline Cell number_cell(const std::optional<double>& value) {
  if (!value || !std::isfinite(*value)) return std::monostate{};
  return *value;
}
inline Cell whole_cell(const std::optional<std::int64_t>& value) {
  if (!value) return std::monostate{};
  return *value;
}
/// A class such as "B-"; an empty class is undefined.
inline Cell class_cell(const std::string& text) {
  if (text.empty()) return std::monostate{};
  return text;
}

/// The number a cell holds (a whole number as a double); empty for any other cell.
inline std::optional<double> cell_number(const Cell& cell) {
  if (const double* value = std::get_if<double>(&cell)) return *value;
  if (const std::int64_t* value = std::get_if<std::int64_t>(&cell))
    return static_cast<double>(*value);
  return std::nullopt;
}
/// The text a cell holds; empty for any other cell.
inline std::string cell_text(const Cell& cell) {
  if (const std::string* text = std::get_if<std::string>(&cell)) return *text;
  return {};
}

}  // namespace itemdif::stats

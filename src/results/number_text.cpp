// Numbers of the results files as text.
#include "results/number_text.hpp"

#include <charconv>
#include <cmath>

namespace itemdif::results {

std::string number_text(double value) {
  if (!std::isfinite(value)) return {};
  // Without a precision, to_chars gives the shortest form that round-trips.
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string number_text(const std::optional<double>& value) {
  return value ? number_text(*value) : std::string();
}

}  // namespace itemdif::results

#include "data/cell_rules.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "data/item_scores.hpp"

namespace itemdif::data {

std::string_view trimmed(std::string_view cell) {
  while (!cell.empty() && (cell.front() == ' ' || cell.front() == '\t')) cell.remove_prefix(1);
  while (!cell.empty() && (cell.back() == ' ' || cell.back() == '\t')) cell.remove_suffix(1);
  return cell;
}

bool is_missing_text(std::string_view cell) {
  cell = trimmed(cell);
  return cell.empty() || cell == "NA" || cell == ".";
}

std::optional<double> parse_number(std::string_view text) {
  text = trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::string ScoreRules::number_text(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

ScoreRules::ScoreRules(const std::vector<std::string>& missing_codes) {
  for (const std::string& code : missing_codes) {
    const std::string_view text = trimmed(code);
    if (text.empty()) continue;
    codes_.emplace_back(text);
    if (const auto number = parse_number(text)) numeric_codes_.push_back(*number);
  }
  // Single characters are most cells; their answer is looked up.
  for (int c = 0; c < 256; ++c) {
    const char text[1] = {static_cast<char>(c)};
    const std::string_view cell(text, 1);
    single_[c] = longer(cell);
  }
}

bool ScoreRules::is_code(std::string_view cell) const {
  return std::find(codes_.begin(), codes_.end(), cell) != codes_.end();
}

std::uint8_t ScoreRules::longer(std::string_view cell) const {
  cell = trimmed(cell);
  if (cell.empty() || cell == "NA" || cell == "." || is_code(cell)) return kMissing;
  if (cell == "0" || cell == "0.0") return 0;
  if (cell == "1" || cell == "1.0") return 1;
  return kInvalid;
}

std::uint8_t ScoreRules::number(double value) const {
  if (std::find(numeric_codes_.begin(), numeric_codes_.end(), value) != numeric_codes_.end())
    return kMissing;
  if (value == 0.0) return 0;
  if (value == 1.0) return 1;
  return kInvalid;
}

}  // namespace itemdif::data

#include "data/cell_rules.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

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

ScoreRules::ScoreRules(const std::vector<std::string>& missing_codes, int max_score)
    : max_score_(max_score) {
  if (max_score < 1 || max_score > kHighestMaxScore)
    throw InputError("the highest score must be a whole number from 1 to " +
                     std::to_string(kHighestMaxScore) + ", not " + std::to_string(max_score));
  for (const std::string& code : missing_codes) {
    const std::string_view text = trimmed(code);
    if (text.empty()) continue;
    codes_.emplace_back(text);
    if (const auto number = parse_number(text)) numeric_codes_.push_back(*number);
  }
  // The tables answer as longer() would, missing codes included.
  for (int c = 0; c < 256; ++c) {
    const char text[1] = {static_cast<char>(c)};
    single_[c] = longer(std::string_view(text, 1));
  }
  for (int n = 0; n < 100; ++n) {
    const char text[2] = {static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
    two_digits_[n] = longer(std::string_view(text, 2));
  }
  for (unsigned n = 0; n < kWholeLooked; ++n) whole_[n] = other_number(n);
}

bool ScoreRules::is_code(std::string_view cell) const {
  return std::find(codes_.begin(), codes_.end(), cell) != codes_.end();
}

std::uint8_t ScoreRules::longer(std::string_view cell) const {
  cell = trimmed(cell);
  if (cell.empty() || cell == "NA" || cell == "." || is_code(cell)) return kMissing;
  if (cell.size() > 2 && cell.substr(cell.size() - 2) == ".0") cell.remove_suffix(2);
  // Digits only, no leading zero, and few enough not to overflow before the bound is checked.
  if (cell.empty() || cell.size() > 3 || (cell.size() > 1 && cell.front() == '0')) return kInvalid;
  int score = 0;
  for (const char c : cell) {
    if (c < '0' || c > '9') return kInvalid;
    score = score * 10 + (c - '0');
  }
  return score <= max_score_ ? static_cast<std::uint8_t>(score) : kInvalid;
}

std::uint8_t ScoreRules::other_number(double value) const {
  if (std::find(numeric_codes_.begin(), numeric_codes_.end(), value) != numeric_codes_.end())
    return kMissing;
  // Negated so that NaN is refused too.
  if (!(value >= 0.0 && value <= max_score_) || value != std::floor(value)) return kInvalid;
  return static_cast<std::uint8_t>(value);
}

}  // namespace itemdif::data

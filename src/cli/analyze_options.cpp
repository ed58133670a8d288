// The option texts of `analyze` turned into the analysis's options.
#include "cli/analyze_options.hpp"

#include "data/item_scores.hpp"
#include "stats/method_list.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

namespace itemdif::cli {
namespace {

[[noreturn]] void invalid(const std::string& option, const std::string& message) {
  throw UsageError(option + ": " + message, "analyze");
}

/// A whole non-negative decimal number, or false.
bool parse_count(std::string_view text, int& value) {
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc{} && end == text.data() + text.size() && value >= 0;
}

}  // namespace

std::vector<std::string> split_list(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(',', start), text.size());
    if (end > start) parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

stats::LevelSpec parse_levels(const std::string& text) {
  stats::LevelSpec spec;
  if (text == "thin") return spec;
  int count = 0;
  if (parse_count(text, count)) {
    if (count < 1) invalid("--levels", "the number of levels must be at least 1");
    spec.kind = stats::LevelSpec::Kind::equal_width;
    spec.count = count;
    return spec;
  }
  spec.kind = stats::LevelSpec::Kind::bounds;
  for (const std::string& part : split_list(text)) {
    const std::size_t dash = part.find('-');
    int low = 0;
    int high = 0;
    if (dash == std::string::npos ||
        !parse_count(std::string_view(part).substr(0, dash), low) ||
        !parse_count(std::string_view(part).substr(dash + 1), high))
      invalid("--levels", "\"" + part + "\" is not a level such as 0-9 (expected thin, a count, "
                          "or bounds such as 0-9,10-14,15-45)");
    spec.bounds.emplace_back(low, high);
  }
  if (spec.bounds.empty()) invalid("--levels", "no level given");
  return spec;
}

std::vector<std::size_t> parse_methods(const std::string& text) {
  const std::span<const stats::Method> known = stats::methods();
  std::string names;
  for (const stats::Method& method : known) names += (names.empty() ? "" : ",") + std::string(method.name);
  const std::vector<std::string> given = split_list(text);
  if (given.empty()) invalid("--methods", "no method given (any of " + names + ")");
  std::vector<std::size_t> positions;
  for (const std::string& name : given) {
    const std::optional<std::size_t> position = stats::method_position(name);
    if (!position) invalid("--methods", "\"" + name + "\" is not one of " + names);
    if (std::count(given.begin(), given.end(), name) > 1)
      invalid("--methods", "\"" + name + "\" is given twice");
    positions.push_back(*position);
  }
  std::sort(positions.begin(), positions.end());
  return positions;
}

int parse_max_score(int value) {
  if (value < 1 || value > data::kHighestMaxScore)
    invalid("--max-score", std::to_string(value) + " is not a whole number from 1 to " +
                               std::to_string(data::kHighestMaxScore));
  return value;
}

char parse_delimiter(const std::string& text) {
  if (text == "tab" || text == "\\t") return '\t';
  if (text.size() != 1) invalid("--delimiter", "\"" + text + "\" is not a single character");
  if (text[0] == '"' || text[0] == '\n' || text[0] == '\r')
    invalid("--delimiter", "a quote or a line end cannot separate cells");
  return text[0];
}

}  // namespace itemdif::cli

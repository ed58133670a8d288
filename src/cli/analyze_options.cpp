// The option texts of `analyze` turned into the analysis's options.
#include "cli/analyze_options.hpp"

#include "cli/analyze_command.hpp"
#include "data/item_scores.hpp"
#include "stats/method_list.hpp"
#include "stats/option_names.hpp"
#include "stats/purification.hpp"

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

/// The value named `text`; the caller (CLI11, or a binding's own check) has checked the text
/// against the same names.
template <typename Enum, std::size_t N>
Enum choice(const std::string& text, const std::array<stats::Named<Enum>, N>& table) {
  for (const auto& entry : table)
    if (text == entry.name) return entry.value;
  return table.front().value;
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
  if (given.empty()) invalid("--methods", "no method given (any of " + names + " or all)");
  std::vector<std::size_t> positions;
  for (const std::string& name : given) {
    const std::optional<std::size_t> position = stats::method_position(name);
    if (!position) invalid("--methods", "\"" + name + "\" is not one of " + names + " or all");
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

std::vector<std::string> focal_values(const std::vector<std::string>& texts) {
  std::vector<std::string> values;
  for (const std::string& text : texts) {
    // Every part is kept, an empty one too: it then fails as a value that no row holds.
    std::string value;
    for (std::size_t k = 0; k < text.size(); ++k) {
      if (text[k] == '\\' && k + 1 < text.size() && text[k + 1] == ',') {
        value += ',';
        ++k;
      } else if (text[k] == ',') {
        values.push_back(std::move(value));
        value.clear();
      } else {
        value += text[k];
      }
    }
    values.push_back(std::move(value));
  }
  return values;
}

data::ReadOptions read_options(const AnalyzeArguments& a) {
  data::ReadOptions options;
  options.path = a.data;
  if (a.delimiter) options.delimiter = parse_delimiter(*a.delimiter);
  options.group_column = a.group;
  options.focal_values = focal_values(a.focal);
  options.reference_value = a.reference;
  options.items = a.items;
  options.id_column = a.id;
  if (a.missing_codes) options.missing_codes = split_list(*a.missing_codes);
  options.max_score = parse_max_score(a.max_score);
  options.match_column = a.match;
  return options;
}

std::vector<std::size_t> methods_to_compute(const AnalyzeArguments& a) {
  if (!a.methods) return stats::default_methods();
  if (*a.methods == "all") return stats::all_methods();
  std::vector<std::size_t> methods = parse_methods(*a.methods);
  // The flag rule and Breslow-Day rest on Mantel-Haenszel, the first method: always computed.
  if (methods.front() != 0) methods.insert(methods.begin(), 0);
  return methods;
}

stats::AnalyzeOptions analysis_options(const AnalyzeArguments& a) {
  stats::AnalyzeOptions options;
  options.missing = choice(a.missing, stats::kMissingNames);
  options.levels = parse_levels(a.levels);
  options.min_per_group = a.min_per_group;
  // Anchors and a matching score from the data fix the matching: nothing to purify.
  options.purify = a.anchor || a.match ? stats::PurifyMode::none : choice(a.purify, stats::kPurifyNames);
  options.max_rounds = a.max_rounds;
  options.flag = a.flag;
  if (!(a.alpha > 0.0 && a.alpha < 1.0))
    throw UsageError("--alpha: must lie strictly between 0 and 1", "analyze");
  options.alpha = a.alpha;
  options.adjust = choice(a.adjust, stats::kAdjustNames);
  options.methods = methods_to_compute(a);
  const std::span<const stats::Method> list = stats::methods();
  const std::optional<std::size_t> flag_method = stats::flag_rule_method(a.flag);
  if (!flag_method) invalid("--flag", "\"" + a.flag + "\" is not a flag rule");
  if (!stats::runs(options.methods, list[*flag_method]))
    invalid("--flag", a.flag + " needs " + std::string(list[*flag_method].name) +
                          " in --methods");
  if (a.sib_min < 2)
    invalid("--sib-min", std::to_string(a.sib_min) + " is below 2");
  options.sib_min = a.sib_min;
  if (!a.bundles.empty()) {
    bool tested = false;
    std::string testers;
    for (const stats::Method& method : list)
      if (method.compute_bundle) {
        testers += (testers.empty() ? "" : " or ") + std::string(method.name);
        tested = tested || stats::runs(options.methods, method);
      }
    if (!tested) invalid("--bundle", "bundles need " + testers + " in --methods");
  }
  std::vector<std::string> names;
  for (const std::string& text : a.bundles) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
      invalid("--bundle", "\"" + text + "\" is not NAME=LIST");
    const std::string name = text.substr(0, equals);
    if (std::find(names.begin(), names.end(), name) != names.end())
      invalid("--bundle", "two bundles are named " + name);
    names.push_back(name);
    // A range may name several items: those are counted once the items are read.
    const std::string list = text.substr(equals + 1);
    if (split_list(list).size() < 2 && list.find(':') == std::string::npos)
      invalid("--bundle", "bundle " + name + " needs at least two items");
  }
  if (a.anchor && a.purify_given && a.purify != "none")
    invalid("--anchor", "anchors fix the matching items: --purify " + a.purify +
                            " cannot purify them");
  if (a.match) {
    if (a.anchor) invalid("--match", "a matching score from the data leaves no room for --anchor");
    if (a.purify_given && a.purify != "none")
      invalid("--match", "a matching score from the data is fixed: --purify " + a.purify +
                             " cannot purify it");
    for (const std::size_t m : options.methods)
      if (list[m].needs_item_matching)
        invalid("--match", std::string(list[m].name) +
                               " needs item scores to match on, not a column");
  }
  return options;
}

namespace {

/// The analysed items that `list` names: names and ranges first:last, a range running over
/// the analysed items in their order.
std::vector<std::size_t> items_named(const std::vector<std::string>& item_names,
                                     const std::string& list, const std::string& option) {
  const auto position = [&](const std::string& name) {
    const auto it = std::find(item_names.begin(), item_names.end(), name);
    if (it == item_names.end()) invalid(option, "\"" + name + "\" is not an analysed item");
    return static_cast<std::size_t>(it - item_names.begin());
  };
  std::vector<std::size_t> items;
  for (const std::string& part : split_list(list)) {
    const std::size_t colon = part.find(':');
    if (colon == std::string::npos ||
        std::find(item_names.begin(), item_names.end(), part) != item_names.end()) {
      items.push_back(position(part));
      continue;
    }
    const std::size_t first = position(part.substr(0, colon));
    const std::size_t last = position(part.substr(colon + 1));
    if (last < first) invalid(option, "the item range " + part + " runs backwards");
    for (std::size_t j = first; j <= last; ++j) items.push_back(j);
  }
  for (std::size_t k = 0; k < items.size(); ++k)
    for (std::size_t l = 0; l < k; ++l)
      if (items[k] == items[l])
        invalid(option, "item " + item_names[items[k]] + " is named twice");
  return items;
}

}  // namespace

stats::AnalyzeOptions with_item_lists(stats::AnalyzeOptions options, const AnalyzeArguments& a,
                                      const std::vector<std::string>& item_names) {
  if (a.anchor) {
    options.anchors = items_named(item_names, *a.anchor, "--anchor");
    if (options.anchors->empty()) invalid("--anchor", "no anchor item given");
  }
  for (const std::string& text : a.bundles) {
    const std::size_t equals = text.find('=');
    stats::AnalyzeOptions::Bundle bundle;
    bundle.name = text.substr(0, equals);
    bundle.items = items_named(item_names, text.substr(equals + 1), "--bundle " + bundle.name);
    if (bundle.items.size() < 2)
      invalid("--bundle", "bundle " + bundle.name + " needs at least two items");
    options.bundles.push_back(std::move(bundle));
  }
  return options;
}

}  // namespace itemdif::cli

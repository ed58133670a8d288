// Purification rounds and the flag rules.
#include "stats/purification.hpp"

#include <algorithm>

#include "stats/method_list.hpp"

namespace itemdif::stats {

namespace {

struct RulePlace {
  std::size_t method = 0;
  const FlagRule* rule = nullptr;
};

std::optional<RulePlace> find_rule(std::string_view name) {
  const std::span<const Method> list = methods();
  for (std::size_t m = 0; m < list.size(); ++m)
    for (const FlagRule& rule : list[m].flag_rules)
      if (rule.name == name) return RulePlace{m, &rule};
  return std::nullopt;
}

const MethodValues* values_of(const ItemValues& item, std::size_t method) {
  return method < item.methods.size() ? &item.methods[method] : nullptr;
}

}  // namespace

bool meets_flag_rule(const ItemValues& item, std::string_view rule, double alpha) {
  const std::optional<RulePlace> place = find_rule(rule);
  const MethodValues* values = place ? values_of(item, place->method) : nullptr;
  return values && !values->cells.empty() && place->rule->meets(*values, alpha);
}

bool meets_overall_flag_rule(const ItemValues& item, std::string_view rule, double alpha) {
  const std::span<const Method> list = methods();
  std::size_t method = 0;
  if (const std::optional<RulePlace> place = find_rule(rule);
      place && list[place->method].overall_flag)
    method = place->method;
  const MethodValues* values = values_of(item, method);
  return values && !values->cells.empty() && list[method].overall_flag &&
         list[method].overall_flag(*values, alpha);
}

std::vector<std::string> flag_rule_names() {
  std::vector<std::string> names;
  for (const Method& method : methods())
    for (const FlagRule& rule : method.flag_rules) names.emplace_back(rule.name);
  return names;
}

std::optional<std::size_t> flag_rule_method(std::string_view rule) {
  const std::optional<RulePlace> place = find_rule(rule);
  if (!place) return std::nullopt;
  return place->method;
}

Purification purify(PurifyMode mode, int max_rounds, std::size_t analysed,
                    const RoundRunner& run_round) {
  int limit = max_rounds;
  if (mode == PurifyMode::two_pass) limit = 2;
  if (mode == PurifyMode::none) limit = 1;

  Purification result;
  std::vector<std::size_t> left_out;
  for (int round = 1;; ++round) {
    std::vector<std::size_t> flagged = run_round(round, left_out);
    const bool same_as_left_out = flagged == left_out;
    const bool seen_before =
        std::any_of(result.rounds.begin(), result.rounds.end(),
                    [&](const Round& earlier) { return earlier.flagged == flagged; });
    const bool too_many = 2 * flagged.size() > analysed;
    result.rounds.push_back(Round{round, flagged});
    result.converged = same_as_left_out && !too_many;
    if (too_many) {
      result.stop = Stop::too_many_flagged;
      break;
    }
    const bool last = round >= limit ||
                      (mode == PurifyMode::iterative && (same_as_left_out || seen_before));
    if (last) {
      if (same_as_left_out)
        result.stop = Stop::converged;
      else if (mode == PurifyMode::iterative && seen_before)
        result.stop = Stop::repeated;
      else
        result.stop = Stop::max_rounds;
      break;
    }
    left_out = std::move(flagged);
  }
  return result;
}

const char* stop_name(Stop stop) {
  switch (stop) {
    case Stop::converged: return "converged";
    case Stop::repeated: return "repeated";
    case Stop::max_rounds: return "max_rounds";
    case Stop::too_many_flagged: return "too_many_flagged";
    case Stop::fixed_matching: return "fixed_matching";
  }
  return "";
}

}  // namespace itemdif::stats

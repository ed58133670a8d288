// Purification rounds and the flag rules.
#include "stats/purification.hpp"

#include <algorithm>

namespace itemdif::stats {

bool meets_flag_rule(const ItemResult& item, FlagRule rule, double alpha) {
  // Classes B and C of 0/1 items, BB and CC of polytomous ones.
  const std::string ets_class = item.text("ets_class");
  if (ets_class.empty()) return false;
  switch (rule) {
    case FlagRule::ets:
      return ets_class[0] == 'B' || ets_class[0] == 'C';
    case FlagRule::ets_c:
      return ets_class[0] == 'C';
    case FlagRule::p: {
      const std::optional<double> p = item.number("mh_p_adjusted");
      return p && *p < alpha;
    }
  }
  return false;
}

Purification purify(PurifyMode mode, int max_rounds, const RoundRunner& run_round) {
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
    result.rounds.push_back(Round{round, flagged});
    result.converged = same_as_left_out;
    if (round >= limit) break;
    if (mode == PurifyMode::iterative && (same_as_left_out || seen_before)) break;
    left_out = std::move(flagged);
  }
  return result;
}

}  // namespace itemdif::stats

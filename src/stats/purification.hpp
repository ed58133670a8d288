// Purification of the matching set: which items each round leaves out of matching, the flag
// rules, and when the rounds stop.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "stats/analysis.hpp"
#include "stats/analysis_options.hpp"

namespace itemdif::stats {

/// Whether an item meets the flag rule, read from its `ets_class` and `mh_p_adjusted`: ets a
/// class B or C (BB or CC), ets-c a class C (CC), p an adjusted MH p below alpha. An item
/// without a class (odds ratio 0 or infinite, no variance) is never flagged.
bool meets_flag_rule(const ItemResult& item, FlagRule rule, double alpha);

/// Runs one round matching on every item except `left_out` (item numbers in item order) and
/// returns the items it flags, in item order.
using RoundRunner =
    std::function<std::vector<std::size_t>(int round, const std::vector<std::size_t>& left_out)>;

struct Purification {
  std::vector<Round> rounds;
  bool converged = false;
};

/// Round 1 leaves nothing out; round r+1 leaves out round r's flagged set. Iterative: stops when
/// a round flags the set its matching left out (converged), a set an earlier round flagged (not
/// converged), or after `max_rounds` rounds (not converged). Two-pass: exactly two rounds; none:
/// one. Under every mode `converged` says whether the last round flagged the set its matching
/// left out.
Purification purify(PurifyMode mode, int max_rounds, const RoundRunner& run_round);

}  // namespace itemdif::stats

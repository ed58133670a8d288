// Purification of the matching set: which items each round leaves out of matching, the flag
// rules, and when the rounds stop.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "stats/analysis.hpp"
#include "stats/analysis_options.hpp"

namespace itemdif::stats {

/// Whether a comparison's item meets the flag rule called `rule` (declared by a method in the
/// list); an item whose values the rule reads are empty is never flagged.
bool meets_flag_rule(const ItemValues& item, std::string_view rule, double alpha);
/// Whether an item of the overall analysis is flagged when the comparisons flag by `rule`: by
/// the overall test of the rule's method where it has one, else by the first method's.
bool meets_overall_flag_rule(const ItemValues& item, std::string_view rule, double alpha);

/// Every flag rule's name, in method-list order.
std::vector<std::string> flag_rule_names();
/// The position of the method that declares the rule called `rule`, if one does.
std::optional<std::size_t> flag_rule_method(std::string_view rule);

/// Runs one round matching on every item except `left_out` (item numbers in item order) and
/// returns the items it flags, in item order.
using RoundRunner =
    std::function<std::vector<std::size_t>(int round, const std::vector<std::size_t>& left_out)>;

struct Purification {
  std::vector<Round> rounds;
  bool converged = false;
  Stop stop = Stop::converged;
};

/// Round 1 leaves nothing out; round r+1 leaves out round r's flagged set. Iterative: stops when
/// a round flags the set its matching left out (converged), a set an earlier round flagged
/// (repeated), or after `max_rounds` rounds. Two-pass: exactly two rounds; none: one. Under
/// every mode `converged` says whether the last round flagged the set its matching left out.
/// Purifying rests on most items being free of DIF: a round that flags more than half of the
/// `analysed` items is the last (too_many_flagged, not converged).
Purification purify(PurifyMode mode, int max_rounds, std::size_t analysed,
                    const RoundRunner& run_round);

/// The name of a stop as results.json writes it.
const char* stop_name(Stop stop);

}  // namespace itemdif::stats

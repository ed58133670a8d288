// The Mantel-Haenszel values of one item from its level tables.
#pragma once

#include <string>
#include <vector>

#include "stats/dif_analysis.hpp"
#include "stats/upper_tails.hpp"

namespace itemdif::stats {

/// D-DIF per unit of ln alpha.
inline constexpr double kDDifScale = 2.35;
/// The two-sided 95 % normal quantile of the interval and the class rule.
inline constexpr double kZ95 = 1.959964;

/// Odds ratio, D-DIF with its standard error and interval, chi-square with continuity
/// correction 0.5 where |sum A - sum E| >= 0.5, its upper-tail p and the ETS class, over the
/// used levels in level order. `p_adjusted` is left empty. Each undefined value's reason is
/// appended to `note`.
MhValues mh_values(const std::vector<LevelRow>& levels, double alpha, std::string& note);

/// "A" when |D| < 1 or p >= alpha; "C" when |D| >= 1.5 and (|D| - 1) / SE(D) > 1.959964;
/// "B" otherwise; B and C followed by the sign of D.
std::string ets_class(double d_dif, double d_dif_se, double p, double alpha);

/// Appends a reason to a note, "; " between reasons.
void add_note(std::string& note, const std::string& reason);

}  // namespace itemdif::stats

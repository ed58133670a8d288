// Mantel-Haenszel statistics of every item from the level tables of the current pass.
#pragma once

#include <string>

#include "driver/run_data.hpp"

namespace itemdif::driver {

/// The decimal 2.35 rounded to single precision, used by the standard error of MH D-DIF.
inline constexpr double kSeScale = 2.3499999046325684;
/// The decimal 1.96 rounded to single precision, used by the category rule.
inline constexpr double kCategoryZ = 1.9600000381469727;

/// Replaces the previous pass's categories and fills, for every item, the odds-ratio sums,
/// alpha, MH D-DIF, the expected counts and variances by level, the continuity-corrected
/// chi-square, its p-value and mark, the standard error of MH D-DIF and the ETS category.
/// Only valid cells (level_valid == 1) enter the sums, levels in ascending order.
/// Requires the level tables of the pass (count_levels) and every per-item table sized to
/// n_items (and by level where stated in RunData).
/// Ends the run through conditioning_windows_too_small() at the first item, in item order, whose
/// alpha_denominator is 0. An alpha_numerator of 0 is not an error: alpha is 0, MH D-DIF is
/// +infinity and the standard error not-a-number, and the item falls to category A.
void mantel_haenszel(RunData& run);

/// "   " above 0.05, "*  " at or below 0.05, "** " at or below 0.01, "***" at or below 0.005.
std::string significance_mark_for(double p_value);

/// 'C', 'B' or 'A' from MH D-DIF and its standard error. Comparisons with not-a-number are
/// false, so such an item is 'A'.
char ets_category(double mh_d_dif, double se_d_dif);

}  // namespace itemdif::driver

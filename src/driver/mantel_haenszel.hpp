// Mantel-Haenszel statistics of every item from the level tables of one pass.
#pragma once

#include <string>
#include <vector>

#include "driver/levels.hpp"

namespace itemdif::driver {

/// The decimal 2.35 rounded to single precision, used by the standard error of MH D-DIF.
inline constexpr double kSeScale = 2.3499999046325684;
/// The decimal 1.96 rounded to single precision, used by the category rule.
inline constexpr double kCategoryZ = 1.9600000381469727;

/// The statistics of one item. Only valid cells enter the sums, levels in ascending order.
struct MhItem {
  double alpha_numerator = 0.0;    ///< sum of A D / N
  double alpha_denominator = 0.0;  ///< sum of B C / N
  double alpha = 0.0;
  double mh_d_dif = 0.0;
  double observed_sum = 0.0;  ///< reference examinees correct
  double expected_sum = 0.0;  ///< their expected count
  double variance_sum = 0.0;
  double chi_square = 0.0;    ///< continuity-corrected
  double p_value = 0.0;
  std::string significance_mark = "   ";
  double se_d_dif = 0.0;
  char category = 'A';  ///< ETS category 'A', 'B' or 'C'
};

/// The statistics of every item, in item order. Throws AnalysisStop{conditioning_windows} for
/// the first item, in item order, whose alpha_denominator is 0, before any p-value is computed.
/// An alpha_numerator of 0 is not an error: alpha is 0, MH D-DIF is +infinity and the standard
/// error not-a-number, and the item falls to category A.
std::vector<MhItem> mantel_haenszel(const LevelTables& tables);

/// "   " above 0.05, "*  " at or below 0.05, "** " at or below 0.01, "***" at or below 0.005.
std::string significance_mark_for(double p_value);

/// 'C', 'B' or 'A' from MH D-DIF and its standard error. Comparisons with not-a-number are
/// false, so such an item is 'A'.
char ets_category(double mh_d_dif, double se_d_dif);

}  // namespace itemdif::driver

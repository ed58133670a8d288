// The Mantel-Haenszel method: the common odds ratio over an item's used levels, D-DIF with its
// standard error and interval, the continuity-corrected chi-square and the ETS class.
#pragma once

#include <optional>
#include <string>
#include <span>

#include "stats/level_table.hpp"
#include "stats/method.hpp"

namespace itemdif::stats {

/// D-DIF per unit of ln alpha.
inline constexpr double kDDifScale = 2.35;
/// The two-sided 95 % normal quantile of the intervals and the class rule.
inline constexpr double kZ95 = 1.959964;

/// Mantel-Haenszel values of one item; an empty optional is an undefined value.
struct MhValues {
  std::optional<double> alpha, alpha_low, alpha_high;  ///< odds ratio and its 95 % interval
  std::optional<double> d_dif, d_dif_se;
  std::optional<double> chi_square, p, p_adjusted;
  std::string ets_class;  ///< "A", "B-", "B+", "C-", "C+"; empty when undefined
};

/// Over the used levels in level order: odds ratio, D-DIF with its standard error and interval,
/// chi-square with continuity correction 0.5 where |sum A - sum E| >= 0.5, its upper-tail p
/// and the ETS class; `p_adjusted` is left empty. Each undefined value's reason goes to `note`.
MhValues mh_values(std::span<const LevelTable> levels, double alpha, std::string& note);

/// "A" when |D| < 1 or p >= alpha; "C" when |D| >= 1.5 and (|D| - 1) / SE(D) > 1.959964;
/// "B" otherwise; B and C followed by the sign of D.
std::string ets_class(double d_dif, double d_dif_se, double p, double alpha);

/// The method's cells of `mh`, with the D-DIF interval D -/+ 1.959964 SE(D).
std::vector<Cell> mh_cells(const MhValues& mh);

Method mantel_haenszel_method();

}  // namespace itemdif::stats

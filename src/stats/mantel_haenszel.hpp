// The Mantel-Haenszel method. For a 0/1 item: the common odds ratio over its used levels, D-DIF
// with its standard error and interval, the continuity-corrected chi-square and the ETS class.
// For a polytomous item: Mantel's chi-square of the mean scores, the Liu-Agresti cumulative
// odds ratio with its D-DIF, and the ETS class from the standardized mean difference.
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
  std::string ets_class;  ///< "A", "B-", ... ("AA", "BB-", ... polytomous); empty when undefined
  std::string note;       ///< why values are undefined
};

/// Over the used levels in level order: odds ratio, D-DIF with its standard error and interval,
/// chi-square with continuity correction 0.5 where |sum A - sum E| >= 0.5, its upper-tail p
/// and the ETS class; `p_adjusted` is left empty.
MhValues mh_values(std::span<const LevelTable> levels, double alpha);
/// A polytomous item over its used levels: Mantel's chi-square (no continuity correction) and
/// its p, the Liu-Agresti odds ratio and its D-DIF, and the ETS class from `smd`, the
/// standardized mean difference, against `sd`, the standard deviation of the item's scores.
MhValues mantel_values(std::span<const LevelTable> levels, std::optional<double> smd, double sd,
                       double alpha);
/// "AA" when p >= alpha or |smd| / sd <= 0.17; "CC" when |smd| / sd > 0.25; "BB" otherwise;
/// BB and CC followed by the sign of smd.
std::string polytomous_ets_class(double smd, double sd, double p, double alpha);

/// "A" when |D| < 1 or p >= alpha; "C" when |D| >= 1.5 and (|D| - 1) / SE(D) > 1.959964;
/// "B" otherwise; B and C followed by the sign of D.
std::string ets_class(double d_dif, double d_dif_se, double p, double alpha);

/// The method's cells of `mh`, with the D-DIF interval D -/+ 1.959964 SE(D).
std::vector<Cell> mh_cells(const MhValues& mh);

Method mantel_haenszel_method();

}  // namespace itemdif::stats

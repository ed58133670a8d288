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

/// The method's columns: the comparisons' and the generalized MH test's of the overall analysis.
namespace column {
inline constexpr Column mh_alpha("mh_alpha");
inline constexpr Column mh_alpha_low("mh_alpha_low");
inline constexpr Column mh_alpha_high("mh_alpha_high");
inline constexpr Column mh_d_dif =
    Column("mh_d_dif")
        .report("MH D-DIF", "-2.35 ln(MH alpha); below 0 the item favours the reference group")
        .shown_in(SummaryTable::items, "D-DIF", 8);
inline constexpr Column mh_d_dif_se =
    Column("mh_d_dif_se").report("SE", "standard error of MH D-DIF").shown_in(SummaryTable::items, "SE", 7);
inline constexpr Column mh_chi_square("mh_chi_square");
inline constexpr Column mh_p =
    Column("mh_p", ColumnKind::p_value)
        .report("MH p", "continuity-corrected Mantel-Haenszel chi-square, upper tail")
        .shown_in(SummaryTable::items, "p", 10);
inline constexpr Column mh_p_adjusted = Column("mh_p_adjusted", ColumnKind::p_value)
                                            .report("p adj", "MH p adjusted across the items")
                                            .shown_in(SummaryTable::items, "p_adj", 10)
                                            .adjusting(mh_p);
inline constexpr Column ets_class = Column("ets_class", ColumnKind::dif_class)
                                        .report("ETS", "ETS class from MH D-DIF")
                                        .shown_in(SummaryTable::items, "ETS", 3);
/// The ends of D-DIF's 95 % interval, for the report's plot.
inline constexpr Column mh_d_dif_low = Column("mh_d_dif_low").report_only();
inline constexpr Column mh_d_dif_high = Column("mh_d_dif_high").report_only();
}  // namespace column

namespace overall_column {
inline constexpr Column gmh_chi_square =
    Column("gmh_chi_square").shown_in(SummaryTable::items, "chi2", 9);
inline constexpr Column gmh_df =
    Column("gmh_df", ColumnKind::whole).shown_in(SummaryTable::items, "df", 3);
inline constexpr Column gmh_p =
    Column("gmh_p", ColumnKind::p_value)
        .report("GMH p", "generalized Mantel-Haenszel chi-square, G - 1 df, upper tail")
        .shown_in(SummaryTable::items, "GMH p", 10);
inline constexpr Column gmh_p_adjusted = Column("gmh_p_adjusted", ColumnKind::p_value)
                                             .report("p adj", "GMH p adjusted across the items")
                                             .shown_in(SummaryTable::items, "p_adj", 10)
                                             .adjusting(gmh_p);
}  // namespace overall_column

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

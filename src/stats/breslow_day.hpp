// The Breslow-Day method: homogeneity of the odds ratios over a 0/1 item's levels, with
// Tarone's correction, at the Mantel-Haenszel odds ratio.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "stats/level_table.hpp"
#include "stats/method.hpp"

namespace itemdif::stats {

struct BdValues {
  std::optional<double> chi_square;
  std::optional<int> df;
  std::optional<double> p;
  std::string note;  ///< why the test is undefined
};

/// The expected count of reference-correct answers in a table with reference size `nr` and
/// margins `m1` (correct) and `m0` (incorrect) whose odds ratio is `alpha`: the root of
/// a (m0 - nr + a) = alpha (nr - a)(m1 - a) within max(0, nr - m0) .. min(nr, m1).
double breslow_day_expected(double nr, double m1, double m0, double alpha);

/// Over the used levels whose four margins are positive: sum (A - a)^2 / v minus Tarone's
/// (sum A - sum a)^2 / sum v, with df = those levels - 1, at `mh_alpha` (finite and positive).
/// Empty, with the reason in `note`, when the odds ratio is undefined or fewer than two levels
/// qualify.
BdValues breslow_day(std::span<const LevelTable> levels, const std::optional<double>& mh_alpha);

/// Reads the Mantel-Haenszel odds ratio (`mh_alpha`) of the method before it; empty for
/// polytomous items.
namespace column {
inline constexpr Column bd_chi_square("bd_chi_square");
inline constexpr Column bd_df("bd_df", ColumnKind::whole);
inline constexpr Column bd_p = Column("bd_p", ColumnKind::p_value)
                                   .report("BD p", "Breslow-Day homogeneity of the odds ratios")
                                   .shown_in(SummaryTable::methods, "BD p", 10)
                                   .nonuniform_test("Breslow-Day p");
}  // namespace column

Method breslow_day_method();

}  // namespace itemdif::stats

// The Breslow-Day test of homogeneous odds ratios over an item's levels, with Tarone's
// correction, at the Mantel-Haenszel odds ratio.
#pragma once

#include <string>
#include <vector>

#include "stats/dif_analysis.hpp"

namespace itemdif::stats {

/// The expected count of reference-correct answers in a table with reference size `nr` and
/// margins `m1` (correct) and `m0` (incorrect) whose odds ratio is `alpha`: the root of
/// a (m0 - nr + a) = alpha (nr - a)(m1 - a) within max(0, nr - m0) .. min(nr, m1).
double breslow_day_expected(double nr, double m1, double m0, double alpha);

/// Over the used levels whose four margins are positive: sum (A - a)^2 / v minus Tarone's
/// (sum A - sum a)^2 / sum v, with df = those levels - 1, at `mh_alpha` (finite and positive).
/// Empty, with the reason in `note`, when the odds ratio is undefined or fewer than two levels
/// qualify.
BdValues breslow_day(const std::vector<LevelRow>& levels, const std::optional<double>& mh_alpha,
                     std::string& note);

}  // namespace itemdif::stats

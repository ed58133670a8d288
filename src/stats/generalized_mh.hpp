// The generalized Mantel-Haenszel test of an item across G groups: the focal groups' score
// sums against their expectations given the level's margins, over the item's used levels.
// For a 0/1 item it is the generalized MH statistic; with two groups, Mantel's.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "stats/level_table.hpp"

namespace itemdif::stats {

struct GmhValues {
  std::optional<double> chi_square, df, p;
  std::optional<double> p_adjusted;  ///< left empty: adjusting needs every item
  std::string note;                  ///< why values are undefined
};

/// Over the used levels, with G = the levels' groups (0 the reference group): in a level of N
/// examinees, d_g = f_g - n_g ybar and V[g,h] = s² N / (N - 1) (n_g δ_gh - n_g n_h / N) for the
/// focal groups, f_g the group's score sum, ybar and s² the level's mean and variance (divisor
/// N) of the scores; chi-square = dᵀ (ΣV)⁻¹ d with d = Σ d_g, G - 1 df, its upper-tail p.
/// Undefined, with a note, without a used level or when ΣV is not positive definite.
GmhValues generalized_mh(std::span<const LevelTable> levels);

}  // namespace itemdif::stats

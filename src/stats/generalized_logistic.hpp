// Logistic regression across G groups: the comparison's three nested models with G - 1
// indicators of the focal groups in place of the group term (and their products with the
// trait in place of the interaction), binary for a 0/1 item and proportional-odds for a
// polytomous one, and their likelihood-ratio tests.
#pragma once

#include <span>
#include <string>

#include "stats/logistic_regression.hpp"
#include "stats/score_cells.hpp"

namespace itemdif::stats {

/// The tests of an item's models on its score cells of groups 0..G-1 (0 the reference group,
/// g the focal group `focal_values[g - 1]`), the trait centred over all of them: df 2(G-1),
/// G-1 and G-1, R² against the intercept-only (thresholds-only) model, the classes by
/// `lr_delta_r2`, and coefficients with terms "group_VALUE" and "trait_x_group_VALUE". A group
/// without examinees leaves the values empty and says so in the note.
LrTests generalized_lr_values(std::span<const ScoreCell> cells, bool polytomous,
                              std::span<const std::string> focal_values, double alpha);

}  // namespace itemdif::stats

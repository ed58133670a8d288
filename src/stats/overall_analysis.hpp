// The overall tests of an item across every group: the generalized Mantel-Haenszel statistic
// and, when logistic regression is run, the generalized logistic models, and the overall
// analysis's flag rule.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "stats/analysis.hpp"
#include "stats/analysis_options.hpp"
#include "stats/score_cells.hpp"

namespace itemdif::stats {

/// One item's overall values in a round: the generalized MH over its used `levels` (groups
/// 0..G-1, 0 the reference group) and, when `with_lr`, the generalized logistic regression on
/// its score cells of the same groups. The adjusted p-values are left empty.
OverallItem overall_item(std::string name, const ItemRange& range,
                         std::vector<LevelTable> levels, std::span<const ScoreCell> cells,
                         std::span<const std::string> focal_values, bool with_lr, double alpha);

/// The positions in overall_columns() of the values computed with or without logistic
/// regression.
std::vector<std::size_t> overall_columns_run(bool with_lr);

/// The adjusted generalized MH and LR p-values across the items, and the flags: an item is
/// flagged when its adjusted generalized MH p-value is below alpha.
void adjust_and_flag(std::vector<OverallItem>& items, Adjust adjust, double alpha);

}  // namespace itemdif::stats

// Levels of matching scores: their bounds as the --levels option asks for them, and an
// item's counts in each of them.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "stats/dif_analysis.hpp"
#include "stats/score_counts.hpp"

namespace itemdif::stats {

/// Throws data::InputError for level options no matching score can be cut by: a level count
/// below 1, explicit levels with a negative bound, levels that overlap, or no level whose low
/// is at most its high.
void check_level_spec(const LevelSpec& spec);

/// The (low, high) bounds of the levels of an item whose matching score runs from 0 to m, in
/// level order: thin levels 0..m; K levels from floor(k (m+1) / K) to floor((k+1) (m+1) / K) - 1,
/// empty ones left out; explicit levels as given, those whose low exceeds their high left out.
std::vector<std::pair<int, int>> level_bounds(const LevelSpec& spec, int m);

/// The item's counts in each level, a level `used` where both groups have at least
/// `min_per_group` of the item's examinees in it.
std::vector<LevelRow> level_rows(const ScoreCounts& counts, std::size_t item, int m,
                                 const std::vector<std::pair<int, int>>& bounds,
                                 int min_per_group);

}  // namespace itemdif::stats

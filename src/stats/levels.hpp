// Levels of matching scores: their bounds as the --levels option asks for them, and an
// item's level tables.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "stats/analysis_options.hpp"
#include "stats/level_table.hpp"
#include "stats/score_counts.hpp"

namespace itemdif::stats {

/// Throws data::InputError for level options no matching score can be cut by: a level count
/// below 1, explicit levels with a negative bound, levels that overlap, or no level whose low
/// is at most its high.
void check_level_spec(const LevelSpec& spec);

/// The (low, high) bounds of the levels of an item whose matching score runs from `lo` to `hi`,
/// in level order: thin levels lo..hi; with R = hi - lo + 1, K levels from
/// lo + floor(k R / K) to lo + floor((k+1) R / K) - 1, empty ones left out; explicit levels as
/// given, those whose low exceeds their high left out.
std::vector<std::pair<int, int>> level_bounds(const LevelSpec& spec, int lo, int hi);

/// The item's tables in each level for the comparison of the groups `groups` (their codes in
/// the counts, the reference group first), a level `used` where every group has at least
/// `min_per_group` of the item's examinees in it.
std::vector<LevelTable> level_tables(const ScoreCounts& counts, std::size_t item,
                                     const ItemRange& range,
                                     const std::vector<std::size_t>& groups,
                                     const std::vector<std::pair<int, int>>& bounds,
                                     int min_per_group);

}  // namespace itemdif::stats

// An item's examinees as cells of (matching score, group, item score) with their counts: what
// a regression on the matching score needs, of a size that grows with the cells and not with
// the examinees.
#pragma once

#include <cstddef>
#include <vector>

#include "stats/item_range.hpp"
#include "stats/score_counts.hpp"

namespace itemdif::stats {

struct ScoreCell {
  double trait = 0;       ///< the matching score, centred at its mean over the item's examinees
  std::size_t group = 0;  ///< within the comparison: 0 the reference group
  int score = 0;          ///< the item score
  double count = 0;
};

/// The item's examinees of the groups `groups` (their codes in the counts, the reference group
/// first) by matching score, group and item score, in that order; cells without examinees are
/// left out.
std::vector<ScoreCell> score_cells(const ScoreCounts& counts, std::size_t item,
                                   const ItemRange& range, const std::vector<std::size_t>& groups);

}  // namespace itemdif::stats

// The cells of an item's regressions.
#include "stats/score_cells.hpp"

namespace itemdif::stats {

std::vector<ScoreCell> score_cells(const ScoreCounts& counts, std::size_t item,
                                   const ItemRange& range,
                                   const std::vector<std::size_t>& groups) {
  std::vector<ScoreCell> cells;
  double n = 0, trait_sum = 0;
  for (std::size_t t = 0; t <= counts.max_sum(); ++t)
    for (std::size_t g = 0; g < groups.size(); ++g)
      for (int y = range.score_min; y <= range.score_max; ++y) {
        const double count = counts.at(item, t, groups[g], y);
        if (count == 0) continue;
        cells.push_back({static_cast<double>(t), g, y, count});
        n += count;
        trait_sum += count * static_cast<double>(t);
      }
  const double mean = n > 0 ? trait_sum / n : 0.0;
  for (ScoreCell& cell : cells) cell.trait -= mean;
  return cells;
}

}  // namespace itemdif::stats

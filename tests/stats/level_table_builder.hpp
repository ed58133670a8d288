// Level tables written by hand for the tests of the per-level statistics.
#pragma once

#include <cstddef>
#include <vector>

#include "stats/level_table.hpp"

namespace itemdif::stats::testing {

/// A level of a 0/1 item in a two-group comparison: A, B reference correct and incorrect, C, D
/// focal correct and incorrect.
inline LevelTable level(double a, double b, double c, double d, bool used = true) {
  LevelTable table(0, 0, 2, 0, 1);
  table.count(0, 1) = a;
  table.count(0, 0) = b;
  table.count(1, 1) = c;
  table.count(1, 0) = d;
  table.used = used;
  return table;
}

/// A level of an item scored from `score_min` up: `counts[g][k]` examinees of group g (0 the
/// reference group) scored `score_min + k`; every group lists the same number of scores.
inline LevelTable scored_level(int score_min, const std::vector<std::vector<double>>& counts,
                               bool used = true) {
  const int scores = counts.empty() ? 1 : static_cast<int>(counts.front().size());
  LevelTable table(0, 0, counts.size(), score_min, score_min + scores - 1);
  for (std::size_t g = 0; g < counts.size(); ++g)
    for (int k = 0; k < scores; ++k)
      table.count(g, score_min + k) = counts[g][static_cast<std::size_t>(k)];
  table.used = used;
  return table;
}

}  // namespace itemdif::stats::testing

// The standardized mean difference over an item's used levels.
#include "stats/standardized_difference.hpp"

#include <cmath>

namespace itemdif::stats {

std::string std_class(double p_dif, const ItemRange& range) {
  const double size = std::fabs(p_dif) / (range.score_max - range.score_min);
  if (size < 0.05) return "A";
  const char sign = p_dif < 0 ? '-' : '+';
  return std::string(size < 0.10 ? "B" : "C") + sign;
}

StdValues std_values(std::span<const LevelTable> levels, const ItemRange& range) {
  double weighted = 0, focal = 0;
  bool varies = false;
  for (const LevelTable& level : levels) {
    if (!level.used) continue;
    const double nr = level.group_size(0), nf = level.group_size(1);
    weighted += nf * (level.score_sum(1) / nf - level.score_sum(0) / nr);
    focal += nf;
  }
  // The variance terms, weighted by each level's share of the focal group.
  double variance = 0;
  for (const LevelTable& level : levels) {
    if (!level.used) continue;
    const double nr = level.group_size(0), nf = level.group_size(1), n = nr + nf;
    const double s = level.score_sum(0) + level.score_sum(1);
    double q = 0;
    for (int y = level.score_min(); y <= level.score_max(); ++y)
      q += static_cast<double>(y) * y * (level.count(0, y) + level.count(1, y));
    const double spread = n * q - s * s;
    varies = varies || spread > 0;
    const double w = nf / focal;
    const double inverse_sizes = 1.0 / nf + 1.0 / nr;
    variance += w * w * inverse_sizes * inverse_sizes * (nr * nf * spread / (n * n * (n - 1)));
  }
  StdValues values;
  if (focal > 0 && varies) {
    values.p_dif = weighted / focal;
    values.se = std::sqrt(variance);
    values.std_class = std_class(*values.p_dif, range);
  }
  return values;
}

}  // namespace itemdif::stats

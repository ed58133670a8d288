// The standardization index of one item.
#include "stats/std_values.hpp"

#include <cmath>

namespace itemdif::stats {

std::string std_class(double p_dif) {
  const double size = std::fabs(p_dif);
  if (size < 0.05) return "A";
  const char sign = p_dif < 0 ? '-' : '+';
  return std::string(size < 0.10 ? "B" : "C") + sign;
}

StdValues std_values(const std::vector<LevelRow>& levels) {
  double weighted = 0;
  double focal = 0;
  bool varies = false;
  for (const LevelRow& level : levels) {
    if (!level.used) continue;
    const double nr = level.reference_correct + level.reference_incorrect;
    const double nf = level.focal_correct + level.focal_incorrect;
    weighted += nf * (level.focal_correct / nf - level.reference_correct / nr);
    focal += nf;
    varies = varies || (level.reference_correct + level.focal_correct > 0 &&
                        level.reference_incorrect + level.focal_incorrect > 0);
  }
  StdValues values;
  if (focal > 0 && varies) {
    values.p_dif = weighted / focal;
    values.std_class = std_class(*values.p_dif);
  }
  return values;
}

}  // namespace itemdif::stats

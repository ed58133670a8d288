// Empirical item characteristic curves of both groups: proportions correct by level.
#include "driver/curves.hpp"

namespace itemdif::driver {

CurveTable compute_curves(const LevelTables& levels) {
  const auto n_items = static_cast<std::int64_t>(levels.items());
  const auto n_levels = static_cast<std::int64_t>(levels.levels());
  CurveTable curves;
  curves.reference.create(n_items, n_levels);
  curves.focal.create(n_items, n_levels);
  for (std::size_t j = 0; j < levels.items(); ++j) {
    for (std::size_t k = 0; k < levels.levels(); ++k) {
      const bool valid = levels.is_valid(k, j);
      for (Group g : {kReference, kFocal}) {
        Table<double>& curve = g == kReference ? curves.reference : curves.focal;
        curve(j, k) = valid ? levels.counts[g][kCorrect](k, j) / levels.counts[g][kBoth](k, j)
                            : kNoProportion;
      }
    }
  }
  return curves;
}

}  // namespace itemdif::driver

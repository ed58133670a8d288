// Empirical item characteristic curves of both groups: proportions correct by level.
#pragma once

#include <cstddef>

#include "driver/levels.hpp"

namespace itemdif::driver {

/// Proportions lie in [0, 1]; this stands out among them as "not computed".
inline constexpr double kNoProportion = 9.0;

/// (item, level) tables of the proportion correct of each group; kNoProportion for a level not
/// valid for the item.
struct CurveTable {
  Table<double> reference;
  Table<double> focal;

  const Table<double>& group(Group g) const { return g == kReference ? reference : focal; }
};

/// The curves of every item from the counts of a pass.
CurveTable compute_curves(const LevelTables& levels);

}  // namespace itemdif::driver

// One level's two-by-two table for the tests of the per-level statistics.
#pragma once

#include "stats/dif_analysis.hpp"

namespace itemdif::stats::testing {

/// A, B reference correct and incorrect, C, D focal correct and incorrect.
inline LevelRow level(double a, double b, double c, double d, bool used = true) {
  LevelRow row;
  row.reference_correct = a;
  row.reference_incorrect = b;
  row.focal_correct = c;
  row.focal_incorrect = d;
  row.used = used;
  return row;
}

}  // namespace itemdif::stats::testing

// The analysis of a run as values: what each stage returned, gathered for the readers of a
// finished run (the report is written stage by stage as they come).
#pragma once

#include <cstddef>
#include <vector>

#include "driver/curves.hpp"
#include "driver/logistic_procedure.hpp"
#include "driver/passes.hpp"

namespace itemdif::driver {

struct Analysis {
  std::vector<PassResult> passes;  ///< pass 1, then pass 2
  CurveTable curves;               ///< from the counts of pass 2
  /// The logistic procedure (model 2 and above): the items left out of its trait (those pass 2
  /// purged), and one fit per item.
  std::vector<std::size_t> fit_purged;
  std::vector<ItemFit> fits;
};

}  // namespace itemdif::driver

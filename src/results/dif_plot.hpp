// The report's D-DIF plot: every item's Mantel-Haenszel D-DIF with its 95 % interval, one row
// per item in item order, over the bands of the ETS classes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "stats/analysis.hpp"

namespace itemdif::results {

struct DifPlot {
  std::string svg;                  ///< one <svg class="dif-plot"> element
  std::vector<std::size_t> absent;  ///< items without a D-DIF, in item order, shown as absent
};

/// Each item of the comparison with a D-DIF (`mh_d_dif`) is a point (class "d-point", its value
/// in data-d, coloured by its ETS class) with its interval (`mh_d_dif_low` to `mh_d_dif_high`)
/// as a line (clipped at the axis, the clipped end marked); an
/// item without one keeps its row, labelled as undefined. Dashed lines mark |D| = 1 and 1.5.
DifPlot dif_plot(const stats::Comparison& comparison);

}  // namespace itemdif::results

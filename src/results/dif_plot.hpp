// The report's D-DIF plot: every item's Mantel-Haenszel D-DIF with its 95 % interval, one row
// per item in item order, over the bands of the ETS classes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "stats/dif_analysis.hpp"

namespace itemdif::results {

/// The z of the two-sided 95 % interval, D-DIF +- kInterval95 SE.
inline constexpr double kInterval95 = 1.959964;

struct DifPlot {
  std::string svg;                  ///< one <svg class="dif-plot"> element
  std::vector<std::size_t> absent;  ///< items without a D-DIF, in item order, shown as absent
};

/// Each item with a D-DIF is a point (class "d-point", its value in data-d, coloured by its
/// ETS class) with its interval as a line (clipped at the axis, the clipped end marked); an
/// item without one keeps its row, labelled as undefined. Dashed lines mark |D| = 1 and 1.5.
DifPlot dif_plot(const stats::DifAnalysis& analysis);

}  // namespace itemdif::results

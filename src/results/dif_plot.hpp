// The report's D-DIF plot: every item's Mantel-Haenszel D-DIF with its 95 % interval, one row
// per item in item order, over the bands of the ETS classes; with several focal groups a mark
// per comparison in each row.
#pragma once

#include <cstddef>
#include <span>
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

struct ComparisonsDifPlot {
  std::string svg;  ///< one <svg class="dif-plot"> element
  /// Per comparison, its items without a D-DIF, in item order.
  std::vector<std::vector<std::size_t>> absent;
};

/// Every comparison in one plot: per item a mark (class "d-mark", coloured as the comparison's
/// focal group by its group_css) and interval per comparison with a D-DIF, the comparisons'
/// marks one below the other in their order; a legend entry ("legend-entry") per focal group
/// above the plot. A row whose item has a D-DIF in no comparison is labelled as undefined.
ComparisonsDifPlot comparisons_dif_plot(std::span<const stats::Comparison> comparisons);

}  // namespace itemdif::results

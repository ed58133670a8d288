// report.html: one self-contained page of a run's results, with its plots as inline SVG.
#pragma once

#include <string>

#include "results/run_description.hpp"
#include "stats/analysis.hpp"

namespace itemdif::results {

/// The whole page: the data and options, the item table with every computed method's classes
/// (flagged items first), the D-DIF plot and every item's empirical curves. With several focal
/// groups: the overall table (flagged first), a table of each comparison's ETS class and D-DIF
/// side by side (items flagged anywhere first), one D-DIF plot with a mark per comparison and a
/// legend of the focal groups, each comparison's rounds and (collapsed) item table, and the
/// curves of every group from the overall analysis's levels.
std::string html_report(const RunDescription& run, const stats::DifAnalysis& analysis);

}  // namespace itemdif::results

// report.html: one self-contained page of a run's results, with its plots as inline SVG.
#pragma once

#include <string>

#include "results/run_description.hpp"
#include "stats/analysis.hpp"

namespace itemdif::results {

/// The whole page: the data and options, the item table with every computed method's classes
/// (flagged items first), the D-DIF plot and every item's empirical curves.
std::string html_report(const RunDescription& run, const stats::DifAnalysis& analysis);

}  // namespace itemdif::results

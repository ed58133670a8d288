// The DIF analysis of item scores read from a data file: item ranges, matching, levels,
// purification rounds and every item's method values, as the analysis values.
#pragma once

#include <cstddef>
#include <functional>

#include "data/item_scores.hpp"
#include "stats/analysis.hpp"
#include "stats/analysis_options.hpp"

namespace itemdif::stats {

/// Progress of a long analysis: the round and the items done in it.
using Progress = std::function<void(int round, std::size_t items_done, std::size_t items)>;

/// Runs the analysis. Invalid options (levels that do not fit, a count below 1, a method list
/// without Mantel-Haenszel first) throw data::InputError.
DifAnalysis analyze_scores(const data::ItemScores& scores, const AnalyzeOptions& options,
                           const Progress& progress = {});

}  // namespace itemdif::stats

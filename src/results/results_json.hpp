// results.json: the run's facts, the purification rounds and every item with its levels and
// coefficients, under the names of the CSV files' columns.
#pragma once

#include <string>

#include "results/run_facts.hpp"
#include "stats/dif_analysis.hpp"

namespace itemdif::results {

/// The whole file's text; undefined numbers are null, never NaN.
std::string results_json(const RunFacts& run, const stats::DifAnalysis& analysis);

}  // namespace itemdif::results

// results.json: the run's description, the groups and every comparison with its purification
// rounds and items, each item with its levels and coefficients, under the names of the CSV
// files' columns.
#pragma once

#include <string>

#include "results/run_description.hpp"
#include "stats/analysis.hpp"

namespace itemdif::results {

/// The whole file's text; undefined numbers are null, never NaN.
std::string results_json(const RunDescription& run, const stats::DifAnalysis& analysis);

}  // namespace itemdif::results

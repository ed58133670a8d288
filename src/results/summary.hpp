// The summary of an `analyze` run on standard output: a reader of the analysis's values.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "results/run_description.hpp"
#include "stats/analysis.hpp"
#include "stats/analysis_options.hpp"

namespace itemdif::results {

/// Groups and their sizes, the rows left out, the options in force and per comparison the
/// purification rounds, one line per item and the flagged items.
void write_summary(std::ostream& out, const RunDescription& run,
                   const stats::DifAnalysis& analysis);

/// The text of each option as the command line writes it: "thin", "iterative", "ets-c", ...
std::string levels_text(const stats::LevelSpec& levels);
const char* missing_text(stats::MissingPolicy policy);
const char* purify_text(stats::PurifyMode mode);
const char* adjust_text(stats::Adjust adjust);

}  // namespace itemdif::results

// What the results files of an `analyze` run say besides the analysis: the command line's
// input and options, and the groups as read.
#pragma once

#include <string>
#include <vector>

#include "cli/analyze_command.hpp"
#include "results/run_facts.hpp"

namespace itemdif::cli {

/// The options in force as the command line writes them (given or default), the groups' values
/// and sizes, and the rows left out (of neither group, or listwise).
results::RunFacts analyze_run_facts(const AnalyzeArguments& arguments,
                                    const data::ItemScores& scores,
                                    const stats::DifAnalysis& analysis,
                                    const std::vector<std::string>& methods);

}  // namespace itemdif::cli

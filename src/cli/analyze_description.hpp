// The description of an `analyze` run: the command line's input and options, and what was read.
#pragma once

#include "cli/analyze_command.hpp"
#include "results/run_description.hpp"

namespace itemdif::cli {

/// The options in force as the command line writes them (given or default), the analysis's
/// options as values, the methods run, and the items and rows read.
results::RunDescription analyze_description(const AnalyzeArguments& arguments,
                                            const stats::AnalyzeOptions& options,
                                            const data::ItemScores& scores);

}  // namespace itemdif::cli

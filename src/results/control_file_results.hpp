// A completed control-file run as the values the results files read: its pass 2 as the last
// round of a DIF analysis with one comparison, and the control file's settings as the run's
// description.
#pragma once

#include <string>

#include "driver/analysis.hpp"
#include "driver/run_data.hpp"
#include "results/run_description.hpp"
#include "stats/analysis.hpp"

namespace itemdif::results {

/// Per item: the examinees of each group with a 0 or 1 score and their proportion correct;
/// pass 2's Mantel-Haenszel values at full precision (its own chi-square and p, which also
/// stands as the adjusted p; the odds ratio's interval from its standard error); the report's
/// ETS category with the sign of MH D-DIF; flagged when pass 2 codes it C; pass 2's level
/// tables; the logistic procedure's fit as model "legacy". The passes are the rounds; the
/// groups are named by their data files.
stats::DifAnalysis control_file_analysis(const driver::RunData& run,
                                         const driver::Analysis& analysis);

/// The control file (as named on the command line), its title, model, levels and files, and
/// Mantel-Haenszel as the one method run.
RunDescription control_file_description(const std::string& control_file,
                                        const driver::RunData& run);

}  // namespace itemdif::results

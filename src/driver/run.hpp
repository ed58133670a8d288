// One analysis from the prompt to the end of the report.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>

#include "driver/analysis.hpp"
#include "driver/run_data.hpp"
#include "textio/channels.hpp"

namespace itemdif::driver {

/// Runs one analysis of the control file named by `run.control_file_name`, writing the report
/// stage by stage and the progress lines to `console`. Returns the analysis of a completed run;
/// every other end travels as AnalysisStop, textio::QuietStop or textio::IoError.
Analysis analyze_control_file(RunData& run, textio::OutputChannel& console);

/// The two Mantel-Haenszel passes, each written to `report` as soon as it is known, into
/// `analysis.passes`; a progress line per pass on `console`.
void run_passes(const RunData& run, Analysis& analysis, textio::OutputChannel& report,
                textio::OutputChannel& console);

/// The threads the logistic procedure fits its items on.
inline constexpr std::size_t kFitThreads = 2;

/// The logistic procedure on the items pass 2 purged: its purge list and one fit per item,
/// each written as it is known, into `analysis`; a progress line per item on `console`. With
/// more than one of `fit_threads` the fits are made ahead on that many workers, which changes
/// nothing written.
void run_logistic_procedure(const RunData& run, Analysis& analysis,
                            textio::OutputChannel& report, textio::OutputChannel& console,
                            std::size_t fit_threads = kFitThreads);

/// The dialogue on the console: the prompt, then the analysis of the control file named in the
/// reply, ended as an exit status: 0 for a completed run, 1 for a fatal condition of the
/// analysis (its message on the console) or the status of a quiet stop of the numerical
/// routines, 2 for a run-time error, whose line(s) go to `errors` as
/// "itemdif: severe (N): text".
int run_dialogue(std::ostream& errors);

/// The same analysis of a control file named by the caller: the console shows the banner but
/// no prompt, and the run ends as the dialogue's does. A name of more than 80 characters is
/// the caller's to refuse.
int run_control_file(const std::string& control_file_name, std::ostream& errors);

/// A completed run's values, for readers that come after the report.
struct CompletedRun {
  RunData run;
  Analysis analysis;
};

/// run_control_file that also hands back the values of a completed run (status 0) in
/// `completed`; after any other end `completed` stays empty. The console, report, messages
/// and status are those of run_control_file.
int run_control_file(const std::string& control_file_name, std::ostream& errors,
                     std::optional<CompletedRun>& completed);

}  // namespace itemdif::driver

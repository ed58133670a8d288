// One analysis from the prompt to the end of the report.
#pragma once

#include <iosfwd>

namespace itemdif::driver {

/// Runs one analysis on the console channels. Returns normally when the run is complete; every
/// other end travels as textio::QuietStop or textio::IoError.
void run_analysis();

/// Runs one analysis and turns its end into the exit status: 0 for a completed run, the
/// status of a quiet stop, or 2 for a run-time error, whose line(s) go to `errors` as
/// "itemdif: severe (N): text".
int run_to_status(std::ostream& errors);

}  // namespace itemdif::driver

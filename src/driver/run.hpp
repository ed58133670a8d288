// One analysis from the prompt to the end of the report.
#pragma once

namespace itemdif::driver {

/// Runs one analysis on the console channels. Returns normally when the run is complete; every
/// other end travels as textio::QuietStop or textio::IoError.
void run_analysis();

}  // namespace itemdif::driver

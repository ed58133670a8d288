// Run start and the control file: banner, prompt, the twelve entries and their keyword tests.
#pragma once

#include <array>
#include <string>

#include "driver/run_data.hpp"

namespace itemdif::driver {

/// The three banner texts, 60 characters each; the console and the report header show them.
const std::array<std::string, 3>& banner_texts();

/// Clears the console, shows the banner and the prompt, and reads the reply into
/// `control_file_name`.
void start_run(RunData& run);

/// Reads the control file named by `control_file_name` on channel 12, creating the tables that
/// its counts size as soon as they are known, and closes it. A keyword out of place writes its
/// message to the console and throws QuietStop{1}; unreadable values end the run as IoError.
void read_control_file(RunData& run);

}  // namespace itemdif::driver

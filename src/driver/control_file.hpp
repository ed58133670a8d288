// The control file: its name at the prompt, the twelve entries and their keyword tests.
#pragma once

#include <array>
#include <string>

#include "driver/run_data.hpp"
#include "textio/channels.hpp"

namespace itemdif::driver {

/// The three banner texts, 60 characters each; the console and the report header show them.
const std::array<std::string, 3>& banner_texts();

/// Reads the reply to the prompt from `console` into `control_file_name`.
void read_control_file_name(RunData& run, textio::InputChannel& console);

/// Reads the control file named by `control_file_name` on channel 12, creating the tables that
/// its counts size as soon as they are known, and closes it. A keyword out of place throws
/// AnalysisStop{keyword_missing}; unreadable values end the run as IoError.
void read_control_file(RunData& run);

}  // namespace itemdif::driver

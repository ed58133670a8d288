// The control-file targets' input: a control file, then the reference and the focal group's
// records, separated by the byte 0x1e; and the bounds that keep a run small.
#pragma once

#include <string>
#include <string_view>

#include "driver/run_data.hpp"

namespace itemdif::fuzz {

struct ControlRunInput {
  std::string control;
  std::string reference;
  std::string focal;
};

ControlRunInput split_control_run(std::string_view input);

/// Whether the control file's text holds no number of seven digits or more. The counts size
/// the run's tables before any record is read (the memory check refuses only what the machine
/// cannot give), so larger counts would make the fuzzer's memory limit the finding; the layout
/// targets take numbers of any size.
bool counts_are_small(std::string_view control);

/// Whether the run that `run` describes (its control file read) names only files in the
/// working folder and has at most a million scores.
bool run_is_small(const driver::RunData& run);

/// A file name as the control file gives it, without its trailing blanks.
std::string trimmed_name(const std::string& name);

/// Writes the control file as run.ctl in the working folder and reads it into `run`; false
/// when the reading ends in an input error or a stop of the analysis.
bool read_control(const ControlRunInput& input, driver::RunData& run);

}  // namespace itemdif::fuzz

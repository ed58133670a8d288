// The report file: opening it, its header, and the end of a completed run.
#pragma once

#include <memory>

#include "driver/run_data.hpp"
#include "textio/channels.hpp"

namespace itemdif::driver {

/// Opens `output_file_name` on channel 11, created or replaced.
std::unique_ptr<textio::OutputChannel> open_report(const RunData& run);

/// Banner, title block, group sizes, conditioning levels and the reading note.
void write_report_header(const RunData& run, textio::OutputChannel& report);

/// Closes the report and names it on the console.
void end_run(const RunData& run, textio::OutputChannel& report);

}  // namespace itemdif::driver

// What the dialogue shows on the console: the banner and prompt, the progress lines, the end
// of a completed run and the messages of the analysis's fatal conditions.
#pragma once

#include <cstdint>

#include "driver/run_data.hpp"
#include "driver/stops.hpp"
#include "textio/channels.hpp"

namespace itemdif::driver {

/// Clears the console (when it is a terminal) and shows the banner.
void show_banner(textio::OutputChannel& console);

/// The banner, then the prompt for the control file's name.
void show_prompt(textio::OutputChannel& console);

/// "READING DATA FROM REFERENCE GROUP" or "... FOCAL GROUP".
void show_reading(textio::OutputChannel& console, Group group);

/// The progress line of Mantel-Haenszel pass `number`.
void show_pass(textio::OutputChannel& console, std::int32_t number);

/// The heading of the logistic regressions, and the line of each item by its position.
void show_logistic_heading(textio::OutputChannel& console);
void show_item_fit(textio::OutputChannel& console, std::int32_t position);

/// The last line of a completed run, naming the report.
void show_report_name(textio::OutputChannel& console, const RunData& run);

/// The message of a fatal condition of the analysis.
void show_stop(textio::OutputChannel& console, const AnalysisStop& stop);

}  // namespace itemdif::driver

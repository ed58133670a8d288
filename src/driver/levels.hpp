// Conditioning levels: placing the examinees of both groups by matching score and counting
// correct and incorrect answers per level and item.
#pragma once

#include "driver/run_data.hpp"
#include "textio/channels.hpp"

namespace itemdif::driver {

/// One counting pass over both groups for `run.pass` (1 or 2). Clears and refills
/// `level_counts`, `level_size` and `level_valid`; in pass 2 an item whose `ets_code` is 'C'
/// (the codes of pass 1, still in place) is matched on the purified total plus the examinee's
/// own score on it. Writes one warning line to `report` for every level that is thin for item 1.
void count_levels(RunData& run, textio::OutputChannel& report);

/// Ends the run because an item has no usable conditioning level: clears the console, writes
/// the two fatal lines and throws QuietStop{1}.
[[noreturn]] void conditioning_windows_too_small();

}  // namespace itemdif::driver

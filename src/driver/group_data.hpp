// Group data: the item scores of both groups, the totals, and the no-variance check.
#pragma once

#include <memory>

#include "driver/run_data.hpp"
#include "textio/channels.hpp"

namespace itemdif::driver {

/// Opens the group's data file (channel 20 for the reference group, 30 for the focal group),
/// shows the console line and reads one row of `n_items` scores per examinee under the group's
/// record layout. The layout is compiled at the first record, so a group of 0 examinees never
/// looks at it. Returns the channel, which stays open until the run ends.
std::unique_ptr<textio::InputChannel> read_group(RunData& run, Group group);

/// Every examinee's total: 0 plus the item scores in item order, reference group first.
void form_totals(RunData& run);

/// Reports every item that has no variance in a group; when there is one, writes the two
/// console lines and throws QuietStop{1}.
void check_variance(const RunData& run, textio::OutputChannel& report);

}  // namespace itemdif::driver

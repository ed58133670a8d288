// Group data: the item scores of both groups, and the items without variance.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "driver/run_data.hpp"
#include "textio/channels.hpp"

namespace itemdif::driver {

/// Opens the group's data file: channel 20 for the reference group, 30 for the focal group.
std::unique_ptr<textio::InputChannel> open_group_file(const RunData& run, Group group);

/// Reads one row of `n_items` scores per examinee of the group from `file` under the group's
/// record layout. The layout is compiled at the first record, so a group of 0 examinees never
/// looks at it.
void read_group(RunData& run, Group group, textio::InputChannel& file);

/// The items whose scores sum to 0 or to the group's size, in item order.
std::vector<std::size_t> items_without_variance(const RunData& run, Group group);

}  // namespace itemdif::driver

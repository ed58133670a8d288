// The two Mantel-Haenszel passes: counting, statistics, purification and the result tables.
#pragma once

#include <cstddef>
#include <cstdint>

#include "driver/run_data.hpp"
#include "textio/channels.hpp"

namespace itemdif::driver {

/// Runs pass 1 on the totals as read and pass 2 on the totals without the items coded C in
/// pass 1, writing a progress line per pass to the console and each pass's heading, warnings,
/// result table (and after pass 1 the purge list) to `report`. Leaves the pass-2 level tables,
/// statistics, ets_code, favored_group and purged_count for the curves and the logistic
/// procedure; the totals stay lowered by the pass-1 purge.
void run_passes(RunData& run, textio::OutputChannel& report);

/// Sets purged_count and favored_group from the categories of the current pass and, when
/// `lower_totals` is set, removes every item coded C from both groups' totals.
void purify(RunData& run, bool lower_totals);

/// Subtracts every examinee's score on item `j` from the examinee's total, both groups.
void remove_from_totals(RunData& run, std::size_t j);

/// The count of items coded C after pass `pass` (1 or 2), "Item Numbers: " and the label of
/// each such item on a line of its own, in item order.
void write_purge_list(const RunData& run, textio::OutputChannel& report, std::int32_t pass);

/// The SE heading, the column headings and one line per item.
void write_pass_table(const RunData& run, textio::OutputChannel& report);

}  // namespace itemdif::driver

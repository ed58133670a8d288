// A Mantel-Haenszel pass as a value: its counts, its statistics, and the items it purges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "driver/levels.hpp"
#include "driver/mantel_haenszel.hpp"

namespace itemdif::driver {

struct PassResult {
  std::int32_t number = 0;  ///< 1 or 2
  LevelTables levels;
  std::vector<MhItem> items;
  /// By item: 'R' or 'F' for an item coded C whose alpha names the group it favours, else ' '.
  std::vector<char> favored_group;
  /// The items coded C, in item order.
  std::vector<std::size_t> purged;
};

/// The statistics, favoured groups and purge list of pass `number` from its counts. Throws
/// AnalysisStop as mantel_haenszel does.
PassResult pass_result(std::int32_t number, LevelTables levels);

/// The matching of each pass: pass 1 on the totals as read; pass 2 on the totals without the
/// items pass 1 purged, each of which is matched on that total plus its own score.
Matching pass_matching(const RunData& run, const PassResult* previous);

}  // namespace itemdif::driver

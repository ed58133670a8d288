// A Mantel-Haenszel pass as a value: its counts, its statistics, and the items it purges.
#include "driver/passes.hpp"

#include <utility>

namespace itemdif::driver {

PassResult pass_result(std::int32_t number, LevelTables levels) {
  PassResult pass;
  pass.number = number;
  pass.items = mantel_haenszel(levels);
  pass.levels = std::move(levels);
  pass.favored_group.assign(pass.items.size(), ' ');
  for (std::size_t j = 0; j < pass.items.size(); ++j) {
    const MhItem& item = pass.items[j];
    if (item.category != 'C') continue;
    pass.purged.push_back(j);
    // An alpha of exactly 1 names neither group.
    if (item.alpha > 1.0)
      pass.favored_group[j] = 'R';
    else if (item.alpha < 1.0)
      pass.favored_group[j] = 'F';
  }
  return pass;
}

Matching pass_matching(const RunData& run, const PassResult* previous) {
  static const std::vector<std::size_t> none;
  return match_without(run, previous ? previous->purged : none, true);
}

}  // namespace itemdif::driver

// Item types and score ranges.
#include "stats/item_range.hpp"

#include <algorithm>

namespace itemdif::stats {

std::vector<ItemRange> item_ranges(const data::ItemScores& scores,
                                   const std::vector<std::uint8_t>& taking_part) {
  const std::size_t items = scores.n_items();
  // Missing is the largest byte: it raises no minimum and is masked out of the maximum.
  std::vector<std::uint8_t> low(items, data::kMissing), high(items, 0);
  std::uint8_t* __restrict lowest = low.data();
  std::uint8_t* __restrict highest = high.data();
  const std::uint8_t* row = scores.scores.data();
  for (std::size_t i = 0; i < scores.n_examinees; ++i, row += items) {
    if (!taking_part[i]) continue;
    const std::uint8_t* __restrict x = row;
    for (std::size_t j = 0; j < items; ++j) {
      lowest[j] = std::min(lowest[j], x[j]);
      highest[j] = std::max<std::uint8_t>(highest[j], x[j] == data::kMissing ? 0 : x[j]);
    }
  }
  std::vector<ItemRange> ranges(items);
  for (std::size_t j = 0; j < items; ++j)
    if (high[j] > 1) ranges[j] = {low[j], high[j], true};
  return ranges;
}

}  // namespace itemdif::stats

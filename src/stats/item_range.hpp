// An item's type and score range: dichotomous items are scored 0..1 whatever they hold; any
// other item runs from its smallest to its largest score in the analysed rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/item_scores.hpp"

namespace itemdif::stats {

struct ItemRange {
  int score_min = 0;
  int score_max = 1;
  bool polytomous = false;
};

/// The range of every item over the examinees with `taking_part[i]` set; an item without any
/// score there is dichotomous.
std::vector<ItemRange> item_ranges(const data::ItemScores& scores,
                                   const std::vector<std::uint8_t>& taking_part);

}  // namespace itemdif::stats

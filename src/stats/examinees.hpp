// Who takes part in an analysis under its missing-response policy, and how one response is
// counted in an item's tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/item_scores.hpp"
#include "stats/dif_analysis.hpp"

namespace itemdif::stats {

/// The examinees of an analysis: 1 for every examinee taking part, 0 for one left out.
struct Examinees {
  std::vector<std::uint8_t> taking_part;
  std::size_t n_reference = 0;
  std::size_t n_focal = 0;
  std::size_t left_out = 0;  ///< left out under the listwise policy
};

/// Checks the shape of the scores (every score 0, 1 or missing, every group code known) and
/// leaves out, under the listwise policy, every examinee with a missing response. Throws
/// data::InputError on scores of the wrong shape.
Examinees select_examinees(const data::ItemScores& scores, MissingPolicy policy);

}  // namespace itemdif::stats

// Who takes part in an analysis under its missing-response policy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/item_scores.hpp"
#include "stats/analysis_options.hpp"

namespace itemdif::stats {

/// The examinees of an analysis: 1 for every examinee taking part, 0 for one left out.
struct Examinees {
  std::vector<std::uint8_t> taking_part;
  std::vector<std::size_t> group_sizes;  ///< by group code
  std::size_t left_out = 0;              ///< left out under the listwise policy
};

/// Checks the shape of the scores (one group code below `groups` and a score byte per item for
/// every examinee) and leaves out, under the listwise policy, every examinee with a missing
/// response. Throws data::InputError on scores of the wrong shape.
Examinees select_examinees(const data::ItemScores& scores, std::size_t groups,
                           MissingPolicy policy);

}  // namespace itemdif::stats

// One round's counting pass: every examinee's matching score and, per item, the examinees of
// each group answering correctly and incorrectly at each matching score.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/item_scores.hpp"
#include "stats/dif_analysis.hpp"
#include "stats/examinees.hpp"

namespace itemdif::stats {

/// Counts by item, matching score 0..items, group and response (0 incorrect, 1 correct). An
/// item's examinees are those with a counted response; each is counted once, at the score
/// the item is matched on.
class ScoreCounts {
 public:
  ScoreCounts(std::size_t items, std::size_t max_score)
      : scores_(max_score + 1), counts_(items * scores_ * 4, 0) {}

  std::uint32_t at(std::size_t item, std::size_t score, std::uint8_t group,
                   std::uint8_t response) const {
    return counts_[index(item, score, group, response)];
  }
  std::size_t max_score() const { return scores_ - 1; }

  /// The counts of one item, score after score, four to a score: [group * 2 + response].
  std::uint32_t* item_data(std::size_t item) { return counts_.data() + item * scores_ * 4; }

 private:
  std::size_t index(std::size_t item, std::size_t score, std::uint8_t group,
                    std::uint8_t response) const {
    return ((item * scores_ + score) * 2 + group) * 2 + response;
  }
  std::size_t scores_;
  std::vector<std::uint32_t> counts_;
};

/// One pass over the scores. `matching[j]` is 1 for the items whose scores make up the
/// matching score; an item outside that set is matched on the sum plus its own score. A missing
/// response counts 0 in the sum; in an item's own counts it is left out under `excluded` and
/// counted incorrect otherwise.
ScoreCounts count_scores(const data::ItemScores& scores, const Examinees& examinees,
                         MissingPolicy policy, const std::vector<std::uint8_t>& matching);

}  // namespace itemdif::stats

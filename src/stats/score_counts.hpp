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

/// Counts by item, matching score, group and response (0 incorrect, 1 correct). An item's
/// examinees are those with a counted response; each is counted once, at the score the item is
/// matched on.
///
/// Every item matched on shares the examinee's sum, so its counts are kept score-major with the
/// items side by side (one examinee adds to one contiguous row of items); an item outside the
/// matching set, matched on the sum plus its own score, has a table of its own.
class ScoreCounts {
 public:
  ScoreCounts(std::size_t items, const std::vector<std::uint8_t>& matching);

  std::uint32_t at(std::size_t item, std::size_t score, std::uint8_t group,
                   std::uint8_t response) const;
  /// The highest matching score of any item.
  std::size_t max_score() const { return scores_ - 1; }

 private:
  friend ScoreCounts count_scores(const data::ItemScores&, const Examinees&, MissingPolicy,
                                  const std::vector<std::uint8_t>&);

  std::size_t row(std::size_t sum, std::uint8_t group) const {
    return (sum * 2 + group) * items_;
  }

  std::size_t items_;
  std::size_t scores_;
  std::vector<std::uint8_t> matching_;
  std::vector<std::uint32_t> examinees_;  ///< [sum][group]: examinees with that sum
  std::vector<std::uint32_t> correct_;    ///< [sum][group][item]
  std::vector<std::uint32_t> missing_;    ///< [sum][group][item]: responses left out
  std::vector<std::size_t> own_slot_;     ///< item -> its own table, for items not matched on
  std::vector<std::uint32_t> own_;        ///< [slot][score][group][response]
};

/// One pass over the scores. `matching[j]` is 1 for the items whose scores make up the
/// matching score; an item outside that set is matched on the sum plus its own score. A missing
/// response counts 0 in the sum; in an item's own counts it is left out under `excluded` and
/// counted incorrect otherwise.
ScoreCounts count_scores(const data::ItemScores& scores, const Examinees& examinees,
                         MissingPolicy policy, const std::vector<std::uint8_t>& matching);

}  // namespace itemdif::stats

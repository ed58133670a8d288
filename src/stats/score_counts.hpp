// One round's counting pass: every examinee's matching score and, per item, the examinees of
// each group with each item score at each matching score.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "data/item_scores.hpp"
#include "stats/analysis_options.hpp"
#include "stats/item_range.hpp"

namespace itemdif::stats {

/// What a counting pass gathers besides the counts, for the methods that ask.
struct CountExtras {
  /// Per group, each item's sum and sum of squared scores (SIBTEST's reliabilities).
  bool item_moments = false;

  CountExtras& operator|=(const CountExtras& other) {
    item_moments = item_moments || other.item_moments;
    return *this;
  }
};

/// The range of a matching score read from the data rather than summed from the items.
struct ExternalRange {
  int low = 0, high = 0;
};

/// The number of scores, their sum and their sum of squares.
struct Moments {
  double n = 0, sum = 0, squares = 0;
};

/// Counts by item, matching score, group and item score. An item's examinees are those with a
/// counted response; each is counted once, at the score the item is matched on.
///
/// Every item matched on shares the examinee's sum, so its counts are kept sum-major with the
/// items side by side: one examinee adds to one contiguous row, in which an item scored up to
/// K has K counters (scores 1..K; the examinees left over scored 0, or were missing and count
/// at the item's lowest score). An item outside the matching set, matched on the sum plus its
/// own score, has a table of its own.
class ScoreCounts {
 public:
  ScoreCounts(const std::vector<ItemRange>& ranges, std::size_t groups,
              const std::vector<std::uint8_t>& matching,
              std::optional<ExternalRange> external = std::nullopt);

  /// Examinees of `group` with matching score `lowest_sum() + sum` and score `score` on `item`.
  std::uint32_t at(std::size_t item, std::size_t sum, std::size_t group, int score) const;
  /// The highest matching score of any item, counted from the lowest.
  std::size_t max_sum() const { return sums_ - 1; }
  /// The lowest matching score: 0 for sums of item scores, else the external score's lowest.
  int lowest_sum() const { return lowest_sum_; }
  std::size_t groups() const { return groups_; }
  /// Over the examinees of `group` with a counted response to item `of` (every counted
  /// examinee when `of` is none): the moments of item `item`'s scores, a missing score at the
  /// item's lowest. Needs a pass that gathered item moments.
  Moments item_moments(std::size_t group, std::size_t item,
                       std::optional<std::size_t> of = std::nullopt) const;

 private:
  friend ScoreCounts count_scores(const data::ItemScores&, const std::vector<std::uint8_t>&,
                                  const std::vector<ItemRange>&, std::size_t, MissingPolicy,
                                  const std::vector<std::uint8_t>&, std::span<const std::uint8_t>,
                                  CountExtras, std::optional<ExternalRange>);

  std::size_t row(std::size_t sum, std::size_t group) const {
    return (sum * groups_ + group) * row_width_;
  }

  std::vector<ItemRange> ranges_;
  std::size_t groups_;
  std::size_t sums_;
  int lowest_sum_ = 0;
  std::vector<std::uint8_t> matching_;
  std::vector<std::size_t> offset_;       ///< item -> its first counter in a row
  std::size_t row_width_ = 0;             ///< counters per row
  std::vector<std::uint32_t> examinees_;  ///< [sum][group]: examinees with that sum
  std::vector<std::uint32_t> scored_;     ///< [sum][group][counter]: scores 1..K of each item
  std::vector<std::uint32_t> missing_;    ///< [sum][group][item]: responses left out
  std::vector<std::size_t> own_slot_;     ///< item -> its own table, for items not matched on
  std::vector<std::uint32_t> own_;        ///< [slot][sum][group][score 0..K]
  // Item moments, when gathered: [group][item] over every counted examinee, and under
  // `excluded` [group][missing item][item] over those without a response to the missing item.
  bool moments_ = false;
  std::vector<std::uint64_t> group_n_, item_sum_, item_squares_;
  std::vector<std::uint64_t> missing_n_, missing_sum_, missing_squares_;
  std::vector<std::uint32_t> missing_count_;  ///< for 0/1 items: the correction's sums
};

/// One pass over the scores of the examinees with `taking_part[i]` set, whose group codes run
/// from 0 to `groups` - 1. `matching[j]` is 1 for the items whose scores make up the matching
/// score; an item outside that set is matched on the sum plus its own score. A missing response
/// counts as the item's lowest score in the sum; in an item's own counts it is left out under
/// `excluded` and counted at the lowest score otherwise.
///
/// `counted_group`, when given, maps every group code of the scores to its group in the counts
/// (below `groups`), or to `groups` or above for a group left out of the pass: a comparison of
/// two groups among several counts those two alone, in tables of two groups.
///
/// With `external`, the matching score is the examinee's `scores.match` in that range, and no
/// item's own score is added to it.
ScoreCounts count_scores(const data::ItemScores& scores,
                         const std::vector<std::uint8_t>& taking_part,
                         const std::vector<ItemRange>& ranges, std::size_t groups,
                         MissingPolicy policy, const std::vector<std::uint8_t>& matching,
                         std::span<const std::uint8_t> counted_group = {},
                         CountExtras extras = {},
                         std::optional<ExternalRange> external = std::nullopt);

}  // namespace itemdif::stats

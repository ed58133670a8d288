// One level of one item: its examinees by group and by item score.
#pragma once

#include <cstddef>
#include <vector>

namespace itemdif::stats {

/// The four cells of a dichotomous item's level in a two-group comparison: A, B reference
/// correct and incorrect, C, D focal correct and incorrect.
struct TwoByTwo {
  double a = 0, b = 0, c = 0, d = 0;
};

/// Counts of one level of the matching score (`low`..`high`) for each group of a comparison
/// (group 0 the reference group) and each score of the item's range.
class LevelTable {
 public:
  LevelTable() = default;
  LevelTable(int low, int high, std::size_t groups, int score_min, int score_max)
      : low(low), high(high), groups_(groups), score_min_(score_min),
        counts_(groups * static_cast<std::size_t>(score_max - score_min + 1), 0.0) {}

  int low = 0;
  int high = 0;
  bool used = false;  ///< every group has enough of the item's examinees in the level

  std::size_t groups() const { return groups_; }
  int score_min() const { return score_min_; }
  int score_max() const { return score_min_ + static_cast<int>(scores()) - 1; }

  double count(std::size_t group, int score) const { return counts_[slot(group, score)]; }
  double& count(std::size_t group, int score) { return counts_[slot(group, score)]; }
  /// The group's examinees in the level.
  double group_size(std::size_t group) const;
  /// The sum of the group's item scores.
  double score_sum(std::size_t group) const;

  /// The 2x2 view of a dichotomous item (scores 0 and 1) in a two-group comparison.
  TwoByTwo two_by_two() const {
    return {count(0, 1), count(0, 0), count(1, 1), count(1, 0)};
  }

 private:
  std::size_t scores() const { return groups_ == 0 ? 0 : counts_.size() / groups_; }
  std::size_t slot(std::size_t group, int score) const {
    return group * scores() + static_cast<std::size_t>(score - score_min_);
  }

  std::size_t groups_ = 0;
  int score_min_ = 0;
  std::vector<double> counts_;  ///< [group][score - score_min]
};

inline double LevelTable::group_size(std::size_t group) const {
  double n = 0;
  for (int y = score_min_; y <= score_max(); ++y) n += count(group, y);
  return n;
}

inline double LevelTable::score_sum(std::size_t group) const {
  double sum = 0;
  for (int y = score_min_; y <= score_max(); ++y) sum += y * count(group, y);
  return sum;
}

}  // namespace itemdif::stats

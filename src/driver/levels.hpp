// Conditioning levels: placing the examinees of both groups by matching score and counting
// correct and incorrect answers per level and item.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "driver/run_data.hpp"

namespace itemdif::driver {

/// What one pass matches the examinees on: every examinee's total, and the items that are
/// matched on that total plus the examinee's own score on the item (items taken out of the
/// total), in item order.
struct Matching {
  std::vector<double> reference_total;
  std::vector<double> focal_total;
  std::vector<std::size_t> own_score_items;

  const std::vector<double>& total(Group group) const {
    return group == kReference ? reference_total : focal_total;
  }
};

/// The counts of one pass, each a (level, item) table. A cell is valid when both groups have
/// at least ten examinees with a 0 or 1 score in it.
/// The tables are empty when either count is 0.
struct LevelTables {
  std::size_t n_levels = 0;
  std::size_t n_items = 0;
  Table<double> counts[2][3];  // [group][response class]
  Table<double> size;          // examinees of both groups
  Table<std::int32_t> valid;   // 1 valid, 0 not

  std::size_t levels() const { return n_levels; }
  std::size_t items() const { return n_items; }
  bool is_valid(std::size_t k, std::size_t j) const { return valid(k, j) == 1; }
};

/// Every examinee's total: 0 plus the item scores in item order, less the scores of the
/// `removed` items in their order.
std::vector<double> matching_totals(const ScoreTable& responses,
                                    const std::vector<std::size_t>& removed);

/// The matching of a pass: totals without the `removed` items, which are matched on the total
/// plus their own score when `own_score` is set.
Matching match_without(const RunData& run, const std::vector<std::size_t>& removed,
                       bool own_score);

/// One counting pass over both groups: a score of 1 counts as correct, 0 as incorrect, any
/// other value in neither class.
LevelTables count_levels(const RunData& run, const Matching& matching);

/// The levels not valid for item 1, in level order (none when there is no item).
std::vector<std::size_t> thin_levels(const LevelTables& tables);

}  // namespace itemdif::driver

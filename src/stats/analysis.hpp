// The values of a DIF analysis, as every writer reads them: the groups, per comparison its
// purification rounds and every item's descriptive values, level tables and method values, and
// with several focal groups the overall analysis of every group together.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "stats/cell.hpp"
#include "stats/item_range.hpp"
#include "stats/level_table.hpp"
#include "stats/method.hpp"

namespace itemdif::stats {

/// One item of one comparison in the last round.
struct ItemResult {
  std::string name;
  ItemRange range;
  std::size_t n_reference = 0;  ///< the item's examinees of each group
  std::size_t n_focal = 0;
  std::optional<double> mean_reference, mean_focal;  ///< their mean score
  /// By position in the method list; a method not run has no cells.
  std::vector<MethodValues> methods;
  bool flagged = false;
  std::string note;  ///< why values are empty; "; " between reasons
  std::vector<LevelTable> levels;

  /// The value of column `name` of any method; undefined when its method was not run.
  Cell cell(std::string_view name) const;
  /// The value of column `column` of method `method` (positions in the method list).
  Cell cell(std::size_t method, std::size_t column) const;
  std::optional<double> number(std::string_view name) const { return cell_number(cell(name)); }
  std::string text(std::string_view name) const { return cell_text(cell(name)); }
};

struct Round {
  int number = 0;
  std::vector<std::size_t> flagged;  ///< items, in item order
};

/// The reference group against one focal group.
struct Comparison {
  std::string focal;  ///< the focal group's value
  std::vector<Round> rounds;
  bool converged = false;
  std::vector<ItemResult> items;
};

/// One item of the overall analysis in its last round.
struct OverallItem {
  std::string name;
  ItemRange range;
  std::size_t n = 0;        ///< the item's examinees of every group
  std::vector<Cell> cells;  ///< aligned with `overall_columns()`
  std::vector<Coefficient> coefficients;  ///< of the generalized logistic models
  bool flagged = false;
  std::string note;  ///< why values are empty; "; " between reasons
  /// Every level with every group: group 0 the reference group, g the g-th focal group.
  std::vector<LevelTable> levels;

  /// The value of overall column `name`.
  Cell cell(std::string_view name) const;
  std::optional<double> number(std::string_view name) const { return cell_number(cell(name)); }
  std::string text(std::string_view name) const { return cell_text(cell(name)); }
};

/// The columns of the overall analysis's items, in the order of the results files.
std::span<const Column> overall_columns();

/// Every group together, purified on its own.
struct OverallAnalysis {
  /// Positions in `overall_columns()` of the values computed: the generalized MH's, and the
  /// logistic regression's when it ran.
  std::vector<std::size_t> columns;
  std::vector<Round> rounds;
  bool converged = false;
  std::vector<OverallItem> items;
};

struct GroupSize {
  std::string value;  ///< as the data write it (or its label)
  std::size_t n = 0;  ///< examinees in the analysis
};

struct DifAnalysis {
  GroupSize reference;
  std::vector<GroupSize> focal;
  std::size_t listwise_left_out = 0;  ///< examinees left out for a missing response
  std::vector<Comparison> comparisons;  ///< one per focal group, in their order
  std::optional<OverallAnalysis> overall;  ///< with two or more focal groups
};

}  // namespace itemdif::stats

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

/// What every item of an analysis holds in its last round, a comparison's or the overall one.
struct ItemValues {
  std::string name;
  ItemRange range;
  /// By position in the method list; a method not run has no cells.
  std::vector<MethodValues> methods;
  bool flagged = false;
  std::string note;  ///< why values are empty; "; " between reasons
  /// Every level with every group of the analysis: group 0 the reference group.
  std::vector<LevelTable> levels;

  /// The value of `column` of any method; undefined when its method was not run.
  Cell cell(const Column& column) const;
  std::optional<double> number(const Column& column) const { return cell_number(cell(column)); }
  std::string text(const Column& column) const { return cell_text(cell(column)); }
  /// The value of column `column` of method `method` (positions in the method list).
  Cell cell(std::size_t method, std::size_t column) const;
  /// The value of the column called `name`, for readers given names from outside; a name no
  /// method declares throws std::invalid_argument.
  Cell cell_named(std::string_view name) const;
  std::optional<double> number(std::string_view name) const {
    return cell_number(cell_named(name));
  }
  std::string text(std::string_view name) const { return cell_text(cell_named(name)); }

 protected:
  bool overall_ = false;
};

/// One item of one comparison in the last round.
struct ItemResult : ItemValues {
  std::size_t n_reference = 0;  ///< the item's examinees of each group
  std::size_t n_focal = 0;
  std::optional<double> mean_reference, mean_focal;  ///< their mean score
};

struct Round {
  int number = 0;
  std::vector<std::size_t> flagged;  ///< items, in item order
};

/// Why purification stopped: the flagged set repeated the set left out (converged) or an
/// earlier round's, the rounds ran out, too many items were flagged to purify, or the matching
/// was fixed (anchors, an external score) and had nothing to purify.
enum class Stop { converged, repeated, max_rounds, too_many_flagged, fixed_matching };

/// A bundle of items tested as one in a comparison's last round.
struct BundleResult {
  std::string name;
  std::vector<std::string> items;  ///< its items' names
  ItemRange range;                 ///< the sums of its items' lowest and highest scores
  std::size_t n_reference = 0, n_focal = 0;
  /// By position in the method list: the bundle columns of the methods that test bundles.
  std::vector<MethodValues> methods;
  std::string note;
};

/// The reference group against one focal group.
struct Comparison {
  std::string focal;  ///< the focal group's value
  std::vector<Round> rounds;
  bool converged = false;
  Stop stop = Stop::converged;
  std::vector<ItemResult> items;
  std::vector<BundleResult> bundles;
};

/// One item of the overall analysis in its last round: its methods' values are their overall
/// columns'.
struct OverallItem : ItemValues {
  OverallItem() { overall_ = true; }
  std::size_t n = 0;  ///< the item's examinees of every group
};

/// Every group together, purified on its own.
struct OverallAnalysis {
  std::vector<std::size_t> methods;  ///< the methods with an overall test that ran
  std::vector<Round> rounds;
  bool converged = false;
  Stop stop = Stop::converged;
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

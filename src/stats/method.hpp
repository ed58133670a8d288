// A method of the analysis: what it reads about one item of one comparison (or of the overall
// analysis of every group), the values it returns, and the columns in which the results show
// them. The writers know methods only through this interface.
#pragma once

#include <any>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/item_scores.hpp"
#include "stats/analysis_options.hpp"
#include "stats/cell.hpp"
#include "stats/item_range.hpp"
#include "stats/level_table.hpp"
#include "stats/score_cells.hpp"
#include "stats/score_counts.hpp"

namespace itemdif::stats {

/// How a column's values read: a number, a whole number, a p-value, a class ("A", "B-", ...).
enum class ColumnKind { number, whole, p_value, dif_class };

/// Where the summary shows a column: not at all, in the item table (the values the flag rule
/// rests on) or in the table of the other methods.
enum class SummaryTable { none, items, methods };

/// One column of a method's values. A column is declared once, as a named constant in its
/// method's header, and every reader refers to it by that constant: a misspelt column does not
/// compile.
struct Column {
  std::string_view name;  ///< in the results files
  ColumnKind kind = ColumnKind::number;
  std::string_view heading;  ///< in the report's item table; empty: not shown there
  std::string_view title;    ///< what the column holds, shown on hover
  SummaryTable summary = SummaryTable::none;
  std::string_view summary_heading;
  int summary_width = 0;
  int decimals = 3;  ///< of a number in the summary and the report
  /// For an adjusted p-value: the column of the raw p-values it adjusts across the items.
  const Column* adjusts = nullptr;
  bool in_files = true;  ///< false: a value for the report only (e.g. an interval's ends)
  /// For the p-value of a test of non-uniform DIF: how the report's item figures name it.
  std::string_view nonuniform_label;

  constexpr Column(std::string_view name, ColumnKind kind = ColumnKind::number)
      : name(name), kind(kind) {}
  /// Shown in the report's item table under `heading`, with `title` on hover.
  constexpr Column report(std::string_view heading_text, std::string_view title_text) const {
    Column c = *this;
    c.heading = heading_text;
    c.title = title_text;
    return c;
  }
  /// Shown in the summary's `table` under `heading_text`, `width` characters wide.
  constexpr Column shown_in(SummaryTable table, std::string_view heading_text, int width) const {
    Column c = *this;
    c.summary = table;
    c.summary_heading = heading_text;
    c.summary_width = width;
    return c;
  }
  /// The adjusted p-values of column `raw`.
  constexpr Column adjusting(const Column& raw) const {
    Column c = *this;
    c.adjusts = &raw;
    return c;
  }
  /// The p-value of a test of non-uniform DIF, named `label` in the report's item figures.
  constexpr Column nonuniform_test(std::string_view label) const {
    Column c = *this;
    c.nonuniform_label = label;
    return c;
  }
  /// A value for the report only, not written to the results files.
  constexpr Column report_only() const {
    Column c = *this;
    c.in_files = false;
    return c;
  }
};

/// A method's columns in order, as references to their declared constants.
using Columns = std::span<const Column* const>;

/// A method's cells in column order.
template <typename... Values>
std::vector<Cell> cells_of(Values&&... values) {
  std::vector<Cell> cells;
  cells.reserve(sizeof...(values));
  (cells.emplace_back(std::forward<Values>(values)), ...);
  return cells;
}

/// One coefficient of one fitted model: model "trait", "uniform", "nonuniform" (or "legacy",
/// the control-file analysis's fit); term "intercept", "trait", "group", "trait_x_group".
struct Coefficient {
  std::string model;
  std::string term;
  std::optional<double> estimate, se, z, p;
};

/// One method's values for one item: cells aligned with the method's columns (none when the
/// method was not run), the coefficients of its fits, why values are undefined, and what the
/// report draws beside the numbers.
struct MethodValues {
  std::vector<Cell> cells;
  std::vector<Coefficient> coefficients;
  std::string note;
  /// Points of a method's own figure of the item (e.g. SIBTEST's differences by stratum), read
  /// by the report only.
  struct Series {
    std::string name;
    std::vector<std::pair<double, double>> points;
  };
  std::vector<Series> figures;
  std::optional<double> marker;  ///< a position on the figure's x axis (a crossing point)
};

/// The cell of `column` among a method's `values`, whose columns are `columns`; undefined when
/// the method was not run or does not declare the column.
inline Cell value_of(const MethodValues& values, Columns columns, const Column& column) {
  for (std::size_t c = 0; c < columns.size() && c < values.cells.size(); ++c)
    if (columns[c] == &column) return values.cells[c];
  return std::monostate{};
}

/// One analysis a round runs: a comparison of the reference group with one focal group, or the
/// overall analysis of every group.
struct AnalysisFrame {
  const data::ItemScores& scores;
  const std::vector<std::uint8_t>& taking_part;
  const std::vector<ItemRange>& ranges;
  /// Maps every group code of the scores to its group in the counts (0 the reference group),
  /// or to `groups.size()` and above for a group left out; empty: every group as coded.
  std::vector<std::uint8_t> counted_group;
  std::vector<std::size_t> groups;       ///< the counted groups, the reference group first
  std::vector<std::string> group_values;  ///< their values, the reference group first
  bool overall = false;
  /// The range of a matching score read from the data (`scores.match`); none when the items
  /// make it up.
  std::optional<ExternalRange> external;
};

/// What a round gives every method: the analysis, its matching set and its counting pass.
struct RoundInput {
  const AnalysisFrame& frame;
  const AnalyzeOptions& options;
  /// 1 for the items matched on in this round.
  const std::vector<std::uint8_t>& matching;
  const ScoreCounts& counts;
  int round = 1;
};

/// What a method reads about one item of a round.
struct ItemInput {
  const RoundInput& round;
  std::size_t item = 0;
  const ItemRange& range;
  std::span<const LevelTable> levels;  ///< every level, `used` marking those the sums take
  std::span<const ScoreCell> cells;    ///< for the regressions
  double alpha = 0.05;
  /// The values of the methods before this one in the method list, by position (a method that
  /// was not run has no cells).
  std::span<const MethodValues> earlier;
  /// What the method prepared for the round, if it prepares.
  const std::any& prepared;

  /// An earlier method's value of `column`; undefined when that method was not run.
  Cell earlier_cell(const Column& column) const;
};

struct BundleTable;

/// A rule that flags an item, as `--flag` names it, declared by the method whose values it reads.
struct FlagRule {
  std::string_view name;
  std::string_view description;  ///< in the help text
  bool (*meets)(const MethodValues& values, double alpha);
};

struct Method {
  std::string_view name;  ///< as `--methods` writes it
  std::string_view title;  ///< in the help text
  bool by_default = true;  ///< run when `--methods` is not given
  Columns columns;
  MethodValues (*compute)(const ItemInput& item);
  /// The columns and values of the overall analysis of every group; none when the method has
  /// no overall test.
  Columns overall_columns = {};
  MethodValues (*compute_overall)(const ItemInput& item) = nullptr;
  /// The flag rules that read the method's values.
  std::span<const FlagRule> flag_rules = {};
  /// How the overall analysis flags an item by the method's overall values, when the
  /// comparisons flag by one of its rules (or by a rule of a method without one, for the first
  /// method).
  bool (*overall_flag)(const MethodValues& values, double alpha) = nullptr;
  /// Work done once per analysis and round before its items (e.g. a fit shared by them).
  std::any (*prepare)(const RoundInput& round) = nullptr;
  /// The columns and values of a bundle of items tested as one; none when the method tests no
  /// bundles.
  Columns bundle_columns = {};
  MethodValues (*compute_bundle)(const BundleTable& bundle, const AnalyzeOptions& options) =
      nullptr;
  /// The heading of the method's own table in the summary; empty: its columns join the table
  /// of the other methods.
  std::string_view own_summary_table = {};
  /// The report's figure of an item's `MethodValues::figures`, when the method draws one.
  std::string_view figure_title = {};
  std::string_view figure_x_label = {};
  std::string_view figure_marker_label = {};  ///< what `MethodValues::marker` marks
  bool figure_zero_line = false;         ///< the values are differences read against zero
  /// Matches on the items' scores (a subtest, anchors): cannot run on an external score.
  bool needs_item_matching = false;
  /// Computed for the last round's matching set only, after purification, unless the flag
  /// rule reads the method's values (a costly method that purification does not need).
  bool last_round_only = false;
  /// What the counting pass must gather besides the counts.
  CountExtras extras = {};
};

}  // namespace itemdif::stats

// A method of the analysis: what it reads about one item of one comparison, the values it
// returns, and the columns in which the results show them. The writers know methods only
// through this interface.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "stats/cell.hpp"
#include "stats/item_range.hpp"
#include "stats/level_table.hpp"
#include "stats/score_cells.hpp"

namespace itemdif::stats {

/// How a column's values read: a number, a whole number, a p-value, a class ("A", "B-", ...).
enum class ColumnKind { number, whole, p_value, dif_class };

/// Where the summary shows a column: not at all, in the item table (the values the flag rule
/// rests on) or in the table of the other methods.
enum class SummaryTable { none, items, methods };

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
  std::string_view adjusts;
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
  constexpr Column adjusting(std::string_view raw) const {
    Column c = *this;
    c.adjusts = raw;
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
/// method was not run), the coefficients of its fits and why values are undefined.
struct MethodValues {
  std::vector<Cell> cells;
  std::vector<Coefficient> coefficients;
  std::string note;
};

struct Method;

/// What a method reads about one item of one comparison.
struct ItemInput {
  const ItemRange& range;
  std::span<const LevelTable> levels;  ///< every level, `used` marking those the sums take
  std::span<const ScoreCell> cells;    ///< for the regressions
  double alpha = 0.05;
  /// The values of the methods before this one in the method list, by position (a method that
  /// was not run has no cells).
  std::span<const MethodValues> earlier;

  /// An earlier method's value of column `name`; undefined when that method was not run.
  Cell earlier_cell(std::string_view name) const;
};

struct Method {
  std::string_view name;  ///< as `--methods` writes it
  std::span<const Column> columns;
  MethodValues (*compute)(const ItemInput& item);
};

}  // namespace itemdif::stats

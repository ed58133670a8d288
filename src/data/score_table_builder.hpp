// Rows of cells, from any reader, into ItemScores: the group of every row, the item cells as
// scores written straight into the byte table, the ids; at the end the focal and reference
// values are settled and the rows of neither value dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/cell_rules.hpp"
#include "data/column_selection.hpp"
#include "data/item_scores.hpp"

namespace itemdif::data {

/// A cell of a statistical file: missing there, a number, or text.
struct TypedCell {
  enum class Kind : std::uint8_t { missing, number, text };
  Kind kind = Kind::missing;
  double number = 0.0;
  std::string_view text;
};

class ScoreTableBuilder {
 public:
  /// How messages place a row: `line N` of a text file (the header is line 1) or `row N` of a
  /// statistical file (the first data row is row 1).
  enum class Place { line, row };

  /// Resolves the columns of `header` (throws InputError). `row_bound` is an upper bound of the
  /// data rows, or 0 when none is known: the score table reserves room for it, and only the
  /// rows written are ever touched.
  ScoreTableBuilder(const ReadOptions& options, std::vector<std::string> header,
                    std::size_t row_bound, Place place);

  std::size_t n_columns() const { return header_.size(); }
  /// The group, id and item columns, as positions in the header.
  const ColumnSelection& columns() const { return columns_; }

  /// One row of a text table, with one cell per header column, at line or row `where`.
  void add_text_row(std::size_t where, std::span<const std::string_view> cells);
  /// One row of a statistical file, with one cell per header column.
  void add_typed_row(std::size_t where, std::span<const TypedCell> cells);

  /// The value labels of the group column, when it is a labelled numeric column.
  void set_group_labels(std::map<double, std::string> labels) { labels_ = std::move(labels); }

  /// Settles the groups and returns the scores. Throws InputError when there are no data rows,
  /// no row holds a focal (or the given reference) value, two focal values or a focal and the
  /// reference value name the same value, or the reference value is left out and the group
  /// column holds no or several other values.
  ItemScores finish();

 private:
  struct GroupValue {
    std::string text;
    std::optional<double> number;
  };

  [[noreturn]] void fail_cell(std::size_t where, std::size_t column, std::string_view text) const;
  [[noreturn]] void fail(const std::string& what) const;
  [[noreturn]] void fail_match(std::size_t where, std::string_view text) const;
  /// The matching score of a text or typed cell; kNoMatch when missing.
  std::int32_t match_of_text(std::size_t where, std::string_view text) const;
  std::int32_t match_of_typed(std::size_t where, const TypedCell& cell) const;
  std::uint32_t group_index(std::string_view text, std::optional<double> number);
  std::string shown_value(const GroupValue& value) const;
  bool matches(const GroupValue& value, const std::string& wanted) const;
  std::string focal_list() const;

  std::string shown_;
  std::string max_score_option_;
  std::vector<std::string> focal_;
  std::optional<std::string> reference_;
  std::vector<std::string> header_;
  ColumnSelection columns_;
  ScoreRules rules_;
  Place place_;
  std::string match_option_;

  std::vector<std::uint8_t> scores_;
  std::vector<std::uint32_t> row_value_;  // by stored row: its index into values_
  std::vector<std::string> ids_;
  std::vector<std::int32_t> match_;  // by stored row, when a column holds the matching score
  std::vector<GroupValue> values_;
  std::map<std::string, std::uint32_t, std::less<>> value_index_;
  std::uint32_t last_value_ = UINT32_MAX;
  std::map<double, std::string> labels_;
  std::size_t rows_read_ = 0;
  std::size_t rows_group_missing_ = 0;
};

}  // namespace itemdif::data

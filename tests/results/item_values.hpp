// Test support for the writers: analysis values built by hand. Method cells are set through
// the methods' own functions or by column name, never by a position written here, so that the
// tests follow the method list.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "stats/analysis.hpp"
#include "stats/mantel_haenszel.hpp"
#include "stats/method_list.hpp"

namespace itemdif::results::testing {

/// An item with a cell slot for every method of the list, none of them run.
inline stats::ItemResult item_named(std::string name) {
  stats::ItemResult item;
  item.name = std::move(name);
  item.methods.resize(stats::methods().size());
  return item;
}

/// The position of the method called `name`; fails the test when there is none.
inline std::size_t method_at(std::string_view name) {
  const std::optional<std::size_t> position = stats::method_position(name);
  EXPECT_TRUE(position.has_value()) << "no method " << name;
  return position.value_or(0);
}

/// The column called `name` as the method list declares it.
inline const stats::Column& column_named(std::string_view name) {
  const stats::ColumnPlace at = stats::column_place_named(name);
  return *stats::methods()[at.method].columns[at.column];
}

/// Sets the cell of column `name`, as is (an infinite or NaN number stays one); the method's
/// cells are first sized to its columns, the others undefined, as a run method gives them.
inline void set_cell(stats::ItemResult& item, std::string_view name, stats::Cell value) {
  const std::optional<stats::ColumnPlace> place = stats::column_place_named(name);
  std::vector<stats::Cell>& cells = item.methods[place->method].cells;
  cells.resize(stats::methods()[place->method].columns.size());
  cells[place->column] = std::move(value);
}

/// The Mantel-Haenszel cells of `mh`, as the method computes them from its values.
inline void set_mh(stats::ItemResult& item, const stats::MhValues& mh) {
  item.methods[method_at("mh")].cells = stats::mh_cells(mh);
}

/// One level of a 0/1 item as counts of correct and incorrect answers of the two groups.
struct Counts01 {
  int low = 0, high = 0;
  double reference_correct = 0, reference_incorrect = 0, focal_correct = 0, focal_incorrect = 0;
  bool used = false;
};

inline stats::LevelTable level_01(const Counts01& counts) {
  stats::LevelTable level(counts.low, counts.high, 2, 0, 1);
  level.count(0, 1) = counts.reference_correct;
  level.count(0, 0) = counts.reference_incorrect;
  level.count(1, 1) = counts.focal_correct;
  level.count(1, 0) = counts.focal_incorrect;
  level.used = counts.used;
  return level;
}

inline std::vector<stats::LevelTable> levels_01(const std::vector<Counts01>& counts) {
  std::vector<stats::LevelTable> levels;
  for (const Counts01& level : counts) levels.push_back(level_01(level));
  return levels;
}

}  // namespace itemdif::results::testing

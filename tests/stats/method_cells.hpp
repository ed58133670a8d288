// Reading a method's values by column name, as the results do, never by a position written in
// a test.
#pragma once

#include <gtest/gtest.h>

#include <any>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "stats/method.hpp"
#include "stats/method_list.hpp"

namespace itemdif::stats::testing {

/// A round without examinees, for a method run on level tables made in a test.
struct EmptyRound {
  data::ItemScores scores;
  std::vector<std::uint8_t> taking_part;
  std::vector<ItemRange> ranges;
  AnalysisFrame frame{scores, taking_part, ranges, {}, {0, 1}, {"R", "F"}, false, {}};
  AnalyzeOptions options;
  std::vector<std::uint8_t> matching;
  ScoreCounts counts{ranges, 2, matching};
  RoundInput round{frame, options, matching, counts, 1};
  std::any nothing;
};

/// The method called `name` in the method list; fails the test when there is none.
inline const Method& method_named(std::string_view name) {
  const std::optional<std::size_t> position = method_position(name);
  EXPECT_TRUE(position.has_value()) << "no method " << name;
  return methods()[position.value_or(0)];
}

/// The cell of column `name` among `values`, the values of `method`; undefined, and the test
/// failed, when the method declares no such column or the cells do not cover it.
inline Cell cell_named(const Method& method, const MethodValues& values, std::string_view name) {
  for (std::size_t c = 0; c < method.columns.size(); ++c)
    if (method.columns[c]->name == name) {
      EXPECT_EQ(values.cells.size(), method.columns.size()) << "cells of method " << method.name;
      return c < values.cells.size() ? values.cells[c] : Cell{};
    }
  ADD_FAILURE() << "method " << method.name << " has no column " << name;
  return Cell{};
}

inline std::optional<double> number_named(const Method& method, const MethodValues& values,
                                          std::string_view name) {
  return cell_number(cell_named(method, values, name));
}

inline std::string text_named(const Method& method, const MethodValues& values,
                              std::string_view name) {
  return cell_text(cell_named(method, values, name));
}

}  // namespace itemdif::stats::testing

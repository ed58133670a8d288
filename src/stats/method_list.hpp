// The methods of the analysis, in the order they run and their columns appear.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "stats/method.hpp"

namespace itemdif::stats {

/// Every method; the first, Mantel-Haenszel, is always computed.
std::span<const Method> methods();

/// The position of the method called `name` in the list, if there is one.
std::optional<std::size_t> method_position(std::string_view name);

/// Where a column lives: its method's position and its own position among that method's
/// columns.
struct ColumnPlace {
  std::size_t method = 0;
  std::size_t column = 0;
};
std::optional<ColumnPlace> column_place(std::string_view name);

/// A column of a method run, with its place.
struct MethodColumn {
  const Column* column;
  ColumnPlace place;
};
/// The columns of the methods at `positions` (in list order) that `keep` accepts, in order.
std::vector<MethodColumn> method_columns(std::span<const std::size_t> positions,
                                         bool (*keep)(const Column&));

}  // namespace itemdif::stats

// The methods of the analysis, in the order they run and their columns appear.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "stats/method.hpp"

namespace itemdif::stats {

/// Every method; the first, Mantel-Haenszel, is always computed.
std::span<const Method> methods();

/// The position of the method called `name` in the list, if there is one.
std::optional<std::size_t> method_position(std::string_view name);

/// The methods run when none are named, and the methods `all` names, as positions.
std::vector<std::size_t> default_methods();
std::vector<std::size_t> all_methods();
/// The method names separated by `separator`, in list order.
std::string method_names(std::string_view separator = ",");

/// Where a column lives: its method's position and its own position among that method's
/// columns (its comparison columns, or its overall columns).
struct ColumnPlace {
  std::size_t method = 0;
  std::size_t column = 0;
};
/// The place of a declared column among the comparison columns, or among the overall columns
/// when `overall`; none for a column of the other kind.
std::optional<ColumnPlace> column_place(const Column& column, bool overall = false);
/// The place of the column called `name`, for readers that get names from outside (tests,
/// bindings). A name no method declares throws std::invalid_argument.
ColumnPlace column_place_named(std::string_view name, bool overall = false);

/// A method's columns for one kind of analysis.
Columns columns_of(const Method& method, bool overall);

/// A column of a method run, with its place.
struct MethodColumn {
  const Column* column;
  ColumnPlace place;
};
/// The columns of the methods at `positions` (in list order) that `keep` accepts, in order;
/// the overall columns when `overall`.
std::vector<MethodColumn> method_columns(std::span<const std::size_t> positions,
                                         bool (*keep)(const Column&), bool overall = false);

/// Whether `method` is among `positions`.
bool runs(std::span<const std::size_t> positions, const Method& method);

}  // namespace itemdif::stats

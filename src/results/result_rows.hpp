// The rows of the results files as typed cells: one item, one level of an item, one
// coefficient. The CSV files and results.json are two readers of the same rows, so that their
// names and values cannot drift apart.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "stats/dif_analysis.hpp"

namespace itemdif::results {

/// An undefined value (std::monostate), a number, a whole number, a text or a truth value.
using Cell = std::variant<std::monostate, double, std::int64_t, std::string, bool>;
using Row = std::vector<Cell>;

/// The column names of items.csv, levels.csv and coefficients.csv, in file order. The first
/// column of each is `item`.
const std::vector<std::string>& item_columns();
const std::vector<std::string>& level_columns();
const std::vector<std::string>& coefficient_columns();

/// The cells of one row, aligned with the columns above. A number that is not finite is
/// undefined; so is an empty class.
Row item_row(const stats::ItemResult& item);
/// Level `index` (from 0) of `item`, numbered from 1 in the row.
Row level_row(const stats::ItemResult& item, std::size_t index);
Row coefficient_row(const stats::ItemResult& item, const stats::Coefficient& coefficient);

}  // namespace itemdif::results

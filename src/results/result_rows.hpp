// The rows of the results files as typed cells: one item of one comparison, one score of one
// level of an item, one coefficient. The CSV files and results.json are two readers of the same
// rows, so that their names and values cannot drift apart.
#pragma once

#include <string>
#include <vector>

#include "stats/analysis.hpp"

namespace itemdif::results {

using stats::Cell;
using Row = std::vector<Cell>;

/// The column names of items.csv, levels.csv and coefficients.csv, in file order: `item` and
/// `focal` first, then each method's columns in list order.
const std::vector<std::string>& item_columns();
const std::vector<std::string>& level_columns();
const std::vector<std::string>& coefficient_columns();

/// The cells of one row, aligned with the columns above; the columns of a method not run are
/// undefined.
Row item_row(const std::string& focal, const stats::ItemResult& item);
/// The rows of level `index` (from 0) of `item`, one per score of its range, the level numbered
/// from 1.
std::vector<Row> level_rows(const std::string& focal, const stats::ItemResult& item,
                            std::size_t index);
Row coefficient_row(const std::string& focal, const stats::ItemResult& item,
                    const stats::Coefficient& coefficient);

}  // namespace itemdif::results

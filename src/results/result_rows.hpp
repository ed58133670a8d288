// The rows of the results files as typed cells: one item of one comparison, one score of one
// level of an item, one coefficient, one item of the overall analysis. The CSV files and results.json are two readers of the same
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

/// Every row of the comparisons' items.csv, levels.csv and coefficients.csv, in the order of
/// the comparisons and then the items, and of overall.csv (none without the overall analysis).
struct ResultRows {
  std::vector<Row> items, levels, coefficients, overall, bundles;
};
ResultRows result_rows(const stats::DifAnalysis& analysis);

/// The column names of overall.csv: `item`, the range and `n`, the overall columns, `flagged`
/// and `note`.
const std::vector<std::string>& overall_item_columns();
/// The cells of an overall item's row, aligned with overall_item_columns().
Row overall_row(const stats::OverallItem& item);
/// The column names of bundles.csv: the bundle, its comparison, items and range, the bundle
/// columns of the methods that test bundles, and `note`.
const std::vector<std::string>& bundle_columns();
/// The cells of a bundle's row in comparison `focal`, aligned with bundle_columns().
Row bundle_row(const std::string& focal, const stats::BundleResult& bundle);
/// An overall item's coefficient as a row of coefficient_columns() without a focal group.
Row overall_coefficient_row(const stats::OverallItem& item,
                            const stats::Coefficient& coefficient);

}  // namespace itemdif::results

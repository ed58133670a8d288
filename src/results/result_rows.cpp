// The rows of the results files as typed cells.
#include "results/result_rows.hpp"

#include <utility>

#include "stats/method_list.hpp"

namespace itemdif::results {
namespace {

Cell whole(std::int64_t value) { return value; }
Cell whole(std::size_t value) { return static_cast<std::int64_t>(value); }
/// A level count: whole in any analysis, undefined if it is not.
Cell count(double value) {
  if (!(value >= 0 && value < 9.0e15) || value != static_cast<double>(static_cast<std::int64_t>(value)))
    return std::monostate{};
  return static_cast<std::int64_t>(value);
}

}  // namespace

const std::vector<std::string>& item_columns() {
  static const std::vector<std::string> columns = [] {
    std::vector<std::string> names = {"item",         "focal",          "score_min",
                                      "score_max",    "n_reference",    "n_focal",
                                      "mean_reference", "mean_focal"};
    for (const stats::Method& method : stats::methods())
      for (const stats::Column* column : method.columns)
        if (column->in_files) names.emplace_back(column->name);
    names.emplace_back("flagged");
    names.emplace_back("note");
    return names;
  }();
  return columns;
}

const std::vector<std::string>& level_columns() {
  static const std::vector<std::string> columns = {
      "item", "focal", "level", "low", "high", "score", "n_reference", "n_focal", "used"};
  return columns;
}

const std::vector<std::string>& coefficient_columns() {
  static const std::vector<std::string> columns = {"item", "focal", "model", "term",
                                                   "estimate", "se", "z", "p"};
  return columns;
}

Row item_row(const std::string& focal, const stats::ItemResult& item) {
  Row row = {item.name,
             focal,
             whole(std::int64_t{item.range.score_min}),
             whole(std::int64_t{item.range.score_max}),
             whole(item.n_reference),
             whole(item.n_focal),
             stats::number_cell(item.mean_reference),
             stats::number_cell(item.mean_focal)};
  const std::span<const stats::Method> methods = stats::methods();
  for (std::size_t m = 0; m < methods.size(); ++m) {
    const std::vector<Cell>* cells = m < item.methods.size() ? &item.methods[m].cells : nullptr;
    for (std::size_t c = 0; c < methods[m].columns.size(); ++c) {
      if (!methods[m].columns[c]->in_files) continue;
      row.push_back(cells && c < cells->size() ? (*cells)[c] : Cell{});
    }
  }
  row.emplace_back(item.flagged);
  row.emplace_back(item.note);
  return row;
}

std::vector<Row> level_rows(const std::string& focal, const stats::ItemResult& item,
                            std::size_t index) {
  const stats::LevelTable& level = item.levels[index];
  std::vector<Row> rows;
  for (int y = level.score_min(); y <= level.score_max(); ++y)
    rows.push_back({item.name, focal, whole(index + 1), whole(std::int64_t{level.low}),
                    whole(std::int64_t{level.high}), whole(std::int64_t{y}),
                    count(level.count(0, y)), count(level.count(1, y)),
                    level.used});
  return rows;
}

namespace {

Row coefficient_cells(const std::string& item, Cell focal, const stats::Coefficient& coefficient) {
  return {item,
          std::move(focal),
          coefficient.model,
          coefficient.term,
          stats::number_cell(coefficient.estimate),
          stats::number_cell(coefficient.se),
          stats::number_cell(coefficient.z),
          stats::number_cell(coefficient.p)};
}

}  // namespace

Row coefficient_row(const std::string& focal, const stats::ItemResult& item,
                    const stats::Coefficient& coefficient) {
  return coefficient_cells(item.name, focal, coefficient);
}

const std::vector<std::string>& overall_item_columns() {
  static const std::vector<std::string> columns = [] {
    std::vector<std::string> names = {"item", "score_min", "score_max", "n"};
    for (const stats::Method& method : stats::methods())
      for (const stats::Column* column : method.overall_columns) names.emplace_back(column->name);
    names.emplace_back("flagged");
    names.emplace_back("note");
    return names;
  }();
  return columns;
}

Row overall_row(const stats::OverallItem& item) {
  Row row = {item.name, whole(std::int64_t{item.range.score_min}),
             whole(std::int64_t{item.range.score_max}), whole(item.n)};
  const std::span<const stats::Method> methods = stats::methods();
  for (std::size_t m = 0; m < methods.size(); ++m)
    for (std::size_t c = 0; c < methods[m].overall_columns.size(); ++c)
      row.push_back(item.cell(m, c));
  row.emplace_back(item.flagged);
  row.emplace_back(item.note);
  return row;
}

const std::vector<std::string>& bundle_columns() {
  static const std::vector<std::string> columns = [] {
    std::vector<std::string> names = {"bundle",    "focal",       "items",  "score_min",
                                      "score_max", "n_reference", "n_focal"};
    for (const stats::Method& method : stats::methods())
      for (const stats::Column* column : method.bundle_columns) names.emplace_back(column->name);
    names.emplace_back("note");
    return names;
  }();
  return columns;
}

Row bundle_row(const std::string& focal, const stats::BundleResult& bundle) {
  std::string items;
  for (const std::string& item : bundle.items) items += (items.empty() ? "" : ";") + item;
  Row row = {bundle.name,
             focal,
             items,
             whole(std::int64_t{bundle.range.score_min}),
             whole(std::int64_t{bundle.range.score_max}),
             whole(bundle.n_reference),
             whole(bundle.n_focal)};
  const std::span<const stats::Method> methods = stats::methods();
  for (std::size_t m = 0; m < methods.size(); ++m)
    for (std::size_t c = 0; c < methods[m].bundle_columns.size(); ++c) {
      const std::vector<Cell>* cells = m < bundle.methods.size() ? &bundle.methods[m].cells : nullptr;
      row.push_back(cells && c < cells->size() ? (*cells)[c] : Cell{});
    }
  row.emplace_back(bundle.note);
  return row;
}

Row overall_coefficient_row(const stats::OverallItem& item,
                            const stats::Coefficient& coefficient) {
  return coefficient_cells(item.name, std::monostate{}, coefficient);
}

ResultRows result_rows(const stats::DifAnalysis& analysis) {
  ResultRows rows;
  for (const stats::Comparison& comparison : analysis.comparisons)
    for (const stats::ItemResult& item : comparison.items) {
      rows.items.push_back(item_row(comparison.focal, item));
      for (std::size_t k = 0; k < item.levels.size(); ++k)
        for (Row& row : level_rows(comparison.focal, item, k))
          rows.levels.push_back(std::move(row));
      for (const stats::MethodValues& values : item.methods)
        for (const stats::Coefficient& coefficient : values.coefficients)
          rows.coefficients.push_back(coefficient_row(comparison.focal, item, coefficient));
    }
  for (const stats::Comparison& comparison : analysis.comparisons)
    for (const stats::BundleResult& bundle : comparison.bundles)
      rows.bundles.push_back(bundle_row(comparison.focal, bundle));
  if (analysis.overall)
    for (const stats::OverallItem& item : analysis.overall->items)
      rows.overall.push_back(overall_row(item));
  return rows;
}

}  // namespace itemdif::results

// The overall tests of an item across every group.
#include "stats/overall_analysis.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

#include "stats/generalized_logistic.hpp"
#include "stats/generalized_mh.hpp"
#include "stats/notes.hpp"
#include "stats/p_adjust.hpp"

namespace itemdif::stats {

namespace {

// The generalized MH's columns, then the logistic regression's.
constexpr std::array kColumns = {
    Column("gmh_chi_square").shown_in(SummaryTable::items, "chi2", 9),
    Column("gmh_df", ColumnKind::whole).shown_in(SummaryTable::items, "df", 3),
    Column("gmh_p", ColumnKind::p_value)
        .report("GMH p", "generalized Mantel-Haenszel chi-square, G - 1 df, upper tail")
        .shown_in(SummaryTable::items, "GMH p", 10),
    Column("gmh_p_adjusted", ColumnKind::p_value)
        .report("p adj", "GMH p adjusted across the items")
        .shown_in(SummaryTable::items, "p_adj", 10)
        .adjusting("gmh_p"),
    Column("lr_chi_square"),
    Column("lr_df", ColumnKind::whole),
    Column("lr_p", ColumnKind::p_value)
        .report("LR p", "generalized logistic regression, 2(G - 1) df likelihood-ratio test")
        .shown_in(SummaryTable::items, "LR p", 10),
    Column("lr_p_adjusted", ColumnKind::p_value).adjusting("lr_p"),
    Column("lr_uniform_chi_square"),
    Column("lr_uniform_df", ColumnKind::whole),
    Column("lr_uniform_p", ColumnKind::p_value),
    Column("lr_nonuniform_chi_square"),
    Column("lr_nonuniform_df", ColumnKind::whole),
    Column("lr_nonuniform_p", ColumnKind::p_value),
    Column("lr_delta_r2")
        .report("dR\u00b2", "Nagelkerke R\u00b2 difference of the generalized logistic models")
        .shown_in(SummaryTable::items, "dR2", 7),
    Column("lr_uniform_delta_r2"),
    Column("zumbo_thomas_class", ColumnKind::dif_class)
        .report("ZT", "Zumbo-Thomas class from the R\u00b2 difference")
        .shown_in(SummaryTable::items, "ZT", 2),
    Column("jodoin_gierl_class", ColumnKind::dif_class)
        .report("JG", "Jodoin-Gierl class from the R\u00b2 difference")
        .shown_in(SummaryTable::items, "JG", 2),
};

// Where the generalized logistic regression's values go.
constexpr std::pair<std::string_view, std::optional<double> LrTests::*> kLrNumbers[] = {
    {"lr_chi_square", &LrTests::chi_square},
    {"lr_p", &LrTests::p},
    {"lr_uniform_chi_square", &LrTests::uniform_chi_square},
    {"lr_uniform_p", &LrTests::uniform_p},
    {"lr_nonuniform_chi_square", &LrTests::nonuniform_chi_square},
    {"lr_nonuniform_p", &LrTests::nonuniform_p},
    {"lr_delta_r2", &LrTests::delta_r2},
    {"lr_uniform_delta_r2", &LrTests::uniform_delta_r2},
};
constexpr std::pair<std::string_view, double LrTests::*> kLrDegrees[] = {
    {"lr_df", &LrTests::df},
    {"lr_uniform_df", &LrTests::uniform_df},
    {"lr_nonuniform_df", &LrTests::nonuniform_df},
};

std::size_t column_index(std::string_view name) {
  for (std::size_t c = 0; c < kColumns.size(); ++c)
    if (kColumns[c].name == name) return c;
  return kColumns.size();
}

Cell whole_number(double value) { return whole_cell(static_cast<std::int64_t>(value)); }

}  // namespace

std::span<const Column> overall_columns() { return kColumns; }

Cell OverallItem::cell(std::string_view name) const {
  const std::size_t c = column_index(name);
  return c < cells.size() ? cells[c] : Cell{};
}

std::vector<std::size_t> overall_columns_run(bool with_lr) {
  const std::size_t end = with_lr ? kColumns.size() : column_index("lr_chi_square");
  std::vector<std::size_t> run(end);
  for (std::size_t c = 0; c < end; ++c) run[c] = c;
  return run;
}

OverallItem overall_item(std::string name, const ItemRange& range,
                         std::vector<LevelTable> levels, std::span<const ScoreCell> cells,
                         std::span<const std::string> focal_values, bool with_lr, double alpha) {
  OverallItem item;
  item.name = std::move(name);
  item.range = range;
  double n = 0;
  for (const ScoreCell& cell : cells) n += cell.count;
  item.n = static_cast<std::size_t>(n);
  item.levels = std::move(levels);

  item.cells.assign(kColumns.size(), Cell{});
  const auto set = [&](std::string_view column, Cell value) {
    item.cells[column_index(column)] = std::move(value);
  };
  const GmhValues gmh = generalized_mh(item.levels);
  set("gmh_chi_square", number_cell(gmh.chi_square));
  // The degrees of freedom are the test's, whether or not the statistic is defined.
  set("gmh_df", whole_number(static_cast<double>(focal_values.size())));
  set("gmh_p", number_cell(gmh.p));
  add_note(item.note, gmh.note);

  if (with_lr) {
    const LrTests lr = generalized_lr_values(cells, range.polytomous, focal_values, alpha);
    for (const auto& [column, value] : kLrNumbers) set(column, number_cell(lr.*value));
    for (const auto& [column, value] : kLrDegrees) set(column, whole_number(lr.*value));
    set("zumbo_thomas_class", class_cell(lr.zumbo_thomas_class));
    set("jodoin_gierl_class", class_cell(lr.jodoin_gierl_class));
    item.coefficients = lr.coefficients;
    add_note(item.note, lr.note);
  }
  return item;
}

void adjust_and_flag(std::vector<OverallItem>& items, Adjust adjust, double alpha) {
  for (std::size_t c = 0; c < kColumns.size(); ++c) {
    if (kColumns[c].adjusts.empty()) continue;
    const std::size_t raw = column_index(kColumns[c].adjusts);
    // Without logistic regression its p-values are empty, and so their adjustments.
    std::vector<std::optional<double>> p(items.size());
    for (std::size_t j = 0; j < items.size(); ++j) p[j] = cell_number(items[j].cells[raw]);
    const std::vector<std::optional<double>> adjusted = adjust_p(p, adjust);
    for (std::size_t j = 0; j < items.size(); ++j) items[j].cells[c] = number_cell(adjusted[j]);
  }
  for (OverallItem& item : items) {
    const std::optional<double> p = item.number("gmh_p_adjusted");
    item.flagged = p && *p < alpha;
  }
}

}  // namespace itemdif::stats

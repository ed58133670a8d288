// The rows of the results files as typed cells.
#include "results/result_rows.hpp"

#include <cmath>

namespace itemdif::results {
namespace {

Cell number(const std::optional<double>& value) {
  if (!value || !std::isfinite(*value)) return std::monostate{};
  return *value;
}
Cell number(double value) { return number(std::optional<double>(value)); }

Cell whole(std::int64_t value) { return value; }
Cell whole(const std::optional<int>& value) {
  if (!value) return std::monostate{};
  return static_cast<std::int64_t>(*value);
}

/// A class such as "B-"; an empty class is undefined.
Cell class_cell(const std::string& text) {
  if (text.empty()) return std::monostate{};
  return text;
}

}  // namespace

const std::vector<std::string>& item_columns() {
  static const std::vector<std::string> columns = {
      "item", "n_reference", "n_focal", "p_reference", "p_focal", "mh_alpha", "mh_alpha_low",
      "mh_alpha_high", "mh_d_dif", "mh_d_dif_se", "mh_chi_square", "mh_p", "mh_p_adjusted",
      "ets_class", "std_p_dif", "std_class", "bd_chi_square", "bd_df", "bd_p", "lr_chi_square",
      "lr_p", "lr_p_adjusted", "lr_uniform_chi_square", "lr_uniform_p",
      "lr_nonuniform_chi_square", "lr_nonuniform_p", "lr_delta_r2", "lr_uniform_delta_r2",
      "zumbo_thomas_class", "jodoin_gierl_class", "flagged", "note"};
  return columns;
}

const std::vector<std::string>& level_columns() {
  static const std::vector<std::string> columns = {
      "item", "level", "low", "high", "reference_correct", "reference_incorrect",
      "focal_correct", "focal_incorrect", "used"};
  return columns;
}

const std::vector<std::string>& coefficient_columns() {
  static const std::vector<std::string> columns = {"item", "model", "term", "estimate",
                                                   "se", "z", "p"};
  return columns;
}

Row item_row(const stats::ItemResult& item) {
  const stats::MhValues& mh = item.mh;
  const stats::LrValues& lr = item.lr;
  return {item.name,
          whole(static_cast<std::int64_t>(item.n_reference)),
          whole(static_cast<std::int64_t>(item.n_focal)),
          number(item.p_reference),
          number(item.p_focal),
          number(mh.alpha),
          number(mh.alpha_low),
          number(mh.alpha_high),
          number(mh.d_dif),
          number(mh.d_dif_se),
          number(mh.chi_square),
          number(mh.p),
          number(mh.p_adjusted),
          class_cell(mh.ets_class),
          number(item.std_dif.p_dif),
          class_cell(item.std_dif.std_class),
          number(item.bd.chi_square),
          whole(item.bd.df),
          number(item.bd.p),
          number(lr.chi_square),
          number(lr.p),
          number(lr.p_adjusted),
          number(lr.uniform_chi_square),
          number(lr.uniform_p),
          number(lr.nonuniform_chi_square),
          number(lr.nonuniform_p),
          number(lr.delta_r2),
          number(lr.uniform_delta_r2),
          class_cell(lr.zumbo_thomas_class),
          class_cell(lr.jodoin_gierl_class),
          item.flagged,
          item.note};
}

Row level_row(const stats::ItemResult& item, std::size_t index) {
  const stats::LevelRow& level = item.levels[index];
  return {item.name,
          whole(static_cast<std::int64_t>(index + 1)),
          whole(level.low),
          whole(level.high),
          number(level.reference_correct),
          number(level.reference_incorrect),
          number(level.focal_correct),
          number(level.focal_incorrect),
          level.used};
}

Row coefficient_row(const stats::ItemResult& item, const stats::Coefficient& coefficient) {
  return {item.name,
          coefficient.model,
          coefficient.term,
          number(coefficient.estimate),
          number(coefficient.se),
          number(coefficient.z),
          number(coefficient.p)};
}

}  // namespace itemdif::results

// The Mantel-Haenszel method.
#include "stats/mantel_haenszel.hpp"

#include <array>
#include <cmath>

#include "stats/mh_sums.hpp"
#include "stats/notes.hpp"
#include "stats/upper_tails.hpp"

namespace itemdif::stats {
namespace {

constexpr std::array<Column, 11> kColumns = {{
    Column("mh_alpha"),
    Column("mh_alpha_low"),
    Column("mh_alpha_high"),
    Column("mh_d_dif")
        .report("MH D-DIF", "-2.35 ln(MH alpha); below 0 the item favours the reference group")
        .shown_in(SummaryTable::items, "D-DIF", 8),
    Column("mh_d_dif_se").report("SE", "standard error of MH D-DIF").shown_in(SummaryTable::items, "SE", 7),
    Column("mh_chi_square"),
    Column("mh_p", ColumnKind::p_value)
        .report("MH p", "continuity-corrected Mantel-Haenszel chi-square, upper tail")
        .shown_in(SummaryTable::items, "p", 10),
    Column("mh_p_adjusted", ColumnKind::p_value)
        .report("p adj", "MH p adjusted across the items")
        .shown_in(SummaryTable::items, "p_adj", 10)
        .adjusting("mh_p"),
    Column("ets_class", ColumnKind::dif_class)
        .report("ETS", "ETS class from MH D-DIF")
        .shown_in(SummaryTable::items, "ETS", 3),
    Column("mh_d_dif_low").report_only(),
    Column("mh_d_dif_high").report_only(),
}};

MethodValues compute(const ItemInput& item) {
  MethodValues values;
  values.cells = mh_cells(mh_values(item.levels, item.alpha, values.note));
  return values;
}

}  // namespace

std::string ets_class(double d_dif, double d_dif_se, double p, double alpha) {
  const double size = std::fabs(d_dif);
  if (size < 1.0 || p >= alpha) return "A";
  const char sign = d_dif < 0 ? '-' : '+';
  if (size >= 1.5 && (size - 1.0) / d_dif_se > kZ95) return std::string("C") + sign;
  return std::string("B") + sign;
}

MhValues mh_values(std::span<const LevelTable> levels, double alpha, std::string& note) {
  std::vector<MhCell> cells;
  for (const LevelTable& level : levels) {
    if (!level.used) continue;
    const TwoByTwo t = level.two_by_two();
    MhCell cell;
    cell.a = t.a;
    cell.b = t.b;
    cell.c = t.c;
    cell.d = t.d;
    cell.nr = cell.a + cell.b;
    cell.nf = cell.c + cell.d;
    cell.n = cell.nr + cell.nf;
    cells.push_back(cell);
  }
  MhValues mh;
  if (cells.empty()) {
    add_note(note, "no used level: no level has enough examinees of both groups");
    return mh;
  }
  const MhSums s = mh_sums(cells);
  if (!(s.variance > 0)) {
    add_note(note, "no variance: in every used level all examinees answered alike");
    return mh;
  }
  const double difference = std::fabs(s.observed - s.expected);
  const double correction = difference >= 0.5 ? 0.5 : 0.0;
  const double corrected = difference - correction;
  mh.chi_square = corrected * corrected / s.variance;
  mh.p = chi_square_upper_tail(*mh.chi_square);

  if (s.ad_n == 0) {
    add_note(note, "MH odds ratio is 0: no used level has reference correct and focal incorrect"
                   " answers together");
    return mh;
  }
  if (s.bc_n == 0) {
    add_note(note, "MH odds ratio is infinite: no used level has reference incorrect and focal"
                   " correct answers together");
    return mh;
  }
  const double log_alpha = std::log(s.alpha);
  const double se = std::sqrt(s.rbg) / s.ad_n;
  mh.alpha = s.alpha;
  mh.alpha_low = std::exp(log_alpha - kZ95 * se);
  mh.alpha_high = std::exp(log_alpha + kZ95 * se);
  mh.d_dif = -kDDifScale * log_alpha;
  mh.d_dif_se = kDDifScale * se;
  mh.ets_class = ets_class(*mh.d_dif, *mh.d_dif_se, *mh.p, alpha);
  return mh;
}

std::vector<Cell> mh_cells(const MhValues& mh) {
  std::optional<double> low, high;
  if (mh.d_dif && mh.d_dif_se && std::isfinite(*mh.d_dif) && std::isfinite(*mh.d_dif_se)) {
    low = *mh.d_dif - kZ95 * *mh.d_dif_se;
    high = *mh.d_dif + kZ95 * *mh.d_dif_se;
  }
  return cells_of(number_cell(mh.alpha), number_cell(mh.alpha_low), number_cell(mh.alpha_high),
                  number_cell(mh.d_dif), number_cell(mh.d_dif_se), number_cell(mh.chi_square),
                  number_cell(mh.p), number_cell(mh.p_adjusted), class_cell(mh.ets_class),
                  number_cell(low), number_cell(high));
}

Method mantel_haenszel_method() { return {"mh", kColumns, compute}; }

}  // namespace itemdif::stats

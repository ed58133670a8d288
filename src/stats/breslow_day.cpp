// The Breslow-Day test with Tarone's correction.
#include "stats/breslow_day.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "stats/mantel_haenszel.hpp"
#include "stats/notes.hpp"
#include "stats/upper_tails.hpp"

namespace itemdif::stats {
namespace {

constexpr std::array<const Column*, 3> kColumns = {&column::bd_chi_square, &column::bd_df,
                                                  &column::bd_p};

MethodValues compute(const ItemInput& item) {
  MethodValues values;
  if (item.range.polytomous) {
    values.cells.resize(kColumns.size());
    return values;
  }
  BdValues bd = breslow_day(item.levels, cell_number(item.earlier_cell(column::mh_alpha)));
  values.note = std::move(bd.note);
  std::optional<std::int64_t> df;
  if (bd.df) df = *bd.df;
  values.cells = cells_of(number_cell(bd.chi_square), whole_cell(df), number_cell(bd.p));
  return values;
}

}  // namespace

double breslow_day_expected(double nr, double m1, double m0, double alpha) {
  const double low = std::max(0.0, nr - m0);
  const double high = std::min(nr, m1);
  // (1 - alpha) a^2 + (m0 - nr + alpha (nr + m1)) a - alpha nr m1 = 0
  const double qa = 1.0 - alpha;
  const double qb = m0 - nr + alpha * (nr + m1);
  const double qc = -alpha * nr * m1;
  if (qa == 0.0) return -qc / qb;
  // The form without cancellation: q = -(qb + sign(qb) sqrt(disc)) / 2, roots q / qa, qc / q.
  const double root = std::sqrt(std::max(0.0, qb * qb - 4.0 * qa * qc));
  const double q = -0.5 * (qb + std::copysign(root, qb));
  const double first = q / qa;
  const double second = qc / q;
  auto distance = [&](double a) { return a < low ? low - a : a > high ? a - high : 0.0; };
  return std::clamp(distance(first) <= distance(second) ? first : second, low, high);
}

BdValues breslow_day(std::span<const LevelTable> levels, const std::optional<double>& mh_alpha) {
  BdValues bd;
  std::string& note = bd.note;
  if (!mh_alpha) {
    add_note(note, "no Breslow-Day test without the MH odds ratio");
    return bd;
  }
  double statistic = 0, observed = 0, expected = 0, variance = 0;
  int tables = 0;
  for (const LevelTable& level : levels) {
    if (!level.used) continue;
    const TwoByTwo t = level.two_by_two();
    const double nr = t.a + t.b;
    const double nf = t.c + t.d;
    const double m1 = t.a + t.c;
    const double m0 = t.b + t.d;
    if (!(nr > 0 && nf > 0 && m1 > 0 && m0 > 0)) continue;
    const double a = breslow_day_expected(nr, m1, m0, *mh_alpha);
    const double v = 1.0 / (1.0 / a + 1.0 / (nr - a) + 1.0 / (m1 - a) + 1.0 / (m0 - nr + a));
    const double deviation = t.a - a;
    statistic += deviation * deviation / v;
    observed += t.a;
    expected += a;
    variance += v;
    ++tables;
  }
  if (tables < 2) {
    add_note(note, "no Breslow-Day test: fewer than two used levels with every margin positive");
    return bd;
  }
  const double tarone = (observed - expected) * (observed - expected) / variance;
  // Tarone's term is at most the sum it is taken from; rounding must not make it negative.
  bd.chi_square = std::max(0.0, statistic - tarone);
  bd.df = tables - 1;
  bd.p = chi_square_upper_tail(*bd.chi_square, *bd.df);
  return bd;
}

Method breslow_day_method() {
  return {"bd", "Breslow-Day homogeneity of the odds ratios", true, kColumns, compute};
}

}  // namespace itemdif::stats

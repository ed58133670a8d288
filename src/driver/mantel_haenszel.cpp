// Mantel-Haenszel statistics of every item from the level tables of one pass.
#include "driver/mantel_haenszel.hpp"

#include <cmath>
#include <cstddef>

#include "dist/dchidf.hpp"
#include "driver/stops.hpp"

namespace itemdif::driver {

namespace {

/// The two-by-two table of one cell (level k, item j).
struct Cell {
  double a;   // reference correct
  double b;   // reference incorrect
  double c;   // focal correct
  double d;   // focal incorrect
  double nr;  // reference examinees
  double nf;  // focal examinees
  double n;   // both groups
};

Cell cell_at(const LevelTables& t, std::size_t k, std::size_t j) {
  return Cell{t.counts[kReference][kCorrect](k, j), t.counts[kReference][kIncorrect](k, j),
              t.counts[kFocal][kCorrect](k, j),     t.counts[kFocal][kIncorrect](k, j),
              t.counts[kReference][kBoth](k, j),    t.counts[kFocal][kBoth](k, j),
              t.size(k, j)};
}

}  // namespace

std::string significance_mark_for(double p_value) {
  // Each later bound overrides the earlier one, so a p-value exactly at a bound takes its mark.
  std::string mark = "   ";
  if (p_value <= 0.05) mark = "*  ";
  if (p_value <= 0.01) mark = "** ";
  if (p_value <= 0.005) mark = "***";
  return mark;
}

char ets_category(double mh_d_dif, double se_d_dif) {
  const double size = std::fabs(mh_d_dif);
  const double margin = size - se_d_dif * kCategoryZ;
  if (size > 1.5 && margin > 1.0) return 'C';
  if (size >= 1.0 && margin > 0.0) return 'B';
  return 'A';
}

std::vector<MhItem> mantel_haenszel(const LevelTables& tables) {
  const std::size_t n_items = tables.items();
  const std::size_t n_levels = tables.levels();
  std::vector<MhItem> items(n_items);

  for (std::size_t j = 0; j < n_items; ++j) {
    MhItem& item = items[j];
    for (std::size_t k = 0; k < n_levels; ++k) {
      if (!tables.is_valid(k, j)) continue;
      const Cell t = cell_at(tables, k, j);
      item.alpha_numerator += (t.a * t.d) / t.n;
      item.alpha_denominator += (t.b * t.c) / t.n;
    }
  }
  // Every item's odds ratio must be defined before anything else is computed.
  for (const MhItem& item : items)
    if (item.alpha_denominator == 0.0) throw AnalysisStop{StopReason::conditioning_windows, {}};

  for (std::size_t j = 0; j < n_items; ++j) {
    MhItem& item = items[j];
    item.alpha = item.alpha_numerator / item.alpha_denominator;
    item.mh_d_dif = -(std::log(item.alpha) * 2.35);

    for (std::size_t k = 0; k < n_levels; ++k) {
      if (!tables.is_valid(k, j)) continue;
      const Cell t = cell_at(tables, k, j);
      const double m1 = t.a + t.c;
      const double m0 = t.b + t.d;
      item.observed_sum += t.a;
      item.expected_sum += (t.a + t.c) * t.nr / t.n;
      item.variance_sum += t.nr * t.nf * m1 * m0 / (t.n * t.n * (t.n - 1.0));
    }
    // The continuity correction has no floor: a difference below 0.5 squares a negative number.
    const double corrected = std::fabs(item.observed_sum - item.expected_sum) - 0.5;
    item.chi_square = corrected * corrected / item.variance_sum;
  }

  const double degrees_of_freedom = 1.0;
  for (MhItem& item : items) {
    item.p_value = 1.0 - dist::DCHIDF(item.chi_square, degrees_of_freedom);
    item.significance_mark = significance_mark_for(item.p_value);
  }

  // The sum of A D / N that the standard error divides by is alpha_numerator: the same terms
  // added in the same order.
  for (std::size_t j = 0; j < n_items; ++j) {
    MhItem& item = items[j];
    const double alpha = item.alpha;
    double variance_terms = 0.0;
    for (std::size_t k = 0; k < n_levels; ++k) {
      if (!tables.is_valid(k, j)) continue;
      const Cell t = cell_at(tables, k, j);
      variance_terms += (t.a * t.d + alpha * t.b * t.c) * (t.a + t.d + (t.b + t.c) * alpha) /
                        (t.n * 2.0 * t.n);
    }
    item.se_d_dif = std::sqrt(variance_terms) * (kSeScale / item.alpha_numerator);
    item.category = ets_category(item.mh_d_dif, item.se_d_dif);
  }
  return items;
}

}  // namespace itemdif::driver

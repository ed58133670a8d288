// Mantel-Haenszel statistics of every item from the level tables of one pass.
#include "driver/mantel_haenszel.hpp"

#include <cmath>
#include <cstddef>
#include <vector>

#include "dist/dchidf.hpp"
#include "driver/stops.hpp"
#include "stats/mh_sums.hpp"

namespace itemdif::driver {

namespace {

/// The two-by-two table of one cell (level k, item j).
stats::MhCell cell_at(const LevelTables& t, std::size_t k, std::size_t j) {
  return stats::MhCell{t.counts[kReference][kCorrect](k, j),
                       t.counts[kReference][kIncorrect](k, j),
                       t.counts[kFocal][kCorrect](k, j),
                       t.counts[kFocal][kIncorrect](k, j),
                       t.counts[kReference][kBoth](k, j),
                       t.counts[kFocal][kBoth](k, j),
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
  std::vector<stats::MhSums> sums(n_items);

  std::vector<stats::MhCell> cells;
  cells.reserve(n_levels);
  for (std::size_t j = 0; j < n_items; ++j) {
    cells.clear();
    for (std::size_t k = 0; k < n_levels; ++k)
      if (tables.is_valid(k, j)) cells.push_back(cell_at(tables, k, j));
    sums[j] = stats::mh_sums(cells);
    items[j].alpha_numerator = sums[j].ad_n;
    items[j].alpha_denominator = sums[j].bc_n;
  }
  // Every item's odds ratio must be defined before anything else is computed.
  for (const MhItem& item : items)
    if (item.alpha_denominator == 0.0) throw AnalysisStop{StopReason::conditioning_windows, {}};

  for (std::size_t j = 0; j < n_items; ++j) {
    MhItem& item = items[j];
    item.alpha = sums[j].alpha;
    item.mh_d_dif = -(std::log(item.alpha) * 2.35);
    item.observed_sum = sums[j].observed;
    item.expected_sum = sums[j].expected;
    item.variance_sum = sums[j].variance;
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
    item.se_d_dif = std::sqrt(sums[j].rbg) * (kSeScale / item.alpha_numerator);
    item.category = ets_category(item.mh_d_dif, item.se_d_dif);
  }
  return items;
}

}  // namespace itemdif::driver

// The SIBTEST method: an item's table of examinees by subtest score, group and item score read
// from the round's counts, and the subtest's reliability from the counted item moments.
#include "stats/sibtest_method.hpp"

#include <array>

#include "stats/bundles.hpp"
#include "stats/sibtest.hpp"

namespace itemdif::stats {
namespace {

constexpr std::array<const Column*, 11> kColumns = {
    &column::sib_beta,       &column::sib_se,       &column::sib_chi_square,
    &column::sib_p,          &column::sib_p_adjusted, &column::sib_class,
    &column::csib_beta,      &column::csib_chi_square, &column::csib_df,
    &column::csib_p,         &column::csib_crossing,
};
// A bundle takes no part in the adjustment across the items.
constexpr std::array<const Column*, 10> kBundleColumns = {
    &column::sib_beta,    &column::sib_se,          &column::sib_chi_square, &column::sib_p,
    &column::sib_class,   &column::csib_beta,       &column::csib_chi_square, &column::csib_df,
    &column::csib_p,      &column::csib_crossing,
};

/// The variance (divisor n - 1) of scores with these moments; 0 below two scores.
double variance(const Moments& m) {
  if (m.n < 2) return 0;
  return (m.squares - m.sum * m.sum / m.n) / (m.n - 1);
}

MethodValues method_values(const SibValues& sib, bool with_adjusted) {
  MethodValues values;
  std::optional<std::int64_t> df;
  if (sib.csib_df) df = *sib.csib_df;
  values.cells = cells_of(number_cell(sib.beta), number_cell(sib.se),
                          number_cell(sib.chi_square), number_cell(sib.p));
  if (with_adjusted) values.cells.emplace_back();  // set across the items
  for (Cell cell : {class_cell(sib.sib_class), number_cell(sib.csib_beta),
                    number_cell(sib.csib_chi_square), whole_cell(df), number_cell(sib.csib_p),
                    number_cell(sib.csib_crossing)})
    values.cells.push_back(std::move(cell));
  values.note = sib.note;
  MethodValues::Series differences{"adjusted difference by stratum", {}};
  for (const SibStratum& stratum : sib.strata)
    differences.points.emplace_back(stratum.k, stratum.difference);
  if (!differences.points.empty()) values.figures.push_back(std::move(differences));
  values.marker = sib.csib_crossing;
  return values;
}

MethodValues compute(const ItemInput& item) {
  const RoundInput& round = item.round;
  const std::size_t j = item.item;
  const ItemRange& range = item.range;
  const std::vector<ItemRange>& ranges = round.frame.ranges;
  int x_low = 0, x_high = 0, subtest_items = 0;
  SibReliabilityInput reliability;
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    if (!round.matching[i] || i == j) continue;
    ++subtest_items;
    x_low += ranges[i].score_min;
    x_high += ranges[i].score_max;
    for (std::size_t g = 0; g < 2; ++g)
      reliability.item_variance_sum[g] += variance(round.counts.item_moments(g, i, j));
  }
  reliability.subtest_items = subtest_items;
  // An item's examinees are counted at their matching score, the subtest score plus their own.
  SibCounts counts = SibCounts::zeros(x_low, x_high, range.score_min, range.score_max);
  for (int x = x_low; x <= x_high; ++x)
    for (std::size_t g = 0; g < 2; ++g)
      for (int y = range.score_min; y <= range.score_max; ++y) {
        const std::uint32_t n = round.counts.at(j, static_cast<std::size_t>(x + y),
                                                round.frame.groups[g], y);
        if (n > 0) counts.add(x, static_cast<int>(g), y, n);
      }
  const SibSettings settings{round.options.sib_min, item.alpha,
                             static_cast<double>(range.score_max - range.score_min)};
  return method_values(sibtest(counts, reliability, settings), true);
}

MethodValues compute_bundle(const BundleTable& bundle, const AnalyzeOptions& options) {
  SibCounts counts = SibCounts::zeros(bundle.x_low, bundle.x_high, bundle.range.score_min,
                                      bundle.range.score_max);
  for (int x = bundle.x_low; x <= bundle.x_high; ++x)
    for (std::size_t g = 0; g < 2; ++g)
      for (int y = bundle.range.score_min; y <= bundle.range.score_max; ++y)
        if (const double n = bundle.at(x, g, y); n > 0) counts.add(x, static_cast<int>(g), y, n);
  SibReliabilityInput reliability;
  reliability.subtest_items = static_cast<int>(bundle.subtest.size());
  for (std::size_t g = 0; g < 2; ++g)
    for (std::size_t s = 0; s < bundle.subtest.size(); ++s)
      reliability.item_variance_sum[g] += variance(bundle.moments[g * bundle.subtest.size() + s]);
  const SibSettings settings{options.sib_min, options.alpha,
                             static_cast<double>(bundle.range.score_max - bundle.range.score_min)};
  return method_values(sibtest(counts, reliability, settings), false);
}

bool class_b_or_c(const MethodValues& values, double) {
  const std::string text = cell_text(value_of(values, kColumns, column::sib_class));
  return !text.empty() && (text[0] == 'B' || text[0] == 'C');
}

constexpr std::array<FlagRule, 1> kFlagRules = {{
    {"sib", "SIBTEST class B or C; needs sib", class_b_or_c},
}};

}  // namespace

Method sibtest_method() {
  Method method{"sib", "SIBTEST and crossing SIBTEST", false, kColumns, compute};
  method.bundle_columns = kBundleColumns;
  method.compute_bundle = compute_bundle;
  method.flag_rules = kFlagRules;
  method.extras.item_moments = true;
  method.own_summary_table = "SIBTEST";
  method.figure_title = "SIBTEST d by stratum: focal \u2212 reference";
  method.figure_x_label = "subtest score";
  method.figure_marker_label = "crossing point";
  method.figure_zero_line = true;
  method.needs_item_matching = true;
  return method;
}

}  // namespace itemdif::stats

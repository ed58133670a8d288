// The Mantel-Haenszel method.
#include "stats/mantel_haenszel.hpp"

#include <array>
#include <cmath>

#include "stats/mh_sums.hpp"
#include "stats/notes.hpp"
#include "stats/generalized_mh.hpp"
#include "stats/standardized_difference.hpp"
#include "stats/upper_tails.hpp"

namespace itemdif::stats {
namespace {

constexpr std::array<const Column*, 11> kColumns = {
    &column::mh_alpha,      &column::mh_alpha_low, &column::mh_alpha_high, &column::mh_d_dif,
    &column::mh_d_dif_se,   &column::mh_chi_square, &column::mh_p,         &column::mh_p_adjusted,
    &column::ets_class,     &column::mh_d_dif_low,  &column::mh_d_dif_high,
};
constexpr std::array<const Column*, 4> kOverallColumns = {
    &overall_column::gmh_chi_square, &overall_column::gmh_df, &overall_column::gmh_p,
    &overall_column::gmh_p_adjusted};

/// The standard deviation (divisor n - 1) of the item's scores over all its examinees; 0 when
/// fewer than two.
double score_sd(std::span<const ScoreCell> cells) {
  double n = 0, sum = 0;
  for (const ScoreCell& cell : cells) {
    n += cell.count;
    sum += cell.count * cell.score;
  }
  if (n < 2) return 0;
  const double mean = sum / n;
  double squares = 0;
  for (const ScoreCell& cell : cells) squares += cell.count * (cell.score - mean) * (cell.score - mean);
  return std::sqrt(squares / (n - 1));
}

MethodValues compute(const ItemInput& item) {
  MhValues mh = item.range.polytomous
                    ? mantel_values(item.levels,
                                    std_values(item.levels, item.range).p_dif,
                                    score_sd(item.cells), item.alpha)
                    : mh_values(item.levels, item.alpha);
  MethodValues values;
  values.cells = mh_cells(mh);
  values.note = std::move(mh.note);
  return values;
}

/// The generalized MH test of every group; its adjusted p is set across the items later.
MethodValues compute_overall(const ItemInput& item) {
  const GmhValues gmh = generalized_mh(item.levels);
  MethodValues values;
  // The degrees of freedom are the test's, whether or not the statistic is defined.
  const auto focal_groups = static_cast<std::int64_t>(item.round.frame.groups.size() - 1);
  values.cells = cells_of(number_cell(gmh.chi_square), whole_cell(focal_groups),
                          number_cell(gmh.p), Cell{});
  values.note = gmh.note;
  return values;
}

constexpr const char* kNoUsedLevel = "no used level: no level has enough examinees of both groups";

}  // namespace

std::string ets_class(double d_dif, double d_dif_se, double p, double alpha) {
  const double size = std::fabs(d_dif);
  if (size < 1.0 || p >= alpha) return "A";
  const char sign = d_dif < 0 ? '-' : '+';
  if (size >= 1.5 && (size - 1.0) / d_dif_se > kZ95) return std::string("C") + sign;
  return std::string("B") + sign;
}

MhValues mh_values(std::span<const LevelTable> levels, double alpha) {
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
  std::string& note = mh.note;
  if (cells.empty()) {
    add_note(note, kNoUsedLevel);
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

std::string polytomous_ets_class(double smd, double sd, double p, double alpha) {
  const double size = std::fabs(smd) / sd;
  if (p >= alpha || size <= 0.17) return "AA";
  const char sign = smd < 0 ? '-' : '+';
  return std::string(size > 0.25 ? "CC" : "BB") + sign;
}

MhValues mantel_values(std::span<const LevelTable> levels, std::optional<double> smd, double sd,
                       double alpha) {
  double observed = 0, expected = 0, variance = 0;  // of the focal group's score sum
  double ad_n = 0, bc_n = 0;                        // Liu-Agresti's sums over levels and cuts
  bool any_used = false;
  for (const LevelTable& level : levels) {
    if (!level.used) continue;
    any_used = true;
    const double nr = level.group_size(0), nf = level.group_size(1), n = nr + nf;
    const double sr = level.score_sum(0), sf = level.score_sum(1), s = sr + sf;
    double q = 0;
    for (int y = level.score_min(); y <= level.score_max(); ++y)
      q += static_cast<double>(y) * y * (level.count(0, y) + level.count(1, y));
    observed += sf;
    expected += nf * s / n;
    variance += nr * nf * (n * q - s * s) / (n * n * (n - 1));
    // Each cut between y and y + 1: A, C the examinees above it, B, D those at or below.
    double above_r = nr, above_f = nf;
    for (int y = level.score_min(); y < level.score_max(); ++y) {
      above_r -= level.count(0, y);
      above_f -= level.count(1, y);
      ad_n += above_r * (nf - above_f) / n;
      bc_n += (nr - above_r) * above_f / n;
    }
  }
  MhValues mh;
  std::string& note = mh.note;
  if (!any_used) {
    add_note(note, kNoUsedLevel);
    return mh;
  }
  if (!(variance > 0) || !(sd > 0)) {
    add_note(note, "no variance: in every used level all examinees have the same score");
    return mh;
  }
  const double difference = observed - expected;
  mh.chi_square = difference * difference / variance;
  mh.p = chi_square_upper_tail(*mh.chi_square);
  if (smd) mh.ets_class = polytomous_ets_class(*smd, sd, *mh.p, alpha);
  if (ad_n == 0) {
    add_note(note, "Liu-Agresti odds ratio is 0: no used level has reference examinees above and"
                   " focal examinees at or below a score together");
  } else if (bc_n == 0) {
    add_note(note, "Liu-Agresti odds ratio is infinite: no used level has reference examinees at"
                   " or below and focal examinees above a score together");
  } else {
    mh.alpha = ad_n / bc_n;
    mh.d_dif = -kDDifScale * std::log(*mh.alpha);
  }
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

namespace {

// Classes B and C of 0/1 items, BB and CC of polytomous ones; an item without a class (odds
// ratio 0 or infinite, no variance) is never flagged.
bool class_b_or_c(const MethodValues& values, double) {
  const std::string text = cell_text(value_of(values, kColumns, column::ets_class));
  return !text.empty() && (text[0] == 'B' || text[0] == 'C');
}
bool class_c(const MethodValues& values, double) {
  const std::string text = cell_text(value_of(values, kColumns, column::ets_class));
  return !text.empty() && text[0] == 'C';
}
bool adjusted_p_below(const MethodValues& values, double alpha) {
  if (cell_text(value_of(values, kColumns, column::ets_class)).empty()) return false;
  const std::optional<double> p = cell_number(value_of(values, kColumns, column::mh_p_adjusted));
  return p && *p < alpha;
}
bool overall_p_below(const MethodValues& values, double alpha) {
  const std::optional<double> p =
      cell_number(value_of(values, kOverallColumns, overall_column::gmh_p_adjusted));
  return p && *p < alpha;
}

constexpr std::array<FlagRule, 3> kFlagRules = {{
    {"ets", "ETS class B or C (BB or CC)", class_b_or_c},
    {"ets-c", "ETS class C (CC)", class_c},
    {"p", "adjusted MH p below alpha", adjusted_p_below},
}};

}  // namespace

Method mantel_haenszel_method() {
  Method method{"mh", "Mantel-Haenszel (always computed)", true, kColumns, compute};
  method.overall_columns = kOverallColumns;
  method.compute_overall = compute_overall;
  method.flag_rules = kFlagRules;
  method.overall_flag = overall_p_below;
  return method;
}

}  // namespace itemdif::stats

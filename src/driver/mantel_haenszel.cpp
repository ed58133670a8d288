// Mantel-Haenszel statistics of every item from the level tables of the current pass.
#include "driver/mantel_haenszel.hpp"

#include <cmath>
#include <cstddef>

#include "dist/dchidf.hpp"
#include "driver/levels.hpp"

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
  double n;   // level_size
};

Cell cell_at(const RunData& run, std::size_t k, std::size_t j) {
  return Cell{run.level_counts[kReference][kCorrect](k, j),
              run.level_counts[kReference][kIncorrect](k, j),
              run.level_counts[kFocal][kCorrect](k, j),
              run.level_counts[kFocal][kIncorrect](k, j),
              run.level_counts[kReference][kBoth](k, j),
              run.level_counts[kFocal][kBoth](k, j),
              run.level_size(k, j)};
}

bool is_valid(const RunData& run, std::size_t k, std::size_t j) {
  return run.level_valid(k, j) == 1;
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

void mantel_haenszel(RunData& run) {
  const std::size_t n_items = count_of(run.n_items);
  const std::size_t n_levels = count_of(run.n_levels);

  // The counting of this pass has read the previous codes; from here on they are stale.
  for (std::size_t j = 0; j < n_items; ++j) run.ets_code[j] = ' ';

  for (std::size_t j = 0; j < n_items; ++j) {
    run.alpha_numerator[j] = 0.0;
    run.alpha_denominator[j] = 0.0;
    for (std::size_t k = 0; k < n_levels; ++k) {
      if (!is_valid(run, k, j)) continue;
      const Cell t = cell_at(run, k, j);
      run.alpha_numerator[j] += (t.a * t.d) / t.n;
      run.alpha_denominator[j] += (t.b * t.c) / t.n;
    }
  }

  for (std::size_t j = 0; j < n_items; ++j) {
    if (run.alpha_denominator[j] == 0.0) conditioning_windows_too_small();
    run.alpha[j] = run.alpha_numerator[j] / run.alpha_denominator[j];
    run.mh_d_dif[j] = -(std::log(run.alpha[j]) * 2.35);
  }

  for (std::size_t j = 0; j < n_items; ++j) {
    for (std::size_t k = 0; k < n_levels; ++k) {
      if (!is_valid(run, k, j)) {
        run.expected_correct(k, j) = 0.0;
        run.correct_variance(k, j) = 0.0;
        continue;
      }
      const Cell t = cell_at(run, k, j);
      const double m1 = t.a + t.c;
      const double m0 = t.b + t.d;
      run.expected_correct(k, j) = (t.a + t.c) * t.nr / t.n;
      run.correct_variance(k, j) = t.nr * t.nf * m1 * m0 / (t.n * t.n * (t.n - 1.0));
    }
  }

  for (std::size_t j = 0; j < n_items; ++j) {
    run.observed_sum[j] = 0.0;
    run.expected_sum[j] = 0.0;
    run.variance_sum[j] = 0.0;
    for (std::size_t k = 0; k < n_levels; ++k) {
      if (!is_valid(run, k, j)) continue;
      run.observed_sum[j] += run.level_counts[kReference][kCorrect](k, j);
      run.expected_sum[j] += run.expected_correct(k, j);
      run.variance_sum[j] += run.correct_variance(k, j);
    }
  }

  // The continuity correction has no floor: a difference below 0.5 squares a negative number.
  for (std::size_t j = 0; j < n_items; ++j) {
    const double corrected = std::fabs(run.observed_sum[j] - run.expected_sum[j]) - 0.5;
    run.chi_square[j] = corrected * corrected / run.variance_sum[j];
  }

  const double degrees_of_freedom = 1.0;
  for (std::size_t j = 0; j < n_items; ++j) {
    run.p_value[j] = 1.0 - dist::DCHIDF(run.chi_square[j], degrees_of_freedom);
    run.significance_mark[j] = significance_mark_for(run.p_value[j]);
  }

  // The sum of A D / N that the standard error divides by is alpha_numerator: the same terms
  // added in the same order.
  for (std::size_t j = 0; j < n_items; ++j) {
    const double alpha = run.alpha[j];
    double variance_terms = 0.0;
    for (std::size_t k = 0; k < n_levels; ++k) {
      if (!is_valid(run, k, j)) continue;
      const Cell t = cell_at(run, k, j);
      variance_terms += (t.a * t.d + alpha * t.b * t.c) * (t.a + t.d + (t.b + t.c) * alpha) /
                        (t.n * 2.0 * t.n);
    }
    run.se_d_dif[j] = std::sqrt(variance_terms) * (kSeScale / run.alpha_numerator[j]);
  }

  for (std::size_t j = 0; j < n_items; ++j)
    run.ets_code[j] = ets_category(run.mh_d_dif[j], run.se_d_dif[j]);
}

}  // namespace itemdif::driver

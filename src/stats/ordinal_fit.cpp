// Newton-Raphson fit of a proportional-odds model on score cells.
#include "stats/ordinal_fit.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <map>

#include <Eigen/Dense>

namespace itemdif::stats {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

/// Logistic distribution function and its logarithm, without overflow.
double logistic(double t) { return 1.0 / (1.0 + std::exp(-t)); }
double log_logistic(double t) {
  return t >= 0 ? -std::log1p(std::exp(-t)) : t - std::log1p(std::exp(t));
}

/// A cell as the fit reads it: its trait, its group (0 reference, k the k-th focal group) and
/// its category, 0 for the smallest score that occurs.
struct Cell {
  double x = 0;
  std::size_t group = 0;
  double count = 0;
  int category = 0;
};

/// The counts of the scores that occur, by score.
std::map<int, double> score_totals(std::span<const ScoreCell> cells) {
  std::map<int, double> totals;
  for (const ScoreCell& cell : cells)
    if (cell.count > 0) totals[cell.score] += cell.count;
  return totals;
}

struct OrdinalModel {
  using Vector = Eigen::VectorXd;
  using Matrix = Eigen::MatrixXd;
  std::vector<Cell> cells;
  int thresholds = 0;
  int slopes = 0;
  int focal = 1;  ///< group indicators g_1..g_F; the slopes' design row is
                  ///< (x, g_1..g_F, x g_1..x g_F), cut to the model's slopes

  /// The nonzero entries of the slopes' design row: x, and in a focal group's cell its
  /// indicator and x times it. The fit's cost per cell stays the same with many groups.
  struct SlopeEntries {
    int index[3] = {0, 0, 0};
    double value[3] = {0, 0, 0};
    int size = 0;
  };
  SlopeEntries slope_entries(const Cell& cell) const {
    SlopeEntries e;
    e.index[0] = 0;
    e.value[0] = cell.x;
    e.size = 1;
    if (cell.group == 0 || cell.group > static_cast<std::size_t>(focal)) return e;
    const int k = static_cast<int>(cell.group) - 1;
    if (1 + k < slopes) {
      e.index[e.size] = 1 + k;
      e.value[e.size++] = 1.0;
    }
    if (1 + focal + k < slopes) {
      e.index[e.size] = 1 + focal + k;
      e.value[e.size++] = cell.x * 1.0;
    }
    return e;
  }

  // Term by term in the row's order, so that one focal group sums as b_x x + b_g g + b_xg x g.
  double eta(const Cell& cell, const Vector& beta) const {
    const SlopeEntries z = slope_entries(cell);
    double sum = beta(thresholds) * z.value[0];
    for (int a = 1; a < z.size; ++a) sum += beta(thresholds + z.index[a]) * z.value[a];
    return sum;
  }

  /// The cumulative logits bounding the cell's category: P(category) = F(upper) - F(lower),
  /// an infinite bound where the category is the highest or the lowest.
  void bounds(const Cell& cell, const Vector& beta, double& upper, double& lower) const {
    const double e = eta(cell, beta);
    upper = cell.category > 0 ? beta(cell.category - 1) + e : kInfinity;
    lower = cell.category < thresholds ? beta(cell.category) + e : -kInfinity;
  }

  // F(u) - F(l) = F(u) F(-l) (1 - exp(l - u)) keeps its digits when both are near 0 or 1;
  // thresholds out of order give the log of a negative number, NaN, which step halving avoids.
  double log_likelihood(const Vector& beta) const {
    double sum = 0;
    for (const Cell& cell : cells) {
      double u = 0, l = 0;
      bounds(cell, beta, u, l);
      sum += cell.count * (log_logistic(u) + log_logistic(-l) + std::log(-std::expm1(l - u)));
    }
    return sum;
  }

  // The sums take only the design row's nonzero entries: the zeros would add nothing.
  void score_and_information(const Vector& beta, Vector& score, Matrix& information) const {
    const int terms = thresholds + slopes;
    score.setZero(terms);
    information.setZero(terms, terms);
    for (const Cell& cell : cells) {
      double u = 0, l = 0;
      bounds(cell, beta, u, l);
      const double f_u = logistic(u), f_minus_u = logistic(-u);
      const double f_l = logistic(l), f_minus_l = logistic(-l);
      // d log P / du = f(u) / P and d log P / dl = -f(l) / P, f = F (1 - F), in forms that
      // stay finite as P gets small.
      const double d = -std::expm1(l - u);
      const double gu = f_minus_u / (f_minus_l * d);
      const double gl = f_l / (f_u * d);
      // Second derivatives: f'(t) = f(t) (F(-t) - F(t)).
      const double huu = gu * (f_minus_u - f_u) - gu * gu;
      const double hll = -gl * (f_minus_l - f_l) - gl * gl;
      const double hul = gu * gl;
      const double w = cell.count;
      const SlopeEntries z = slope_entries(cell);
      // u moves with a_category and the slopes, l with a_(category+1) and the slopes.
      const double score_weight = w * (gu - gl);
      const double slope_weight = w * (huu + hll + 2 * hul);
      for (int a = 0; a < z.size; ++a) {
        score(thresholds + z.index[a]) += score_weight * z.value[a];
        const double row = slope_weight * z.value[a];
        for (int b = 0; b < z.size; ++b)
          information(thresholds + z.index[a], thresholds + z.index[b]) -= row * z.value[b];
      }
      if (cell.category > 0) {
        const int iu = cell.category - 1;
        score(iu) += w * gu;
        information(iu, iu) -= w * huu;
        const double cross = w * (huu + hul);
        for (int a = 0; a < z.size; ++a) {
          information(iu, thresholds + z.index[a]) -= cross * z.value[a];
          information(thresholds + z.index[a], iu) -= cross * z.value[a];
        }
      }
      if (cell.category < thresholds) {
        const int il = cell.category;
        score(il) -= w * gl;
        information(il, il) -= w * hll;
        const double cross = w * (hll + hul);
        for (int a = 0; a < z.size; ++a) {
          information(il, thresholds + z.index[a]) -= cross * z.value[a];
          information(thresholds + z.index[a], il) -= cross * z.value[a];
        }
      }
      if (cell.category > 0 && cell.category < thresholds) {
        information(cell.category - 1, cell.category) -= w * hul;
        information(cell.category, cell.category - 1) -= w * hul;
      }
    }
  }

  /// P(Y >= y) is largest at the first threshold and smallest at the last.
  bool separated(const Vector& beta) const {
    for (const Cell& cell : cells) {
      const double e = eta(cell, beta);
      for (int k = 0; k < thresholds; ++k) {
        const double p = logistic(beta(k) + e);
        if (p <= kSeparationTolerance || p >= 1.0 - kSeparationTolerance) return true;
      }
    }
    return false;
  }
};

}  // namespace

double thresholds_only_log_likelihood(std::span<const ScoreCell> cells) {
  const std::map<int, double> totals = score_totals(cells);
  double n = 0;
  for (const auto& [score, count] : totals) n += count;
  double sum = 0;
  for (const auto& [score, count] : totals) sum += count * std::log(count / n);
  return sum;
}

OrdinalFit fit_ordinal(std::span<const ScoreCell> cells, LogisticModel model,
                       std::size_t focal_groups) {
  OrdinalFit fit;
  const std::map<int, double> totals = score_totals(cells);
  std::map<int, int> category;
  for (const auto& [score, count] : totals) {
    if (!category.empty()) fit.threshold_scores.push_back(score);
    category.emplace(score, static_cast<int>(category.size()));
  }
  if (fit.threshold_scores.empty()) {
    fit.status = LogisticFit::Status::singular;
    return fit;
  }

  OrdinalModel ordinal;
  ordinal.thresholds = static_cast<int>(fit.threshold_scores.size());
  ordinal.slopes = logistic_slopes(model, focal_groups);
  ordinal.focal = static_cast<int>(focal_groups);
  for (const ScoreCell& cell : cells) {
    if (!(cell.count > 0)) continue;
    ordinal.cells.push_back({cell.trait, cell.group, cell.count, category.at(cell.score)});
  }
  const int terms = ordinal.thresholds + ordinal.slopes;

  // The thresholds-only maximum: a_y the logit of the share scoring y or more.
  double n = 0;
  for (const auto& [score, count] : totals) n += count;
  Eigen::VectorXd beta = Eigen::VectorXd::Zero(terms);
  double above = n;
  int k = 0;
  for (const auto& [score, count] : totals) {
    if (above < n) beta(k++) = std::log(above / (n - above));
    above -= count;
  }

  const auto result = maximise_likelihood(ordinal, beta);
  fit.status = result.status;
  fit.iterations = result.iterations;
  if (fit.status != LogisticFit::Status::converged) return fit;
  fit.log_likelihood = result.log_likelihood;
  for (int t = 0; t < terms; ++t) {
    fit.estimate.push_back(result.estimate(t));
    fit.se.push_back(std::sqrt(result.covariance(t, t)));
  }
  return fit;
}

}  // namespace itemdif::stats

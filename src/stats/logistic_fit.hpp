// Maximum-likelihood fit of a logistic model of one item's responses on grouped data: the
// examinees of one matching score and one group share their design row, so the likelihood
// is a product of at most 2 (m + 1) binomial cells, the same likelihood as over the examinees.
#pragma once

#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

#include <Eigen/Dense>

namespace itemdif::stats {

/// The examinees of one (trait, group) pair: `n` of them, `correct` answering correctly.
struct BinomialCell {
  double trait = 0;  ///< the centred matching score x
  double group = 0;  ///< 0 reference, k the k-th focal group (1 in a two-group comparison)
  double n = 0;
  double correct = 0;
};

/// The nested models and their terms: trait (1, x), uniform (1, x, g), nonuniform (1, x, g, x g).
/// With F focal groups g stands for F indicators g_1..g_F, and x g for x g_1..x g_F.
enum class LogisticModel { trait = 2, uniform = 3, nonuniform = 4 };

/// The terms of a binary model with `focal_groups` group indicators.
constexpr int logistic_terms(LogisticModel model, std::size_t focal_groups) {
  const int f = static_cast<int>(focal_groups);
  switch (model) {
    case LogisticModel::trait: return 2;
    case LogisticModel::uniform: return 2 + f;
    case LogisticModel::nonuniform: return 2 + 2 * f;
  }
  return 0;
}

/// The slopes after the intercept(s): x, the group indicators and their products with x.
constexpr int logistic_slopes(LogisticModel model, std::size_t focal_groups) {
  return logistic_terms(model, focal_groups) - 1;
}

/// The most terms of a two-group model, whose solves stay on the stack.
inline constexpr int kMaxLogisticTerms = 4;
inline constexpr int kLogisticIterations = 50;
/// Relative change of the deviance below which a fit has settled.
inline constexpr double kDevianceTolerance = 1e-10;
/// The largest Newton step, relative to 1 + |estimate|, of a fit that has settled.
inline constexpr double kStepTolerance = 1e-6;
/// A fitted probability this close to 0 or 1 in a cell with examinees is separation.
inline constexpr double kSeparationTolerance = 1e-10;

struct LogisticFit {
  enum class Status { converged, separated, not_converged, singular };
  Status status = Status::not_converged;
  int terms = 0;
  int iterations = 0;
  /// The examinees' Bernoulli log-likelihood at the estimates; deviance = -2 log_likelihood.
  double log_likelihood = 0;
  std::vector<double> estimate;  ///< in term order
  std::vector<double> se;        ///< square roots of the inverse information
};

/// Newton-Raphson with step halving from the intercept of the pooled proportion; the cells
/// must hold correct and incorrect answers both. Converged when the deviance's change relative
/// to |deviance| + 0.1 falls below kDevianceTolerance, with a Newton step within
/// kStepTolerance, within kLogisticIterations; separated as soon as a cell with examinees is
/// fitted within kSeparationTolerance of 0 or 1; singular when the information matrix is not
/// positive definite. The estimates and standard errors are set only when converged. A cell of
/// group k sets indicator g_k; `focal_groups` is F, 1 in a two-group comparison.
LogisticFit fit_logistic(std::span<const BinomialCell> cells, LogisticModel model,
                         std::size_t focal_groups = 1);

/// Where Newton-Raphson left a log-likelihood: the estimates and the inverse information there.
template <typename Vector, typename Matrix>
struct NewtonResult {
  LogisticFit::Status status = LogisticFit::Status::not_converged;
  int iterations = 0;
  double log_likelihood = 0;
  Vector estimate;
  Matrix covariance;  ///< set only when converged
};

/// Newton-Raphson with step halving, and the rules of fit_logistic, on a concave
/// log-likelihood. `Model` gives its Vector and Matrix types and
///   double log_likelihood(const Vector&) const   (NaN or -inf where undefined),
///   void score_and_information(const Vector&, Vector& score, Matrix& information) const,
///   bool separated(const Vector&) const          (a fitted probability at 0 or 1).
template <typename Model>
NewtonResult<typename Model::Vector, typename Model::Matrix> maximise_likelihood(
    const Model& model, typename Model::Vector beta) {
  using Vector = typename Model::Vector;
  using Matrix = typename Model::Matrix;
  NewtonResult<Vector, Matrix> result;
  const auto terms = beta.size();
  double likelihood = model.log_likelihood(beta);

  Vector score;
  Matrix information;
  for (result.iterations = 1; result.iterations <= kLogisticIterations; ++result.iterations) {
    model.score_and_information(beta, score, information);
    const Eigen::LDLT<Matrix> solver(information);
    if (solver.info() != Eigen::Success || !solver.isPositive() ||
        !(solver.vectorD().minCoeff() > 1e-14 * solver.vectorD().maxCoeff())) {
      result.status = LogisticFit::Status::singular;
      return result;
    }
    const Vector step = solver.solve(score);
    // The log-likelihood is concave, so halving an overshooting Newton step finds a rise (an
    // undefined value, e.g. of thresholds out of order, counts as a fall). Near the maximum
    // its change is below rounding, and the step must still be taken in full: the estimates
    // are then off by about the step, the log-likelihood by its square.
    const double rounding = 1e-12 * (1.0 + std::fabs(likelihood));
    Vector next = beta + step;
    double next_likelihood = model.log_likelihood(next);
    for (int halving = 0; halving < 30 && !(next_likelihood >= likelihood - rounding); ++halving) {
      next = beta + std::ldexp(1.0, -(halving + 1)) * step;
      next_likelihood = model.log_likelihood(next);
    }
    const double change =
        std::fabs(2.0 * (next_likelihood - likelihood)) / (std::fabs(2.0 * next_likelihood) + 0.1);
    beta = next;
    likelihood = next_likelihood;
    if (model.separated(beta)) {
      result.status = LogisticFit::Status::separated;
      return result;
    }
    // Under separation the deviance settles while the estimates run off, about one unit per
    // step; a settled fit has settled estimates too, and a separated one keeps going until a
    // fitted probability reaches 0 or 1.
    const bool steady = (step.array().abs() <= kStepTolerance * (1.0 + beta.array().abs())).all();
    if (change < kDevianceTolerance && steady) {
      result.status = LogisticFit::Status::converged;
      break;
    }
  }
  if (result.status != LogisticFit::Status::converged) return result;

  model.score_and_information(beta, score, information);
  const Eigen::LDLT<Matrix> solver(information);
  result.covariance = solver.solve(Matrix::Identity(terms, terms));
  result.log_likelihood = likelihood;
  result.estimate = beta;
  return result;
}

}  // namespace itemdif::stats

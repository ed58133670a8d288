// Newton-Raphson fit of a logistic model on binomial cells.
#include "stats/logistic_fit.hpp"

#include <cmath>

#include <Eigen/Dense>

namespace itemdif::stats {
namespace {

// A two-group model has at most kMaxLogisticTerms terms and keeps its vectors on the stack;
// more focal groups take heap-sized ones.
using SmallVector = Eigen::Matrix<double, Eigen::Dynamic, 1, 0, kMaxLogisticTerms, 1>;
using SmallMatrix =
    Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, 0, kMaxLogisticTerms, kMaxLogisticTerms>;

/// (1, x, g_1..g_F, x g_1..x g_F) cut to the model's terms; F = 1 gives (1, x, g, x g).
template <typename Vector>
Vector design_row(const BinomialCell& cell, int terms, int focal) {
  Vector z(terms);
  z(0) = 1.0;
  z(1) = cell.trait;
  for (int k = 0; k < focal && 2 + k < terms; ++k) {
    const double g = cell.group == k + 1 ? 1.0 : 0.0;
    z(2 + k) = g;
    if (2 + focal + k < terms) z(2 + focal + k) = cell.trait * g;
  }
  return z;
}

/// log P(correct) and log P(incorrect) at linear predictor eta, without overflow.
void log_probabilities(double eta, double& log_p, double& log_q) {
  if (eta >= 0) {
    log_p = -std::log1p(std::exp(-eta));
    log_q = log_p - eta;
  } else {
    log_q = -std::log1p(std::exp(eta));
    log_p = log_q + eta;
  }
}

/// The binomial cells' likelihood as maximise_likelihood reads it.
template <typename VectorType, typename MatrixType>
struct BinomialModel {
  using Vector = VectorType;
  using Matrix = MatrixType;
  std::span<const BinomialCell> cells;
  int focal = 1;

  Vector row(const BinomialCell& cell, const Vector& beta) const {
    return design_row<Vector>(cell, static_cast<int>(beta.size()), focal);
  }

  double fitted(const BinomialCell& cell, const Vector& beta) const {
    return 1.0 / (1.0 + std::exp(-row(cell, beta).dot(beta)));
  }

  double log_likelihood(const Vector& beta) const {
    double sum = 0;
    for (const BinomialCell& cell : cells) {
      double log_p = 0, log_q = 0;
      log_probabilities(row(cell, beta).dot(beta), log_p, log_q);
      // 0 log 0 is 0: a cell without correct (incorrect) answers adds no log p (log q) term.
      if (cell.correct > 0) sum += cell.correct * log_p;
      if (cell.n - cell.correct > 0) sum += (cell.n - cell.correct) * log_q;
    }
    return sum;
  }

  void score_and_information(const Vector& beta, Vector& score, Matrix& information) const {
    const auto terms = beta.size();
    score.setZero(terms);
    information.setZero(terms, terms);
    for (const BinomialCell& cell : cells) {
      const Vector z = row(cell, beta);
      const double p = fitted(cell, beta);
      score.noalias() += (cell.correct - cell.n * p) * z;
      information.noalias() += (cell.n * p * (1.0 - p)) * z * z.transpose();
    }
  }

  bool separated(const Vector& beta) const {
    for (const BinomialCell& cell : cells) {
      if (!(cell.n > 0)) continue;
      const double p = fitted(cell, beta);
      if (p <= kSeparationTolerance || p >= 1.0 - kSeparationTolerance) return true;
    }
    return false;
  }
};

template <typename Vector, typename Matrix>
void fit_with(std::span<const BinomialCell> cells, int focal, double intercept, LogisticFit& fit) {
  Vector beta = Vector::Zero(fit.terms);
  beta(0) = intercept;
  const auto result = maximise_likelihood(BinomialModel<Vector, Matrix>{cells, focal}, beta);
  fit.status = result.status;
  fit.iterations = result.iterations;
  if (fit.status != LogisticFit::Status::converged) return;
  fit.log_likelihood = result.log_likelihood;
  for (int k = 0; k < fit.terms; ++k) {
    fit.estimate.push_back(result.estimate(k));
    fit.se.push_back(std::sqrt(result.covariance(k, k)));
  }
}

}  // namespace

LogisticFit fit_logistic(std::span<const BinomialCell> cells, LogisticModel model,
                         std::size_t focal_groups) {
  LogisticFit fit;
  fit.terms = logistic_terms(model, focal_groups);
  double n = 0, correct = 0;
  for (const BinomialCell& cell : cells) {
    n += cell.n;
    correct += cell.correct;
  }
  const double intercept = std::log(correct / (n - correct));
  const int focal = static_cast<int>(focal_groups);
  if (fit.terms <= kMaxLogisticTerms)
    fit_with<SmallVector, SmallMatrix>(cells, focal, intercept, fit);
  else
    fit_with<Eigen::VectorXd, Eigen::MatrixXd>(cells, focal, intercept, fit);
  return fit;
}

}  // namespace itemdif::stats

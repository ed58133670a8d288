// Newton-Raphson fit of a logistic model on binomial cells.
#include "stats/logistic_fit.hpp"

#include <cmath>

#include <Eigen/Dense>

namespace itemdif::stats {
namespace {

using Vector = Eigen::Matrix<double, Eigen::Dynamic, 1, 0, kMaxLogisticTerms, 1>;
using Matrix =
    Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, 0, kMaxLogisticTerms, kMaxLogisticTerms>;

Vector design_row(const BinomialCell& cell, int terms) {
  Vector z(terms);
  z(0) = 1.0;
  z(1) = cell.trait;
  if (terms > 2) z(2) = cell.group;
  if (terms > 3) z(3) = cell.trait * cell.group;
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

double log_likelihood(std::span<const BinomialCell> cells, const Vector& beta) {
  double sum = 0;
  for (const BinomialCell& cell : cells) {
    double log_p = 0, log_q = 0;
    log_probabilities(design_row(cell, static_cast<int>(beta.size())).dot(beta), log_p, log_q);
    // 0 log 0 is 0: a cell without correct (incorrect) answers adds no log p (log q) term.
    if (cell.correct > 0) sum += cell.correct * log_p;
    if (cell.n - cell.correct > 0) sum += (cell.n - cell.correct) * log_q;
  }
  return sum;
}

double fitted(const BinomialCell& cell, const Vector& beta) {
  return 1.0 / (1.0 + std::exp(-design_row(cell, static_cast<int>(beta.size())).dot(beta)));
}

bool separated(std::span<const BinomialCell> cells, const Vector& beta) {
  for (const BinomialCell& cell : cells) {
    if (!(cell.n > 0)) continue;
    const double p = fitted(cell, beta);
    if (p <= kSeparationTolerance || p >= 1.0 - kSeparationTolerance) return true;
  }
  return false;
}

/// The score vector and the information matrix at beta.
void score_and_information(std::span<const BinomialCell> cells, const Vector& beta, Vector& score,
                           Matrix& information) {
  const int terms = static_cast<int>(beta.size());
  score.setZero(terms);
  information.setZero(terms, terms);
  for (const BinomialCell& cell : cells) {
    const Vector z = design_row(cell, terms);
    const double p = fitted(cell, beta);
    score.noalias() += (cell.correct - cell.n * p) * z;
    information.noalias() += (cell.n * p * (1.0 - p)) * z * z.transpose();
  }
}

/// The binomial cells' likelihood as maximise_likelihood reads it.
struct BinomialModel {
  using Vector = stats::Vector;
  using Matrix = stats::Matrix;
  std::span<const BinomialCell> cells;

  double log_likelihood(const Vector& beta) const { return stats::log_likelihood(cells, beta); }
  void score_and_information(const Vector& beta, Vector& score, Matrix& information) const {
    stats::score_and_information(cells, beta, score, information);
  }
  bool separated(const Vector& beta) const { return stats::separated(cells, beta); }
};

}  // namespace

LogisticFit fit_logistic(std::span<const BinomialCell> cells, LogisticModel model) {
  LogisticFit fit;
  fit.terms = static_cast<int>(model);
  double n = 0, correct = 0;
  for (const BinomialCell& cell : cells) {
    n += cell.n;
    correct += cell.correct;
  }
  Vector beta = Vector::Zero(fit.terms);
  beta(0) = std::log(correct / (n - correct));
  const auto result = maximise_likelihood(BinomialModel{cells}, beta);
  fit.status = result.status;
  fit.iterations = result.iterations;
  if (fit.status != LogisticFit::Status::converged) return fit;
  fit.log_likelihood = result.log_likelihood;
  for (int k = 0; k < fit.terms; ++k) {
    fit.estimate[static_cast<std::size_t>(k)] = result.estimate(k);
    fit.se[static_cast<std::size_t>(k)] = std::sqrt(result.covariance(k, k));
  }
  return fit;
}

}  // namespace itemdif::stats

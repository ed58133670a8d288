// Maximum-likelihood fit of a logistic model of one item's responses on grouped data: the
// examinees of one matching score and one group share their design row, so the likelihood
// is a product of at most 2 (m + 1) binomial cells, the same likelihood as over the examinees.
#pragma once

#include <array>
#include <span>

namespace itemdif::stats {

/// The examinees of one (trait, group) pair: `n` of them, `correct` answering correctly.
struct BinomialCell {
  double trait = 0;  ///< the centred matching score x
  double group = 0;  ///< 1 focal, 0 reference
  double n = 0;
  double correct = 0;
};

/// The nested models and their terms: trait (1, x), uniform (1, x, g), nonuniform (1, x, g, x g).
enum class LogisticModel { trait = 2, uniform = 3, nonuniform = 4 };

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
  std::array<double, kMaxLogisticTerms> estimate{};
  std::array<double, kMaxLogisticTerms> se{};  ///< square roots of the inverse information
};

/// Newton-Raphson with step halving from the intercept of the pooled proportion; the cells
/// must hold correct and incorrect answers both. Converged when the deviance's change relative
/// to |deviance| + 0.1 falls below kDevianceTolerance, with a Newton step within
/// kStepTolerance, within kLogisticIterations; separated as soon as a cell with examinees is
/// fitted within kSeparationTolerance of 0 or 1; singular when the information matrix is not
/// positive definite. The estimates and standard errors mean something only when converged.
LogisticFit fit_logistic(std::span<const BinomialCell> cells, LogisticModel model);

}  // namespace itemdif::stats

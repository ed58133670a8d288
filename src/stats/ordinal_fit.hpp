// Maximum-likelihood fit of a proportional-odds model of a polytomous item's scores,
// logit P(Y >= y) = a_y + b_x x (+ b_g g (+ b_xg x g)), on the item's score cells: the
// examinees of one matching score, group and item score share their likelihood term, so the
// work grows with the cells and not with the examinees.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "stats/logistic_fit.hpp"
#include "stats/score_cells.hpp"

namespace itemdif::stats {

struct OrdinalFit {
  LogisticFit::Status status = LogisticFit::Status::not_converged;
  int iterations = 0;
  /// The examinees' log-likelihood at the estimates; deviance = -2 log_likelihood.
  double log_likelihood = 0;
  /// The score y of each threshold a_y: every score that occurs but the smallest, ascending.
  std::vector<int> threshold_scores;
  /// The thresholds in threshold_scores' order, then b_x, the b_g and the b_xg as far as the
  /// model goes.
  std::vector<double> estimate;
  std::vector<double> se;  ///< square roots of the inverse observed information
};

/// The log-likelihood of the thresholds alone, sum over the scores of n_y ln(n_y / n).
double thresholds_only_log_likelihood(std::span<const ScoreCell> cells);

/// Newton-Raphson from the thresholds-only fit (the cumulative logits of the pooled
/// proportions) with zero slopes, under the rules of fit_logistic; a model (trait, uniform,
/// nonuniform) adds its slopes to the thresholds. Group 0 of the cells is the reference group,
/// group k sets the indicator g_k of the k-th of `focal_groups` focal groups. Separated when a
/// cell with examinees has a fitted P(Y >= y) within kSeparationTolerance of 0 or 1; singular
/// when fewer than two scores occur or the information is not positive definite. Estimates
/// and standard errors only when converged.
OrdinalFit fit_ordinal(std::span<const ScoreCell> cells, LogisticModel model,
                       std::size_t focal_groups = 1);

}  // namespace itemdif::stats

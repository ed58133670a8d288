// The logistic-regression method: three nested logistic models of an item's responses on the
// matching score and the group (binary for a 0/1 item, proportional-odds for a polytomous
// one), their likelihood-ratio tests, Nagelkerke R² differences, the change of the trait
// coefficient when the group enters, and the effect-size classes.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "stats/logistic_fit.hpp"
#include "stats/method.hpp"
#include "stats/score_cells.hpp"

namespace itemdif::stats {

/// A 0/1 item's score cells as binomial cells by matching score and group (the group 1 for the
/// focal group), in the cells' order.
std::vector<BinomialCell> binomial_cells(std::span<const ScoreCell> cells);

/// Nagelkerke's R² of a model with log-likelihood `model` against the intercept-only model's
/// `null` on n examinees: (1 - exp(2 (null - model) / n)) / (1 - exp(2 null / n)).
double nagelkerke_r2(double model, double null, double n);

/// Zumbo-Thomas: "A" unless p < alpha; then "C" above 0.26, "B" from 0.13, "A" below.
std::string zumbo_thomas_class(double delta_r2, double p, double alpha);
/// Jodoin-Gierl: "A" unless p < alpha; then "C" above 0.070, "B" from 0.035, "A" below.
std::string jodoin_gierl_class(double delta_r2, double p, double alpha);

/// Fits trait, uniform and nonuniform to the cells: the method's cells (`lr_p_adjusted` left
/// empty), the models' coefficients (model by model, term order; empty values for a model that
/// did not converge) and each undefined value's reason.
MethodValues lr_values(std::span<const BinomialCell> cells, double alpha);

/// lr_values of a polytomous item: the proportional-odds models on its score cells, R² against
/// the thresholds-only model, one intercept term "intercept_y" for each threshold a_y.
MethodValues ordinal_lr_values(std::span<const ScoreCell> cells, double alpha);

Method logistic_regression_method();

}  // namespace itemdif::stats

// The logistic-regression method: three nested logistic models of an item's responses on the
// matching score and the group (binary for a 0/1 item, proportional-odds for a polytomous
// one), their likelihood-ratio tests, Nagelkerke R² differences, the change of the trait
// coefficient when the group enters, and the effect-size classes.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "stats/logistic_fit.hpp"
#include "stats/method.hpp"
#include "stats/score_cells.hpp"

namespace itemdif::stats {

/// A 0/1 item's score cells as binomial cells by matching score and group (the cells' group
/// number, 1 for the focal group of a comparison), in the cells' order.
std::vector<BinomialCell> binomial_cells(std::span<const ScoreCell> cells);

/// Nagelkerke's R² of a model with log-likelihood `model` against the intercept-only model's
/// `null` on n examinees: (1 - exp(2 (null - model) / n)) / (1 - exp(2 null / n)).
double nagelkerke_r2(double model, double null, double n);

/// Zumbo-Thomas: "A" unless p < alpha; then "C" above 0.26, "B" from 0.13, "A" below.
std::string zumbo_thomas_class(double delta_r2, double p, double alpha);
/// Jodoin-Gierl: "A" unless p < alpha; then "C" above 0.070, "B" from 0.035, "A" below.
std::string jodoin_gierl_class(double delta_r2, double p, double alpha);

/// The names of the group terms, one per focal group.
struct GroupTerms {
  std::vector<std::string> group;          ///< "group" in a comparison
  std::vector<std::string> trait_x_group;  ///< "trait_x_group" in a comparison
};

/// The terms of a two-group comparison's models.
GroupTerms comparison_terms();

/// The three nested models' likelihood-ratio tests with F = the focal groups of `terms`:
/// trait against nonuniform (2F df), trait against uniform and uniform against nonuniform
/// (F df each), the Nagelkerke R² differences and the classes; the coefficients of the models
/// (model by model, term order; without values for a model that did not converge) and each
/// undefined value's reason. An empty optional is an undefined value; the degrees of freedom
/// are set whether or not the models were fitted.
struct LrTests {
  std::optional<double> chi_square, p;
  std::optional<double> uniform_chi_square, uniform_p;
  std::optional<double> nonuniform_chi_square, nonuniform_p;
  std::optional<double> delta_r2, uniform_delta_r2;
  double df = 0, uniform_df = 0, nonuniform_df = 0;
  std::string zumbo_thomas_class, jodoin_gierl_class;  ///< "A", "B", "C"; empty when undefined
  std::vector<Coefficient> coefficients;
  std::string note;
};

/// The tests of a 0/1 item's binary models on cells of groups 0..F. Without examinees in every
/// group nothing is fitted and nothing noted: the caller says which group is missing.
LrTests binary_lr_tests(std::span<const BinomialCell> cells, const GroupTerms& terms,
                        double alpha);
/// The tests of a polytomous item's proportional-odds models on score cells of groups 0..F,
/// R² against the thresholds-only model, one intercept "intercept_y" per threshold a_y.
LrTests ordinal_lr_tests(std::span<const ScoreCell> cells, const GroupTerms& terms,
                         double alpha);

/// Fits trait, uniform and nonuniform to the cells: the method's cells (`lr_p_adjusted` left
/// empty), the models' coefficients (model by model, term order; empty values for a model that
/// did not converge) and each undefined value's reason.
MethodValues lr_values(std::span<const BinomialCell> cells, double alpha);

/// lr_values of a polytomous item: the proportional-odds models on its score cells, R² against
/// the thresholds-only model, one intercept term "intercept_y" for each threshold a_y.
MethodValues ordinal_lr_values(std::span<const ScoreCell> cells, double alpha);

Method logistic_regression_method();

}  // namespace itemdif::stats

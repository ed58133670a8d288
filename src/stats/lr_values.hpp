// The logistic-regression DIF tests of one item: the three nested models fitted to the item's
// examinees, their likelihood-ratio tests, Nagelkerke R² differences and effect-size classes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "stats/dif_analysis.hpp"
#include "stats/logistic_fit.hpp"
#include "stats/score_counts.hpp"

namespace itemdif::stats {

/// The item's examinees as binomial cells by matching score and group, the score centred at
/// its mean over them; cells without examinees are left out.
std::vector<BinomialCell> binomial_cells(const ScoreCounts& counts, std::size_t item);

/// Nagelkerke's R² of a model with log-likelihood `model` against the intercept-only model's
/// `null` on n examinees: (1 - exp(2 (null - model) / n)) / (1 - exp(2 null / n)).
double nagelkerke_r2(double model, double null, double n);

/// Zumbo-Thomas: "A" unless p < alpha; then "C" above 0.26, "B" from 0.13, "A" below.
std::string zumbo_thomas_class(double delta_r2, double p, double alpha);
/// Jodoin-Gierl: "A" unless p < alpha; then "C" above 0.070, "B" from 0.035, "A" below.
std::string jodoin_gierl_class(double delta_r2, double p, double alpha);

/// Fits trait, uniform and nonuniform to `cells` and appends their coefficients (model by
/// model, term order; empty values for a model that did not converge) to `coefficients`.
/// `lr.p_adjusted` is left empty. Each undefined value's reason is appended to `note`.
LrValues lr_values(const std::vector<BinomialCell>& cells, double alpha,
                   std::vector<Coefficient>& coefficients, std::string& note);

}  // namespace itemdif::stats

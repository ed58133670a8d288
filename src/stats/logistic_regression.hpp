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

namespace column {
inline constexpr Column lr_chi_square("lr_chi_square");
inline constexpr Column lr_p = Column("lr_p", ColumnKind::p_value)
                                   .report("LR p", "logistic regression, 2 df likelihood-ratio test")
                                   .shown_in(SummaryTable::methods, "LR p", 10);
inline constexpr Column lr_p_adjusted = Column("lr_p_adjusted", ColumnKind::p_value)
                                            .report("LR p adj", "LR p adjusted across the items")
                                            .shown_in(SummaryTable::methods, "LR p_adj", 10)
                                            .adjusting(lr_p);
inline constexpr Column lr_uniform_chi_square("lr_uniform_chi_square");
inline constexpr Column lr_uniform_p("lr_uniform_p", ColumnKind::p_value);
inline constexpr Column lr_nonuniform_chi_square("lr_nonuniform_chi_square");
inline constexpr Column lr_nonuniform_p = Column("lr_nonuniform_p", ColumnKind::p_value)
                                              .nonuniform_test("logistic regression non-uniform p");
inline constexpr Column lr_delta_r2 = Column("lr_delta_r2").shown_in(SummaryTable::methods, "dR2", 7);
inline constexpr Column lr_uniform_delta_r2("lr_uniform_delta_r2");
inline constexpr Column lr_beta_change("lr_beta_change");
inline constexpr Column zumbo_thomas_class =
    Column("zumbo_thomas_class", ColumnKind::dif_class)
        .report("ZT", "Zumbo-Thomas class from the R\u00b2 difference")
        .shown_in(SummaryTable::methods, "ZT", 2);
inline constexpr Column jodoin_gierl_class =
    Column("jodoin_gierl_class", ColumnKind::dif_class)
        .report("JG", "Jodoin-Gierl class from the R\u00b2 difference")
        .shown_in(SummaryTable::methods, "JG", 2);
}  // namespace column

/// The generalized logistic regression's columns in the overall analysis that differ from the
/// comparisons' (degrees of freedom, where the summary and the report show them); the others
/// are the comparisons' own.
namespace overall_column {
inline constexpr Column lr_df("lr_df", ColumnKind::whole);
inline constexpr Column lr_p =
    Column("lr_p", ColumnKind::p_value)
        .report("LR p", "generalized logistic regression, 2(G - 1) df likelihood-ratio test")
        .shown_in(SummaryTable::items, "LR p", 10);
inline constexpr Column lr_p_adjusted = Column("lr_p_adjusted", ColumnKind::p_value).adjusting(lr_p);
inline constexpr Column lr_uniform_df("lr_uniform_df", ColumnKind::whole);
inline constexpr Column lr_nonuniform_df("lr_nonuniform_df", ColumnKind::whole);
inline constexpr Column lr_nonuniform_p =
    Column("lr_nonuniform_p", ColumnKind::p_value).nonuniform_test("logistic regression p");
inline constexpr Column lr_delta_r2 =
    Column("lr_delta_r2")
        .report("dR\u00b2", "Nagelkerke R\u00b2 difference of the generalized logistic models")
        .shown_in(SummaryTable::items, "dR2", 7);
inline constexpr Column zumbo_thomas_class =
    Column("zumbo_thomas_class", ColumnKind::dif_class)
        .report("ZT", "Zumbo-Thomas class from the R\u00b2 difference")
        .shown_in(SummaryTable::items, "ZT", 2);
inline constexpr Column jodoin_gierl_class =
    Column("jodoin_gierl_class", ColumnKind::dif_class)
        .report("JG", "Jodoin-Gierl class from the R\u00b2 difference")
        .shown_in(SummaryTable::items, "JG", 2);
}  // namespace overall_column

Method logistic_regression_method();

}  // namespace itemdif::stats

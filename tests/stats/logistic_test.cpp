// The logistic-regression tests: the grouped fit against R's glm on the individual examinees,
// Nagelkerke's R², the effect-size classes, and an item whose fit separates; a polytomous
// item's proportional-odds models through the analysis.
//
// R reference (R 4.2.2): the 44 examinees of data_set_1 as one row each, x = the total score
// of the three items centred at its mean, g = 1 focal;
//   f <- glm(y ~ xc, binomial, control = glm.control(epsilon = 1e-15, maxit = 100)), and
//   y ~ xc + g, y ~ xc * g; then Newton-Raphson on the rows from coef(f) until the step is
//   below 1e-15, SE from the inverse information there and deviance -2 sum(y log p + ...).
// (summary(f) itself evaluates the information one iterate early, 1e-9 off in the SE.)
#include "stats/logistic_regression.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stats/dif_analysis.hpp"
#include "stats/examinees.hpp"
#include "stats/item_range.hpp"
#include "stats/method_cells.hpp"
#include "stats/method_list.hpp"
#include "stats/score_cells.hpp"
#include "stats/scores_builder.hpp"

namespace itemdif::stats {
namespace {

void expect_relative(double actual, double expected, double tolerance) {
  EXPECT_NEAR(actual, expected, tolerance * std::fabs(expected)) << "expected " << expected;
}

std::vector<BinomialCell> cells_of_item(const data::ItemScores& scores, std::size_t item) {
  const Examinees examinees = select_examinees(scores, 2, MissingPolicy::excluded);
  const std::vector<ItemRange> ranges = item_ranges(scores, examinees.taking_part);
  const std::vector<std::uint8_t> matching(scores.n_items(), 1);
  const ScoreCounts counts = count_scores(scores, examinees.taking_part, ranges, 2,
                                          MissingPolicy::excluded, matching);
  return binomial_cells(score_cells(counts, item, ranges[item], {0, 1}));
}

using testing::method_named;
using testing::number_named;
using testing::text_named;

struct RFit {
  double deviance;
  std::vector<double> estimate, se;
};

// Item q1 of data_set_1.
const RFit kTrait = {44.325265407023551, {0.11226413751396061, 1.712499970480686},
                     {0.36971218392306276, 0.52948421796792022}};
const RFit kUniform = {40.763344042205262,
                       {0.77925526544798851, 1.7642105066692384, -1.4459910074873106},
                       {0.53715556927059804, 0.56398965803178736, 0.79657484704338455}};
const RFit kNonuniform = {
    40.683761923782946,
    {0.80304444969025046, 1.9158820949905784, -1.4455715444137944, -0.31822543019901783},
    {0.55877982783585167, 0.80395124895884296, 0.79480770956317259, 1.1269436400846309}};

TEST(LogisticFit, GroupedCellsGiveTheFitOfTheIndividualExaminees) {
  const std::vector<BinomialCell> cells = cells_of_item(testing::data_set_1(), 0);
  // Scores 0..3 in two groups; 44 examinees in at most 8 cells, x centred at 64/44.
  ASSERT_LE(cells.size(), 8u);
  double n = 0, weighted = 0;
  for (const BinomialCell& c : cells) {
    n += c.n;
    weighted += c.n * c.trait;
  }
  EXPECT_EQ(n, 44);
  EXPECT_NEAR(weighted, 0.0, 1e-12);

  const std::vector<std::pair<LogisticModel, const RFit*>> models = {
      {LogisticModel::trait, &kTrait},
      {LogisticModel::uniform, &kUniform},
      {LogisticModel::nonuniform, &kNonuniform}};
  for (const auto& [model, r] : models) {
    const LogisticFit fit = fit_logistic(cells, model);
    ASSERT_EQ(fit.status, LogisticFit::Status::converged);
    ASSERT_EQ(static_cast<std::size_t>(fit.terms), r->estimate.size());
    expect_relative(-2.0 * fit.log_likelihood, r->deviance, 1e-13);
    for (std::size_t k = 0; k < r->estimate.size(); ++k) {
      expect_relative(fit.estimate[k], r->estimate[k], 1e-12);
      expect_relative(fit.se[k], r->se[k], 1e-12);
    }
  }
}

TEST(LogisticFit, TestsEffectSizesAndCoefficientsOfAnItem) {
  const Method& lr = method_named("lr");
  const MethodValues values = lr_values(cells_of_item(testing::data_set_1(), 0), 0.05);
  const auto number = [&](std::string_view name) {
    const std::optional<double> value = number_named(lr, values, name);
    EXPECT_TRUE(value.has_value()) << name;
    return value.value_or(-1.0);
  };
  EXPECT_EQ(values.note, "");
  // Deviance differences of the R fits; pchisq(..., lower.tail = FALSE):
  // 2 df 0.16190399520350185, uniform 0.059119271529933258, nonuniform 0.77786451146013302.
  expect_relative(number("lr_chi_square"), kTrait.deviance - kNonuniform.deviance, 1e-12);
  expect_relative(number("lr_uniform_chi_square"), kTrait.deviance - kUniform.deviance, 1e-12);
  expect_relative(number("lr_nonuniform_chi_square"), kUniform.deviance - kNonuniform.deviance,
                  1e-10);
  expect_relative(number("lr_p"), 0.16190399520350185, 1e-11);
  expect_relative(number("lr_uniform_p"), 0.059119271529933258, 1e-11);
  expect_relative(number("lr_nonuniform_p"), 0.77786451146013302, 1e-11);
  // R: (1 - exp(2 (logLik(null) - logLik(m)) / n)) / (1 - exp(2 logLik(null) / n)) gives
  // 0.41891668815184252, 0.4900957886773295, 0.49162122373667838.
  expect_relative(number("lr_delta_r2"), 0.072704535584835861, 1e-11);
  expect_relative(number("lr_uniform_delta_r2"), 0.071179100525486982, 1e-11);
  // The xc coefficients of the R fits y ~ xc and y ~ xc + g:
  // abs(1.7642105066692384 - 1.712499970480686) / abs(1.712499970480686).
  expect_relative(number("lr_beta_change"), 0.0301959340612646, 1e-10);
  // Delta R² is past Jodoin-Gierl's 0.070, but the 2-df p is not below alpha.
  EXPECT_EQ(text_named(lr, values, "jodoin_gierl_class"), "A");
  EXPECT_EQ(text_named(lr, values, "zumbo_thomas_class"), "A");
  // Adjusted across the items later, by the analysis.
  EXPECT_FALSE(number_named(lr, values, "lr_p_adjusted").has_value());

  const std::vector<Coefficient>& coefficients = values.coefficients;
  ASSERT_EQ(coefficients.size(), 9u);
  const std::vector<std::string> terms = {"intercept", "trait",     "intercept",
                                          "trait",     "group",     "intercept",
                                          "trait",     "group",     "trait_x_group"};
  for (std::size_t k = 0; k < terms.size(); ++k) EXPECT_EQ(coefficients[k].term, terms[k]) << k;
  EXPECT_EQ(coefficients[0].model, "trait");
  EXPECT_EQ(coefficients[4].model, "uniform");
  EXPECT_EQ(coefficients[8].model, "nonuniform");
  // summary() of glm(y ~ xc * g, start = coef(f)), its information at the converged
  // estimates: "xc:g" z -0.28237918816873653, p 0.777652771367997597.
  expect_relative(*coefficients[8].estimate, kNonuniform.estimate[3], 1e-12);
  expect_relative(*coefficients[8].se, kNonuniform.se[3], 1e-12);
  expect_relative(*coefficients[8].z, -0.28237918816873653, 1e-12);
  expect_relative(*coefficients[8].p, 0.777652771367997597, 1e-12);
  // g of the uniform model: z -1.8152606912637743, p 0.0694838567746839247.
  expect_relative(*coefficients[4].z, -1.8152606912637743, 1e-12);
  expect_relative(*coefficients[4].p, 0.0694838567746839247, 1e-12);
}

TEST(LogisticFit, NagelkerkeOfAPerfectAndOfANullModel) {
  // 30 correct of 50: the intercept-only log-likelihood is 30 ln 0.6 + 20 ln 0.4.
  const double null = 30 * std::log(0.6) + 20 * std::log(0.4);
  EXPECT_DOUBLE_EQ(nagelkerke_r2(0.0, null, 50), 1.0);  // likelihood 1: every answer predicted
  EXPECT_DOUBLE_EQ(nagelkerke_r2(null, null, 50), 0.0);
}

TEST(LogisticFit, ClassBoundaries) {
  // Zumbo-Thomas: B from 0.13 to 0.26 inclusive, C above.
  EXPECT_EQ(zumbo_thomas_class(0.1299, 0.001, 0.05), "A");
  EXPECT_EQ(zumbo_thomas_class(0.13, 0.001, 0.05), "B");
  EXPECT_EQ(zumbo_thomas_class(0.26, 0.001, 0.05), "B");
  EXPECT_EQ(zumbo_thomas_class(0.2601, 0.001, 0.05), "C");
  // Jodoin-Gierl: B from 0.035 to 0.070 inclusive, C above.
  EXPECT_EQ(jodoin_gierl_class(0.0349, 0.001, 0.05), "A");
  EXPECT_EQ(jodoin_gierl_class(0.035, 0.001, 0.05), "B");
  EXPECT_EQ(jodoin_gierl_class(0.070, 0.001, 0.05), "B");
  EXPECT_EQ(jodoin_gierl_class(0.0701, 0.001, 0.05), "C");
  // Not significant: A however large; p equal to alpha is not below it.
  EXPECT_EQ(zumbo_thomas_class(0.5, 0.05, 0.05), "A");
  EXPECT_EQ(jodoin_gierl_class(0.5, 0.2, 0.05), "A");
  EXPECT_EQ(jodoin_gierl_class(0.5, 0.0499, 0.05), "C");
}

/// Item q1 is answered correctly by every focal examinee who answered it: the models with a
/// group term separate. Within each group q2 and q3 are mixed at two scores, so they fit.
data::ItemScores separated_first_item() {
  return testing::make_scores({{0, "000", 2}, {0, "100", 3}, {0, "010", 2}, {0, "001", 2},
                               {0, "110", 2}, {0, "101", 2}, {0, "011", 3}, {0, "111", 2},
                               {1, "100", 2}, {1, "110", 3}, {1, "101", 2}, {1, "111", 2},
                               {1, ".00", 2}, {1, ".10", 2}, {1, ".01", 3}, {1, ".11", 2}});
}

TEST(LogisticFit, SeparatedModelIsEmptyWithItsReasonAndTheRunGoesOn) {
  const data::ItemScores scores = separated_first_item();
  AnalyzeOptions options;
  options.purify = PurifyMode::none;
  options.adjust = Adjust::holm;
  const DifAnalysis a = analyze_scores(scores, options);
  ASSERT_EQ(a.comparisons.size(), 1u);
  const std::vector<ItemResult>& items = a.comparisons[0].items;
  ASSERT_EQ(items.size(), 3u);
  const ItemResult& q1 = items[0];
  EXPECT_NE(q1.note.find(
                "logistic models uniform, nonuniform: fitted probabilities reach 0 or 1 "
                "(separation)"),
            std::string::npos)
      << q1.note;
  for (const char* name : {"lr_uniform_delta_r2", "lr_chi_square", "lr_p", "lr_p_adjusted",
                           "lr_beta_change"})
    EXPECT_FALSE(q1.number(name).has_value()) << name;
  EXPECT_EQ(q1.text("zumbo_thomas_class"), "");
  // The trait model converged; the separated models keep their terms with empty values.
  const std::vector<Coefficient>& coefficients = q1.methods[*method_position("lr")].coefficients;
  ASSERT_EQ(coefficients.size(), 9u);
  EXPECT_TRUE(coefficients[0].estimate.has_value());
  EXPECT_FALSE(coefficients[2].estimate.has_value());
  EXPECT_EQ(coefficients[2].model, "uniform");

  // The other items are fitted, and Holm counts only the two defined LR p-values.
  const std::optional<double> p2 = items[1].number("lr_p"), p3 = items[2].number("lr_p");
  ASSERT_TRUE(p2 && p3) << items[1].note << items[2].note;
  const double low = std::min(*p2, *p3);
  const double high = std::max(*p2, *p3);
  const double low_adjusted = std::min(1.0, 2 * low);
  const double high_adjusted = std::max(low_adjusted, high);
  EXPECT_DOUBLE_EQ(*items[*p2 <= *p3 ? 1 : 2].number("lr_p_adjusted"), low_adjusted);
  EXPECT_DOUBLE_EQ(*items[*p2 <= *p3 ? 2 : 1].number("lr_p_adjusted"), high_adjusted);
}

TEST(LogisticFit, ItemsWithoutAFitSayWhy) {
  const Method& lr = method_named("lr");
  // Every examinee correct.
  std::vector<BinomialCell> cells = {{-0.5, 0, 4, 4}, {0.5, 1, 4, 4}};
  MethodValues values = lr_values(cells, 0.05);
  EXPECT_FALSE(number_named(lr, values, "lr_chi_square").has_value());
  EXPECT_EQ(values.note, "no logistic regression: every examinee answered the item alike");
  // One matching score for all.
  cells = {{0, 0, 4, 1}, {0, 1, 4, 3}};
  values = lr_values(cells, 0.05);
  EXPECT_FALSE(number_named(lr, values, "lr_chi_square").has_value());
  EXPECT_EQ(values.note, "no logistic regression: every examinee has the same matching score");
  EXPECT_TRUE(values.coefficients.empty());
}

// R reference (R 4.2.2 Patched, ordinal 2022.11.16) for the polytomous item q1 (scored 0..3)
// of polytomous_first_item(): one row per examinee, x = q1 + q2 + q3, xc = x - mean(x);
//   ctl <- clm.control(gradTol = 1e-14, relTol = 1e-14, maxIter = 200)
//   clm(factor(q1) ~ xc, data = d, control = ctl), ~ xc + g, ~ xc * g: deviances
//   64.233083749605129, 64.079701568638157, 62.896739165004803; 2-df chi-square
//   1.3363445846003259, pchisq(..., 2, lower.tail = FALSE) 0.51264468670037999;
//   coef(summary(.)) of ~ xc + g: "0|1" -3.98937017204459554 (SE 0.98949005124084799),
//   "g" -0.25908586772654674 (SE 0.66191314801391765, z -0.39141973309328959,
//   p 0.69548700861273793).
data::ItemScores polytomous_first_item() {
  return testing::make_scores({{0, "000", 3}, {0, "100", 2}, {0, "010", 2}, {0, "001", 2},
                               {0, "110", 2}, {0, "201", 3}, {0, "211", 2}, {0, "102", 2},
                               {0, "212", 3}, {0, "312", 3}, {0, "311", 2}, {0, "302", 1},
                               {0, "202", 2}, {1, "000", 3}, {1, "100", 3}, {1, "010", 2},
                               {1, "101", 2}, {1, "200", 2}, {1, "111", 2}, {1, "211", 2},
                               {1, "112", 2}, {1, "302", 1}, {1, "212", 1}, {1, "312", 2},
                               {1, "001", 2}});
}

ItemResult first_item_without_purification(const data::ItemScores& scores) {
  AnalyzeOptions options;
  options.purify = PurifyMode::none;
  const DifAnalysis a = analyze_scores(scores, options);
  EXPECT_EQ(a.comparisons.size(), 1u);
  return a.comparisons.at(0).items.at(0);
}

TEST(LogisticFit, PolytomousItemOfAnAnalysisAgainstR) {
  const ItemResult q1 = first_item_without_purification(polytomous_first_item());
  ASSERT_TRUE(q1.range.polytomous);
  EXPECT_EQ(q1.note.find("logistic"), std::string::npos) << q1.note;
  const std::optional<double> chi_square = q1.number("lr_chi_square"), p = q1.number("lr_p");
  ASSERT_TRUE(chi_square && p);
  expect_relative(*chi_square, 1.3363445846003259, 1e-9);
  expect_relative(*p, 0.51264468670037999, 1e-9);
  expect_relative(*q1.number("lr_uniform_chi_square"), 64.233083749605129 - 64.079701568638157,
                  1e-9);

  const std::vector<Coefficient>& coefficients = q1.methods[*method_position("lr")].coefficients;
  const std::vector<std::string> terms = {
      "intercept_1", "intercept_2", "intercept_3", "trait",         "intercept_1",
      "intercept_2", "intercept_3", "trait",       "group",         "intercept_1",
      "intercept_2", "intercept_3", "trait",       "group",         "trait_x_group"};
  ASSERT_EQ(coefficients.size(), terms.size());
  for (std::size_t k = 0; k < terms.size(); ++k) EXPECT_EQ(coefficients[k].term, terms[k]) << k;
  const Coefficient& intercept = coefficients[4];
  const Coefficient& group = coefficients[8];
  EXPECT_EQ(group.model, "uniform");
  // a_1 is -zeta of R's "0|1".
  expect_relative(*intercept.estimate, 3.98937017204459554, 1e-9);
  expect_relative(*intercept.se, 0.98949005124084799, 1e-9);
  expect_relative(*group.estimate, -0.25908586772654674, 1e-9);
  expect_relative(*group.se, 0.66191314801391765, 1e-9);
  expect_relative(*group.z, -0.39141973309328959, 1e-9);
  expect_relative(*group.p, 0.69548700861273793, 1e-9);
}

TEST(LogisticFit, PolytomousItemThatSeparatesIsEmptyWithItsReason) {
  // Every focal examinee scores 3 on q1: the models with a group term separate.
  const ItemResult q1 = first_item_without_purification(testing::make_scores(
      {{0, "000", 2}, {0, "100", 2}, {0, "010", 2}, {0, "011", 2}, {0, "200", 2}, {0, "012", 2},
       {0, "111", 2}, {0, "300", 1}, {0, "112", 2}, {0, "211", 2}, {0, "301", 1}, {0, "312", 2},
       {1, "300", 2}, {1, "310", 2}, {1, "301", 2}, {1, "311", 2}, {1, "302", 1}, {1, "312", 2}}));
  ASSERT_TRUE(q1.range.polytomous);
  EXPECT_NE(q1.note.find("logistic models uniform, nonuniform: fitted probabilities reach 0 or 1 "
                         "(separation)"),
            std::string::npos)
      << q1.note;
  for (const char* name : {"lr_chi_square", "lr_p", "lr_uniform_chi_square",
                           "lr_nonuniform_chi_square", "lr_delta_r2", "lr_beta_change"})
    EXPECT_FALSE(q1.number(name).has_value()) << name;
  EXPECT_EQ(q1.text("jodoin_gierl_class"), "");
  const std::vector<Coefficient>& coefficients = q1.methods[*method_position("lr")].coefficients;
  ASSERT_EQ(coefficients.size(), 15u);
  EXPECT_TRUE(coefficients[0].estimate.has_value());  // the trait model converged
  EXPECT_EQ(coefficients[4].model, "uniform");
  EXPECT_FALSE(coefficients[4].estimate.has_value());
}

TEST(LogisticFit, PolytomousItemsWithoutAFitSayWhy) {
  const Method& lr = method_named("lr");
  // Every examinee scored 2.
  std::vector<ScoreCell> cells = {{-1, 0, 2, 3}, {-1, 1, 2, 2}, {1, 0, 2, 4}, {1, 1, 2, 1}};
  MethodValues values = ordinal_lr_values(cells, 0.05);
  EXPECT_FALSE(number_named(lr, values, "lr_chi_square").has_value());
  EXPECT_EQ(values.note, "no logistic regression: every examinee answered the item alike");
  // One matching score for all.
  cells = {{0, 0, 0, 3}, {0, 0, 2, 1}, {0, 1, 1, 2}, {0, 1, 3, 2}};
  values = ordinal_lr_values(cells, 0.05);
  EXPECT_FALSE(number_named(lr, values, "lr_delta_r2").has_value());
  EXPECT_EQ(values.note, "no logistic regression: every examinee has the same matching score");
  EXPECT_TRUE(values.coefficients.empty());
  // The reference group alone: the analysis notes the missing group for the item.
  cells = {{-1, 0, 0, 3}, {-1, 0, 2, 1}, {1, 0, 1, 2}, {1, 0, 3, 2}};
  values = ordinal_lr_values(cells, 0.05);
  EXPECT_FALSE(number_named(lr, values, "lr_p").has_value());
  EXPECT_EQ(values.note, "");
  EXPECT_TRUE(values.coefficients.empty());
}

}  // namespace
}  // namespace itemdif::stats

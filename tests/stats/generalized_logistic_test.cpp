// Logistic regression across three groups against R's glm and ordinal::clm on the same
// weighted cells, the terms' names, and the cases that leave values empty.
//
// R reference (R 4.2.2 Patched, ordinal 2022.11.16): each table below as a data frame d of
// x, grp (0 reference, 1 and 2 the focal groups), y and the count w;
//   ctl <- glm.control(epsilon = 1e-15, maxit = 100)
//   m <- glm(y ~ 1, binomial, d, weights = w, control = ctl), and y ~ x,
//     y ~ x + factor(grp), y ~ x * factor(grp); deviance(m);
//   cc <- clm.control(gradTol = 1e-14, relTol = 1e-14, maxIter = 200)
//   q <- clm(factor(y) ~ 1, weights = w, data = d, control = cc), and ~ x,
//     ~ x + factor(grp), ~ x * factor(grp); deviance -2 * q$logLik, a_y = -q$alpha;
//   chi-square differences of the deviances, pchisq(chi, df, lower.tail = FALSE), and
//   Nagelkerke's R² (1 - exp((D - D0) / n)) / (1 - exp(-D0 / n)); coef, sqrt(diag(vcov)).
// glm's vcov comes from the weights one iterate before its last, hence the looser SEs.
#include "stats/generalized_logistic.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "stats/logistic_regression.hpp"
#include "stats/score_cells.hpp"

namespace itemdif::stats {
namespace {

void expect_relative(std::optional<double> actual, double expected, double tolerance) {
  ASSERT_TRUE(actual.has_value()) << "expected " << expected;
  EXPECT_NEAR(*actual, expected, tolerance * std::fabs(expected)) << "expected " << expected;
}

const std::vector<double> kTraits = {-2, -1, 0, 1, 2};
const std::vector<std::string> kFocal = {"b", "c"};

/// Counts by group, then trait, then score (from 0), as score cells in the analysis's order:
/// trait, group, score.
std::vector<ScoreCell> table_cells(const std::vector<std::vector<std::vector<double>>>& counts) {
  std::vector<ScoreCell> cells;
  for (std::size_t t = 0; t < kTraits.size(); ++t)
    for (std::size_t g = 0; g < counts.size(); ++g)
      for (std::size_t y = 0; y < counts[g][t].size(); ++y)
        if (counts[g][t][y] > 0)
          cells.push_back({kTraits[t], g, static_cast<int>(y), counts[g][t][y]});
  return cells;
}

// Incorrect, correct: focal group 2 ("c") answers correctly less often at every trait.
std::vector<ScoreCell> binary_item() {
  return table_cells({{{9, 3}, {7, 6}, {5, 9}, {3, 11}, {1, 12}},
                      {{10, 2}, {8, 5}, {6, 7}, {4, 9}, {2, 10}},
                      {{11, 1}, {10, 3}, {9, 4}, {8, 5}, {7, 7}}});
}

// Scores 0..3.
std::vector<ScoreCell> ordinal_item() {
  return table_cells({{{5, 3, 1, 0}, {4, 4, 2, 1}, {2, 4, 4, 2}, {1, 3, 4, 4}, {0, 1, 3, 6}},
                      {{6, 3, 1, 0}, {5, 4, 2, 1}, {3, 4, 3, 2}, {2, 3, 4, 3}, {1, 2, 3, 4}},
                      {{4, 2, 1, 1}, {3, 3, 2, 1}, {2, 2, 3, 3}, {1, 2, 2, 5}, {0, 1, 2, 6}}});
}

const Coefficient* find(const LrTests& lr, const std::string& model, const std::string& term) {
  for (const Coefficient& c : lr.coefficients)
    if (c.model == model && c.term == term) return &c;
  ADD_FAILURE() << "no coefficient " << model << " " << term;
  return nullptr;
}

void expect_coefficient(const LrTests& lr, const std::string& term, double estimate,
                        double se) {
  const Coefficient* c = find(lr, "nonuniform", term);
  if (c == nullptr) return;
  expect_relative(c->estimate, estimate, 1e-9);
  expect_relative(c->se, se, 1e-8);
}

// Deviances: intercept 268.75550945219231, x 236.83776214867959, x + grp
// 219.89188690316772, x * grp 218.63669457494132.
TEST(GeneralizedLogistic, BinaryModelsMatchGlm) {
  const LrTests lr = generalized_lr_values(binary_item(), false, kFocal, 0.05);
  EXPECT_TRUE(lr.note.empty()) << lr.note;
  expect_relative(lr.chi_square, 18.201067573738271, 1e-9);
  expect_relative(lr.p, 0.0011272823823329915, 1e-7);
  EXPECT_EQ(lr.df, 4);
  expect_relative(lr.uniform_chi_square, 16.945875245511871, 1e-9);
  expect_relative(lr.uniform_p, 0.0002090498907517036, 1e-7);
  EXPECT_EQ(lr.uniform_df, 2);
  expect_relative(lr.nonuniform_chi_square, 1.2551923282263999, 1e-9);
  expect_relative(lr.nonuniform_p, 0.5338736042963127, 1e-8);
  EXPECT_EQ(lr.nonuniform_df, 2);
  expect_relative(lr.delta_r2, 0.10132273643791265, 1e-8);
  expect_relative(lr.uniform_delta_r2, 0.094636310644955174, 1e-8);
  // p < 0.05 with delta R² 0.101: below Zumbo-Thomas's B, above Jodoin-Gierl's C.
  EXPECT_EQ(lr.zumbo_thomas_class, "A");
  EXPECT_EQ(lr.jodoin_gierl_class, "C");

  expect_coefficient(lr, "intercept", 0.6057619266059957, 0.2970250101098445);
  expect_coefficient(lr, "trait", 0.83585247182993794, 0.23618303076935024);
  expect_coefficient(lr, "group_b", -0.48517902442575828, 0.41098610419126236);
  expect_coefficient(lr, "group_c", -1.5414110913643109, 0.41975316128749679);
  expect_coefficient(lr, "trait_x_group_b", -0.07854209747158078, 0.32607878083884073);
  expect_coefficient(lr, "trait_x_group_c", -0.33710315105267891, 0.31795775512511276);
}

TEST(GeneralizedLogistic, ModelsListTheirTermsInOrder) {
  const LrTests lr = generalized_lr_values(binary_item(), false, kFocal, 0.05);
  std::vector<std::string> listed;
  for (const Coefficient& c : lr.coefficients) listed.push_back(c.model + " " + c.term);
  EXPECT_EQ(listed, (std::vector<std::string>{
                        "trait intercept", "trait trait", "uniform intercept", "uniform trait",
                        "uniform group_b", "uniform group_c", "nonuniform intercept",
                        "nonuniform trait", "nonuniform group_b", "nonuniform group_c",
                        "nonuniform trait_x_group_b", "nonuniform trait_x_group_c"}));
}

// Deviances: thresholds 432.31862246020478, x 383.84800665289157, x + grp 379.95264474422447,
// x * grp 379.39251445326329.
TEST(GeneralizedLogistic, OrdinalModelsMatchClm) {
  const LrTests lr = generalized_lr_values(ordinal_item(), true, kFocal, 0.05);
  EXPECT_TRUE(lr.note.empty()) << lr.note;
  expect_relative(lr.chi_square, 4.4554921996282815, 1e-8);
  expect_relative(lr.p, 0.34785762444794383, 1e-8);
  EXPECT_EQ(lr.df, 4);
  expect_relative(lr.uniform_chi_square, 3.8953619086670983, 1e-8);
  expect_relative(lr.uniform_p, 0.1426043945246247, 1e-8);
  expect_relative(lr.nonuniform_chi_square, 0.56013029096118316, 1e-9);
  expect_relative(lr.nonuniform_p, 0.75573450716437829, 1e-8);
  expect_relative(lr.delta_r2, 0.022014637667662651, 1e-8);
  expect_relative(lr.uniform_delta_r2, 0.019281458127878182, 1e-8);
  EXPECT_EQ(lr.zumbo_thomas_class, "A");
  EXPECT_EQ(lr.jodoin_gierl_class, "A");

  expect_coefficient(lr, "intercept_1", 1.414293098768203, 0.29094807163017938);
  expect_coefficient(lr, "intercept_2", -0.051222151672949003, 0.26793940128240595);
  expect_coefficient(lr, "intercept_3", -1.3974067589062247, 0.29100860846278992);
  expect_coefficient(lr, "trait", 0.88194790882955465, 0.19813413230690338);
  expect_coefficient(lr, "group_b", -0.38548886200956778, 0.35165775818666978);
  expect_coefficient(lr, "group_c", 0.34861916373356633, 0.37817991562478243);
  expect_coefficient(lr, "trait_x_group_b", -0.18036692257631512, 0.26464733738605528);
  expect_coefficient(lr, "trait_x_group_c", -0.01445107854377045, 0.28502698600873611);
}

// One focal group is the comparison's model: the same statistics as the two-group method.
TEST(GeneralizedLogistic, OneFocalGroupIsTheComparison) {
  std::vector<ScoreCell> cells;
  for (const ScoreCell& cell : binary_item())
    if (cell.group < 2) cells.push_back(cell);
  const std::vector<std::string> focal = {"b"};
  const LrTests general = generalized_lr_values(cells, false, focal, 0.05);
  const LrTests comparison = binary_lr_tests(binomial_cells(cells), comparison_terms(), 0.05);
  ASSERT_TRUE(general.chi_square && comparison.chi_square);
  EXPECT_EQ(*general.chi_square, *comparison.chi_square);
  EXPECT_EQ(general.df, 2);
  EXPECT_EQ(comparison.coefficients.back().term, "trait_x_group");
  EXPECT_EQ(general.coefficients.back().term, "trait_x_group_b");
}

TEST(GeneralizedLogistic, FocalGroupAllCorrectSeparates) {
  std::vector<ScoreCell> cells;
  for (ScoreCell cell : binary_item()) {
    if (cell.group == 2 && cell.score == 0) continue;
    cells.push_back(cell);
  }
  const LrTests lr = generalized_lr_values(cells, false, kFocal, 0.05);
  EXPECT_FALSE(lr.chi_square);
  EXPECT_FALSE(lr.uniform_chi_square);
  EXPECT_NE(lr.note.find("separation"), std::string::npos) << lr.note;
  // The trait model has no group term and still fits.
  const Coefficient* trait = find(lr, "trait", "trait");
  ASSERT_NE(trait, nullptr);
  EXPECT_TRUE(trait->estimate.has_value());
}

TEST(GeneralizedLogistic, FocalGroupWithoutExamineesIsNamed) {
  std::vector<ScoreCell> cells;
  for (const ScoreCell& cell : ordinal_item())
    if (cell.group != 1) cells.push_back(cell);
  const LrTests lr = generalized_lr_values(cells, true, kFocal, 0.05);
  EXPECT_FALSE(lr.chi_square);
  EXPECT_TRUE(lr.coefficients.empty());
  EXPECT_NE(lr.note.find("focal group b has no examinees"), std::string::npos) << lr.note;
}

TEST(GeneralizedLogistic, AllAlikeIsNoted) {
  std::vector<ScoreCell> cells;
  for (ScoreCell cell : ordinal_item()) {
    cell.score = 2;
    cells.push_back(cell);
  }
  const LrTests lr = generalized_lr_values(cells, true, kFocal, 0.05);
  EXPECT_FALSE(lr.chi_square);
  EXPECT_NE(lr.note.find("answered the item alike"), std::string::npos) << lr.note;
}

}  // namespace
}  // namespace itemdif::stats

// The proportional-odds fit against R's cumulative logit models on the same weighted cells,
// and against the binary fit on a 0/1 item.
//
// R reference (R 4.2.2 Patched, ordinal 2022.11.16, MASS 7.3-58.2): each table below as a
// data frame d of x, g, y and the count w (the rows with w > 0);
//   ctl <- clm.control(gradTol = 1e-14, relTol = 1e-14, maxIter = 200)
//   m <- clm(factor(y) ~ x, weights = w, data = d, control = ctl), and ~ x + g, ~ x * g;
//   deviance -2 * m$logLik, a_y = -m$alpha (logit P(Y <= k) = alpha_k - eta), b = m$beta,
//   SE sqrt(diag(vcov(m))) (the analytic Hessian at the estimate).
// polr(factor(y) ~ x + g, weights = w, data = d, Hess = TRUE, method = "logistic",
//   control = list(reltol = 1e-15, maxit = 10000)) gives the same deviances and agrees to
//   about 1e-7 (its Hessian is a numerical derivative).
#include "stats/ordinal_fit.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "stats/examinees.hpp"
#include "stats/item_range.hpp"
#include "stats/logistic_fit.hpp"
#include "stats/logistic_regression.hpp"
#include "stats/method_cells.hpp"
#include "stats/score_cells.hpp"
#include "stats/score_counts.hpp"
#include "stats/scores_builder.hpp"

namespace itemdif::stats {
namespace {

/// Counts by group, then trait, each row over `scores` (as R's expand.grid(y, x, g) reads
/// them), as score cells in the analysis's order: trait, group, score.
std::vector<ScoreCell> table_cells(const std::vector<double>& traits,
                                   const std::vector<int>& scores,
                                   const std::vector<std::vector<double>>& rows) {
  std::vector<ScoreCell> cells;
  for (std::size_t t = 0; t < traits.size(); ++t)
    for (std::size_t g = 0; g < 2; ++g)
      for (std::size_t y = 0; y < scores.size(); ++y) {
        const double count = rows[g * traits.size() + t][y];
        if (count > 0) cells.push_back({traits[t], g, scores[y], count});
      }
  return cells;
}

/// Scores 0..3, every category used.
std::vector<ScoreCell> four_categories() {
  return table_cells({-2, -1, 0, 1, 2}, {0, 1, 2, 3},
                     {{5, 3, 1, 0}, {4, 4, 2, 1}, {2, 4, 4, 2}, {1, 3, 4, 4}, {0, 1, 3, 6},
                      {7, 3, 1, 0}, {6, 4, 2, 0}, {4, 4, 3, 1}, {2, 4, 3, 2}, {1, 3, 3, 3}});
}

/// Scored 0..4 with nobody at 2.
std::vector<ScoreCell> unused_middle_score() {
  return table_cells({-2, -1, 0, 1, 2}, {0, 1, 3, 4},
                     {{4, 3, 1, 0}, {3, 4, 2, 1}, {2, 3, 3, 2}, {1, 2, 4, 3}, {0, 1, 3, 5},
                      {5, 2, 2, 0}, {4, 3, 1, 1}, {3, 3, 2, 1}, {1, 2, 3, 3}, {1, 1, 2, 4}});
}

/// Scored 1..6.
std::vector<ScoreCell> scored_one_to_six() {
  return table_cells({-1.5, -0.5, 0.5, 1.5}, {1, 2, 3, 4, 5, 6},
                     {{3, 4, 3, 2, 1, 0}, {2, 3, 4, 3, 2, 1}, {1, 2, 3, 4, 3, 2},
                      {0, 1, 2, 3, 4, 4}, {2, 3, 4, 2, 1, 1}, {1, 2, 3, 4, 2, 1},
                      {1, 1, 2, 3, 4, 3}, {0, 1, 1, 2, 4, 6}});
}

/// Every focal examinee has the top score: a group term runs off to infinity.
std::vector<ScoreCell> focal_all_top() {
  return table_cells({-2, -1, 0, 1, 2}, {0, 1, 2, 3},
                     {{5, 3, 1, 0}, {4, 4, 2, 1}, {2, 4, 4, 2}, {1, 3, 4, 4}, {0, 1, 3, 6},
                      {0, 0, 0, 2}, {0, 0, 0, 3}, {0, 0, 0, 2}, {0, 0, 0, 3}, {0, 0, 0, 2}});
}

struct RFit {
  LogisticModel model;
  double deviance;
  std::vector<double> estimate, se;  ///< thresholds, then the slopes
};

void expect_fit(const std::vector<ScoreCell>& cells, const RFit& r) {
  const OrdinalFit fit = fit_ordinal(cells, r.model);
  ASSERT_EQ(fit.status, LogisticFit::Status::converged);
  EXPECT_NEAR(-2.0 * fit.log_likelihood, r.deviance, 1e-12 * r.deviance);
  ASSERT_EQ(fit.estimate.size(), r.estimate.size());
  ASSERT_EQ(fit.se.size(), r.se.size());
  for (std::size_t k = 0; k < r.estimate.size(); ++k) {
    EXPECT_NEAR(fit.estimate[k], r.estimate[k], 1e-10 * std::fabs(r.estimate[k])) << k;
    EXPECT_NEAR(fit.se[k], r.se[k], 1e-10 * r.se[k]) << k;
  }
}

TEST(OrdinalFit, FourCategoriesAgainstR) {
  const std::vector<ScoreCell> cells = four_categories();
  EXPECT_EQ(fit_ordinal(cells, LogisticModel::trait).threshold_scores, (std::vector<int>{1, 2, 3}));
  expect_fit(cells, {LogisticModel::trait,
                     264.97520144119449,
                     {1.14678849309470743, -0.44910841508297300, -1.92530302002959197,
                      0.81985567920870928},
                     {0.23818839455947929, 0.21655074984977801, 0.28405296471754521,
                      0.14781026768707009}});
  expect_fit(cells, {LogisticModel::uniform,
                     259.71656192409409,
                     {1.599974233514564803, -0.044545712535643989, -1.574850242773898179,
                      0.831159332049875910, -0.825606299362820817},
                     {0.31621910592895774, 0.28056157365661932, 0.32188027873109853,
                      0.14914549136775482, 0.36335823780048809}});
  expect_fit(cells, {LogisticModel::nonuniform,
                     258.84463299471281,
                     {1.600772024400846760, -0.042842695668648317, -1.600159870365099435,
                      0.962126221652047864, -0.817040824080880412, -0.251223993027750281},
                     {0.31821139537947785, 0.28492370928585375, 0.32705086367037944,
                      0.20756481947513977, 0.36398919641505145, 0.26956473004140691}});
}

// The method's values of the four-category table, from the clm fits above:
//   r2 <- (1 - exp(2 * (null - logLik) / n)) / (1 - exp(2 * null / n)), null the
//   thresholds-only log-likelihood, n = 110; pchisq(..., lower.tail = FALSE) of the deviance
//   differences; coef(summary(m)) for z and p.
TEST(OrdinalFit, MethodValuesOfFourCategoriesAgainstR) {
  const Method& lr = testing::method_named("lr");
  const MethodValues values = ordinal_lr_values(four_categories(), 0.05);
  EXPECT_EQ(values.note, "");
  const auto number = [&](std::string_view name) {
    const std::optional<double> value = testing::number_named(lr, values, name);
    EXPECT_TRUE(value.has_value()) << name;
    return value.value_or(-1.0);
  };
  const auto expect_relative = [](double actual, double expected, double tolerance) {
    EXPECT_NEAR(actual, expected, tolerance * std::fabs(expected)) << "expected " << expected;
  };
  expect_relative(number("lr_chi_square"), 6.13056844648167498, 1e-9);
  expect_relative(number("lr_uniform_chi_square"), 5.25863951710039146, 1e-9);
  expect_relative(number("lr_nonuniform_chi_square"), 0.87192892938128352, 1e-9);
  expect_relative(number("lr_p"), 0.046640583642576040, 1e-9);
  expect_relative(number("lr_uniform_p"), 0.021838083215472377, 1e-9);
  expect_relative(number("lr_nonuniform_p"), 0.350421852439128989, 1e-9);
  // R² 0.29328438158819159, 0.32953412833515694, 0.33537893701424265.
  expect_relative(number("lr_delta_r2"), 0.042094555426051061, 1e-9);
  expect_relative(number("lr_uniform_delta_r2"), 0.036249746746965350, 1e-9);
  expect_relative(number("lr_beta_change"), 0.013787369079490248, 1e-9);
  // p below alpha; delta R² within Jodoin-Gierl's B band, below Zumbo-Thomas's.
  EXPECT_EQ(testing::text_named(lr, values, "jodoin_gierl_class"), "B");
  EXPECT_EQ(testing::text_named(lr, values, "zumbo_thomas_class"), "A");

  const std::vector<Coefficient>& coefficients = values.coefficients;
  ASSERT_EQ(coefficients.size(), 4u + 5u + 6u);
  EXPECT_EQ(coefficients[0].model, "trait");
  EXPECT_EQ(coefficients[0].term, "intercept_1");
  EXPECT_EQ(coefficients[2].term, "intercept_3");
  EXPECT_EQ(coefficients[3].term, "trait");
  const Coefficient& a1 = coefficients[9];
  EXPECT_EQ(a1.model, "nonuniform");
  EXPECT_EQ(a1.term, "intercept_1");
  // R's "0|1" with the sign of a_1: z 5.03053016844941059, p 4.8912541305769678e-07.
  expect_relative(*a1.z, 5.03053016844941059, 1e-9);
  expect_relative(*a1.p, 4.8912541305769678e-07, 1e-9);
  const Coefficient& interaction = coefficients[14];
  EXPECT_EQ(interaction.term, "trait_x_group");
  expect_relative(*interaction.estimate, -0.251223993027750281, 1e-10);
  expect_relative(*interaction.z, -0.93196165903885364, 1e-9);
  expect_relative(*interaction.p, 0.35135634031477364, 1e-9);
}

TEST(OrdinalFit, ThresholdsOnlyForScoresThatOccur) {
  const std::vector<ScoreCell> cells = unused_middle_score();
  // Scores 0, 1, 3, 4: a_1, a_3, a_4, with no a_2 (R's factor drops the empty level too).
  EXPECT_EQ(fit_ordinal(cells, LogisticModel::uniform).threshold_scores,
            (std::vector<int>{1, 3, 4}));
  expect_fit(cells, {LogisticModel::trait,
                     223.66695884988545,
                     {1.30752364970910251, -0.11260595797531214, -1.57311299248360692,
                      0.79203647371337160},
                     {0.26793397352755643, 0.23300082305745387, 0.28633523510146519,
                      0.15928723151842025}});
  expect_fit(cells, {LogisticModel::uniform,
                     222.89894153748551,
                     {1.474600613672328642, 0.044152833762199174, -1.422277067021309183,
                      0.792314906865476676, -0.341559330066377675},
                     {0.33120142534595903, 0.29411192078700604, 0.33278076238244730,
                      0.15970052518660363, 0.39033494811965286}});
}

TEST(OrdinalFit, ItemScoredOneToSix) {
  const std::vector<ScoreCell> cells = scored_one_to_six();
  EXPECT_EQ(fit_ordinal(cells, LogisticModel::trait).threshold_scores,
            (std::vector<int>{2, 3, 4, 5, 6}));
  expect_fit(cells, {LogisticModel::trait,
                     363.69495083610497,
                     {2.62304681247803373, 1.33430154917811561, 0.27787474242692906,
                      -0.75008953499200470, -1.94372379714214816, 0.84739087050081296},
                     {0.35048080820082317, 0.24033902785165007, 0.20596640972728178,
                      0.21573667371265845, 0.27995641006780525, 0.16910662462194812}});
  expect_fit(cells, {LogisticModel::uniform,
                     361.1358599087157,
                     {2.394974317356394433, 1.091311239702709379, 0.019808307710409239,
                      -1.024546323952332028, -2.238177485571624548, 0.860350611078131267,
                      0.543461377746291774},
                     {0.37693696083208761, 0.28317743842228116, 0.26223389059547136,
                      0.27876725178120260, 0.34061452726157249, 0.16980276911181760,
                      0.34100957325224374}});
}

TEST(OrdinalFit, ThresholdsOnlyLogLikelihoodOfTheScoreShares) {
  // R: n_y <- tapply(d$w, d$y, sum); sum(n_y * log(n_y / sum(n_y))).
  EXPECT_NEAR(thresholds_only_log_likelihood(four_categories()), -150.1096912264598, 1e-12);
  EXPECT_NEAR(thresholds_only_log_likelihood(unused_middle_score()), -125.9106187988817, 1e-12);
  EXPECT_NEAR(thresholds_only_log_likelihood(scored_one_to_six()), -195.48641079219672, 1e-12);
}

TEST(OrdinalFit, GroupThatAlwaysScoresTopSeparates) {
  const std::vector<ScoreCell> cells = focal_all_top();
  // The trait model is finite; R's clm gives it, while with g its estimate of b_g runs to 43
  // and it reports a singular Hessian.
  expect_fit(cells, {LogisticModel::trait,
                     162.545784832452,
                     {1.69431433074509630, 0.33624325168361857, -0.68156354714020162,
                      0.68470432067447540},
                     {0.34438539173578558, 0.26910290931031056, 0.27842101044784234,
                      0.18706477438590810}});
  for (const LogisticModel model : {LogisticModel::uniform, LogisticModel::nonuniform}) {
    const OrdinalFit fit = fit_ordinal(cells, model);
    EXPECT_EQ(fit.status, LogisticFit::Status::separated);
    EXPECT_LE(fit.iterations, kLogisticIterations);
    EXPECT_TRUE(fit.estimate.empty());
  }
}

TEST(OrdinalFit, OneScoreLeavesNothingToFit) {
  const std::vector<ScoreCell> cells = {{-1, 0, 2, 3}, {0, 1, 2, 4}, {1, 0, 2, 2}};
  const OrdinalFit fit = fit_ordinal(cells, LogisticModel::trait);
  EXPECT_EQ(fit.status, LogisticFit::Status::singular);
  EXPECT_TRUE(fit.threshold_scores.empty());
}

TEST(OrdinalFit, ZeroOneItemGivesTheBinaryFit) {
  // Item q1 of data_set_1: with one threshold the model is the binary logistic one.
  const data::ItemScores scores = testing::data_set_1();
  const Examinees examinees = select_examinees(scores, 2, MissingPolicy::excluded);
  const std::vector<ItemRange> ranges = item_ranges(scores, examinees.taking_part);
  const std::vector<std::uint8_t> matching(scores.n_items(), 1);
  const ScoreCounts counts = count_scores(scores, examinees.taking_part, ranges, 2,
                                          MissingPolicy::excluded, matching);
  const std::vector<ScoreCell> cells = score_cells(counts, 0, ranges[0], {0, 1});
  const std::vector<BinomialCell> binomial = binomial_cells(cells);
  for (const LogisticModel model :
       {LogisticModel::trait, LogisticModel::uniform, LogisticModel::nonuniform}) {
    const LogisticFit binary = fit_logistic(binomial, model);
    const OrdinalFit ordinal = fit_ordinal(cells, model);
    ASSERT_EQ(binary.status, LogisticFit::Status::converged);
    ASSERT_EQ(ordinal.status, LogisticFit::Status::converged);
    EXPECT_EQ(ordinal.threshold_scores, std::vector<int>{1});
    EXPECT_NEAR(ordinal.log_likelihood, binary.log_likelihood,
                1e-12 * std::fabs(binary.log_likelihood));
    ASSERT_EQ(ordinal.estimate.size(), static_cast<std::size_t>(binary.terms));
    for (std::size_t k = 0; k < ordinal.estimate.size(); ++k) {
      EXPECT_NEAR(ordinal.estimate[k], binary.estimate[k], 1e-10 * std::fabs(binary.estimate[k]));
      EXPECT_NEAR(ordinal.se[k], binary.se[k], 1e-10 * binary.se[k]);
    }
  }
}

}  // namespace
}  // namespace itemdif::stats

// CTGLM fits compared with an independent double-precision maximum-likelihood fit, and the
// fits at the edges: collinear and separated data, an intercept alone, step halving.
#include <algorithm>
#include <cmath>
#include <limits>

#include "glm_test_support.hpp"

namespace itemdif::glm::testing {
namespace {

class CtglmFit : public GlmTest {};

// The estimates, standard errors, Z and p of the engine against the double Newton fit. The
// float fit stops at a relative change of 1e-4 of the estimates or 1e-6 of the
// log-likelihood, so estimates agree to a small fraction of their standard errors.
TEST_F(CtglmFit, AgreesWithDoublePrecisionMaximumLikelihood) {
  FitCase fc = simulated_case(600, -3.0, 0.3, 0.4, -0.05);
  const std::vector<float> before = fc.x;
  ASSERT_EQ(stop_status([&] { CTGLM(fc.a); }), -1);
  EXPECT_TRUE(take_lines().empty());
  const ReferenceFit ref = reference_fit(fc, {0, 1, 2});

  EXPECT_EQ(fc.a.NCOEF, 4);
  EXPECT_EQ(fc.a.NMISSING, 0);
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    EXPECT_NEAR(fc.est(k, 0), ref.beta[k], 2e-3 * ref.se[k]);
    EXPECT_NEAR(fc.est(k, 1), ref.se[k], 1e-3 * ref.se[k]);
    const double z = ref.beta[k] / ref.se[k];
    EXPECT_NEAR(fc.est(k, 2), z, 3e-3 + 1e-3 * std::fabs(z));
    EXPECT_NEAR(fc.est(k, 3), t_two_sided(z, 1000.0), 1e-3);
    for (int l = 0; l < 4; ++l) {
      EXPECT_NEAR(fc.cov(k, l), ref.cov[k][l], 2e-3 * ref.se[k] * ref.se[l]);
      EXPECT_EQ(fc.cov(k, l), fc.cov(l, k));
    }
  }
  EXPECT_NEAR(fc.a.LOGLIK, ref.loglik, 1e-4 * std::fabs(ref.loglik));
  EXPECT_TRUE(same_bits(fc.x, before));
}

// The regressor means and the case statistics of the fitted model.
TEST_F(CtglmFit, FillsMeansAndCaseStatistics) {
  FitCase fc = simulated_case(300, -2.0, 0.25, -0.3, 0.02, 77);
  CTGLM(fc.a);
  const ReferenceFit ref = reference_fit(fc, {0, 1, 2});
  for (int c = 0; c < 3; ++c) {
    double mean = 0.0;
    for (int i = 0; i < fc.n; ++i) mean += fc.at(i, c);
    EXPECT_NEAR(fc.regmean[c], mean / fc.n, 1e-5 * (1.0 + std::fabs(mean / fc.n)));
  }
  double leverage_sum = 0.0;
  for (int i = 0; i < fc.n; ++i) {
    EXPECT_EQ(fc.obscode[i], 0);
    const double eta = ref.beta[0] + ref.beta[1] * fc.at(i, 0) + ref.beta[2] * fc.at(i, 1) +
                       ref.beta[3] * fc.at(i, 2);
    const double mu = 1.0 / (1.0 + std::exp(-eta));
    const double y = fc.at(i, 3);
    EXPECT_NEAR(fc.stat(i, 0), mu, 1e-3);
    EXPECT_NEAR(fc.stat(i, 1), y - mu, 1e-3);
    EXPECT_NEAR(fc.stat(i, 2), std::sqrt(mu * (1.0 - mu)), 1e-3);
    EXPECT_NEAR(fc.stat(i, 4), (y - mu) / std::sqrt(mu * (1.0 - mu)), 1e-2);
    leverage_sum += fc.stat(i, 3);
  }
  // The leverages of a full-rank fit add up to the number of coefficients.
  EXPECT_NEAR(leverage_sum, 4.0, 1e-3);
}

TEST_F(CtglmFit, InterceptAloneWithNoEffects) {
  FitCase fc(10);
  for (int i = 0; i < 10; ++i) fc.set_row(i, 1.0F, 0.5F, i < 3 ? 1.0F : 0.0F);
  fc.a.NEF = 0;
  CTGLM(fc.a);
  EXPECT_TRUE(take_lines().empty());
  EXPECT_EQ(fc.a.NCOEF, 1);
  // The ML estimate is logit(0.3) with variance 1 / (N p (1 - p)).
  EXPECT_NEAR(fc.est(0, 0), std::log(0.3 / 0.7), 1e-4);
  EXPECT_NEAR(fc.est(0, 1), 1.0 / std::sqrt(10 * 0.3 * 0.7), 1e-4);
  EXPECT_EQ(fc.est(1, 0), -99.0F);  // rows beyond NCOEF are not touched
}

// A trait that is the same for everybody is linearly dependent on the intercept.
TEST_F(CtglmFit, CollinearRegressorGetsZeroEstimateAndUndefinedStatistics) {
  FitCase fc = simulated_case(200, 0.2, 0.0, 0.8, 0.0, 5);
  for (int i = 0; i < fc.n; ++i) fc.set_row(i, 7.0F, fc.at(i, 1), fc.at(i, 3));
  const std::vector<float> before = fc.x;
  CTGLM(fc.a);
  EXPECT_TRUE(take_lines().empty());
  EXPECT_EQ(fc.est(1, 0), 0.0F);
  EXPECT_EQ(fc.est(1, 1), 0.0F);
  EXPECT_TRUE(std::isnan(fc.est(1, 2)));
  EXPECT_TRUE(std::isnan(fc.est(1, 3)));

  // The rest is the fit on intercept, group and group x 7 with the trait left out; group and
  // the product are then collinear as well, so only intercept and group remain.
  EXPECT_EQ(fc.est(3, 0), 0.0F);
  const ReferenceFit ref = reference_fit(fc, {1});
  EXPECT_NEAR(fc.est(0, 0), ref.beta[0], 1e-3 * ref.se[0]);
  EXPECT_NEAR(fc.est(2, 0), ref.beta[1], 1e-3 * ref.se[1]);
  EXPECT_NEAR(fc.est(2, 1), ref.se[1], 1e-3 * ref.se[1]);
  EXPECT_TRUE(same_bits(fc.x, before));
}

// Every reference examinee answers correctly: the group coefficient runs off towards
// infinity until the clamp of the linear predictor stops it.
TEST_F(CtglmFit, SeparatedItemEndsWithFiniteEstimates) {
  FitCase fc = simulated_case(200, -1.0, 0.2, 0.0, 0.0, 9);
  for (int i = 0; i < fc.n / 2; ++i) fc.at(i, 3) = 1.0F;
  const std::vector<float> before = fc.x;
  ASSERT_EQ(stop_status([&] { CTGLM(fc.a); }), -1);
  const auto messages = take_messages();
  // Either the log-likelihood test ends the fit quietly or one of the two warnings does.
  ASSERT_LE(messages.size(), 1U);
  if (!messages.empty()) {
    EXPECT_TRUE(messages[0] == collapse("WARNING |CTGLM.  Too many iterations.  Convergence is assumed.") ||
                messages[0] == collapse("WARNING |CTGLM.  Too many step halvings. Convergence is assumed."))
        << messages[0];
  }
  for (int k = 0; k < 4; ++k) {
    for (int c = 0; c < 2; ++c) EXPECT_TRUE(std::isfinite(fc.est(k, c))) << k << "," << c;
  }
  EXPECT_GT(fc.est(2, 0), 3.0F);  // far towards +infinity for the reference group
  EXPECT_TRUE(same_bits(fc.x, before));
}

// Observations beyond the clamp of the linear predictor have a flat likelihood but keep a
// nonzero derivative, so the first ("Q-N") direction can point downhill. Here, with the fixed
// term placing each group: A (x = 0, eta = 0, half correct) sits at its optimum, C (x = 1,
// eta = 20, all wrong) is clamped and pulls the fitted line down, and B (x = 2, eta = 0, all
// correct) is dragged down with it. Every trial step, down to 1/8192, lowers the
// log-likelihood by more than EPS / 100 relative (checked below in double precision along the
// least-squares direction), so the fit halts where it started.
TEST_F(CtglmFit, StepHalvingWarningKeepsTheStartingEstimates) {
  struct Group {
    int count;
    float x, offset;
    bool half_correct;
    float y;
  };
  const Group groups[3] = {{10, 0.0F, 0.0F, true, 0.0F},
                           {2, 2.0F, 0.0F, false, 1.0F},
                           {10, 1.0F, 20.0F, false, 0.0F}};
  FitCase fc(22);
  int i = 0;
  for (const Group& g : groups) {
    for (int k = 0; k < g.count; ++k, ++i) {
      fc.at(i, 0) = g.x;
      fc.at(i, 1) = g.offset;
      fc.at(i, 3) = g.half_correct ? static_cast<float>(k % 2) : g.y;
    }
  }
  fc.a.NEF = 1;
  fc.a.IFIX = 2;
  fc.a.INIT = 1;
  fc.a.EPS = 1.0E-5F;
  fc.esttab[0] = 0.0F;
  fc.esttab[1] = 0.0F;

  // The model in double: l and dl/deta with the clamp and the floor of 1 - mu.
  auto model = [](double eta, double y, double& l) {
    eta = std::clamp(eta, -7.0, 7.0);
    const double mu = 1.0 / (1.0 + std::exp(-eta));
    const double q = std::max(1.0 - mu, 0.001);
    l = y * std::log(mu / q) + std::log(q);
    return (y - mu) * (1.0 - mu) / q;
  };
  // The first direction: least squares of dl/deta on (1, x).
  double n = 0, sx = 0, sxx = 0, sd = 0, sxd = 0, l = 0;
  for (int r = 0; r < fc.n; ++r) {
    const double x = fc.at(r, 0);
    const double d = model(fc.at(r, 1), fc.at(r, 3), l);
    n += 1, sx += x, sxx += x * x, sd += d, sxd += x * d;
  }
  const double slope = (n * sxd - sx * sd) / (n * sxx - sx * sx);
  const double level = (sd - slope * sx) / n;
  auto loglik = [&](double step) {
    double total = 0;
    for (int r = 0; r < fc.n; ++r) {
      model(step * (level + slope * fc.at(r, 0)) + fc.at(r, 1), fc.at(r, 3), l);
      total += l;
    }
    return total;
  };
  const double start = loglik(0.0);
  for (double step = 1.0; step > 1.0E-4; step /= 2) {
    EXPECT_LT((loglik(step) - start) / std::fabs(start), -5.0 * 1.0E-5 / 100) << step;
  }

  ASSERT_EQ(stop_status([&] { CTGLM(fc.a); }), -1);
  const auto messages = take_messages();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_EQ(messages[0], collapse("WARNING |CTGLM.  Too many step halvings. Convergence is assumed."));
  EXPECT_EQ(fc.est(0, 0), 0.0F);
  EXPECT_EQ(fc.est(1, 0), 0.0F);
  EXPECT_NEAR(fc.a.LOGLIK, start, 1e-6 * std::fabs(start));
}

// A realistic size: 100 000 observations. The log-likelihood is summed so that its rounding
// stays near one rounding of the result; a plain float sum would be off by about 1e-4
// relative, a hundred times the tolerance of the step test, and make trial steps look worse
// than they are (extra halvings, and the warning at the maximum).
TEST_F(CtglmFit, LargeFitHasAnAccurateLogLikelihoodAndNoHalvingWarning) {
  FitCase fc = simulated_case(100000, -2.5, 0.25, 0.3, -0.02, 4242);
  ASSERT_EQ(stop_status([&] { CTGLM(fc.a); }), -1);
  EXPECT_TRUE(take_lines().empty());
  // The log-likelihood at the returned estimates, summed in double.
  double total = 0.0;
  for (int i = 0; i < fc.n; ++i) {
    const double eta = double(fc.est(0, 0)) + double(fc.est(1, 0)) * fc.at(i, 0) +
                       double(fc.est(2, 0)) * fc.at(i, 1) + double(fc.est(3, 0)) * fc.at(i, 2);
    const double mu = 1.0 / (1.0 + std::exp(-eta));
    total += fc.at(i, 3) == 1.0F ? std::log(mu) : std::log(1.0 - mu);
  }
  EXPECT_NEAR(fc.a.LOGLIK, total, 2e-7 * std::fabs(total));
}

TEST_F(CtglmFit, IterationLimitWarning) {
  FitCase fc = simulated_case(400, -3.0, 0.3, 0.4, -0.05, 31);
  fc.a.MAXIT = 1;
  ASSERT_EQ(stop_status([&] { CTGLM(fc.a); }), -1);
  const auto lines = take_lines();
  ASSERT_EQ(lines.size(), 3U);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], " *** WARNING  ERROR 2 from CTGLM.  Too many iterations.  Convergence is");
  EXPECT_EQ(lines[2], " ***          assumed.");
  for (int k = 0; k < 4; ++k) EXPECT_TRUE(std::isfinite(fc.est(k, 0)));
}

// EPS = -1 is reset to 0.001 with a warning, and the fit runs with it.
TEST_F(CtglmFit, NegativeEpsIsResetAndTheFitGoesOn) {
  FitCase fc = simulated_case(300, -2.0, 0.25, -0.3, 0.02, 77);
  fc.a.EPS = -1.0F;
  ASSERT_EQ(stop_status([&] { CTGLM(fc.a); }), -1);
  const auto messages = take_messages();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_EQ(messages[0], collapse("WARNING |CTGLM.  EPS = -1.000000E+00.  A negative convergence "
                                  "criterion is not allowed. EPS is reset to 1.000000E-03."));
  EXPECT_EQ(fc.a.EPS, 0.001F);
  const ReferenceFit ref = reference_fit(fc, {0, 1, 2});
  for (int k = 0; k < 4; ++k) EXPECT_NEAR(fc.est(k, 0), ref.beta[k], 0.05 * ref.se[k]);
}

// With MAXIT = 0 and INIT = 1 the caller's estimates go straight to the statistics.
TEST_F(CtglmFit, CallersEstimatesWithoutIterations) {
  FitCase fc = simulated_case(300, -2.0, 0.25, -0.3, 0.02, 77);
  const ReferenceFit ref = reference_fit(fc, {0, 1, 2});
  for (int k = 0; k < 4; ++k) fc.esttab[k] = static_cast<float>(ref.beta[k]);
  fc.obscode.assign(fc.obscode.size(), 0);
  fc.a.MAXIT = 0;
  fc.a.INIT = 1;
  CTGLM(fc.a);
  EXPECT_TRUE(take_lines().empty());
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(fc.est(k, 0), ref.beta[k], 1e-5 * (1.0 + std::fabs(ref.beta[k])));
    EXPECT_NEAR(fc.est(k, 1), ref.se[k], 1e-3 * ref.se[k]);
  }
  // At the maximum the last update is practically zero.
  for (int k = 0; k < 4; ++k) EXPECT_NEAR(fc.lastupd[k], 0.0, 1e-3 * ref.se[k]);
}

// A missing trait leaves the observation out of the fit and of the means.
TEST_F(CtglmFit, MissingValuesAreLeftOut) {
  FitCase fc = simulated_case(301, -2.0, 0.25, -0.3, 0.02, 77);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  fc.at(300, 0) = nan;
  fc.at(300, 2) = nan;
  CTGLM(fc.a);
  EXPECT_EQ(fc.a.NMISSING, 1);
  EXPECT_EQ(fc.obscode[300], 1);
  for (int c = 0; c < 5; ++c) EXPECT_TRUE(std::isnan(fc.stat(300, c)));
  EXPECT_TRUE(std::isnan(fc.at(300, 0)));  // X comes back as it was, missing values included

  FitCase without = simulated_case(300, -2.0, 0.25, -0.3, 0.02, 77);
  const ReferenceFit ref = reference_fit(without, {0, 1, 2});
  for (int k = 0; k < 4; ++k) EXPECT_NEAR(fc.est(k, 0), ref.beta[k], 2e-3 * ref.se[k]);
}

}  // namespace
}  // namespace itemdif::glm::testing

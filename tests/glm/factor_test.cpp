// The regression factor, the logit model routine, and the safe division with C1T and RCOEF.
#include <cmath>
#include <limits>

#include "glm/statistics.hpp"
#include "glm/givens.hpp"
#include "glm/logit_model.hpp"
#include "glm_test_support.hpp"

namespace itemdif::glm::testing {
namespace {

class Factor : public GlmTest {
 protected:
  std::vector<float> storage = std::vector<float>(RegressionFactor::storage_size(3));
  RegressionFactor factor{3, storage.data()};
  void add(float a, float b, float c, float z, float sign = 1.0F) {
    float row[3] = {a, b, c};
    factor.add_row(row, z, sign);
  }
};

// Least squares of z on (1, t, t^2) over t = 0 .. 4 with z = 1 + 2t - 0.5t^2 + noise; the
// reference is the solution of the normal equations in double, a different method.
TEST_F(Factor, SolvesLeastSquares) {
  const double zs[5] = {1.1, 2.4, 3.0, 2.6, 1.05};
  factor.init(1e-6F);
  double g[3][3] = {}, h[3] = {};
  for (int t = 0; t < 5; ++t) {
    const double x[3] = {1.0, double(t), double(t * t)};
    add(1.0F, float(t), float(t * t), float(zs[t]));
    for (int k = 0; k < 3; ++k) {
      h[k] += x[k] * zs[t];
      for (int l = 0; l < 3; ++l) g[k][l] += x[k] * x[l];
    }
  }
  std::vector<std::vector<double>> gv(3, std::vector<double>(3));
  for (int k = 0; k < 3; ++k)
    for (int l = 0; l < 3; ++l) gv[k][l] = g[k][l];
  const auto inv = invert(gv);
  float b[3];
  factor.finish(b);
  for (int k = 0; k < 3; ++k) {
    const double expected = inv[k][0] * h[0] + inv[k][1] * h[1] + inv[k][2] * h[2];
    EXPECT_NEAR(b[k], expected, 1e-5) << k;
  }
  // R'R reproduces the cross-product matrix.
  float r[9];
  factor.store_factor(r, 3);
  for (int k = 0; k < 3; ++k) {
    for (int l = 0; l < 3; ++l) {
      double s = 0.0;
      for (int m = 0; m < 3; ++m) s += double(r[m + k * 3]) * r[m + l * 3];
      EXPECT_NEAR(s, g[k][l], 1e-4 * g[k][l] + 1e-5);
    }
  }
}

// Removing a row with sign -1 gives the fit without it.
TEST_F(Factor, RemovedRowLeavesTheFitWithoutIt) {
  factor.init(1e-6F);
  add(1, 0, 0, 1);
  add(1, 1, 1, 3);
  add(1, 2, 4, 7);
  add(1, 3, 9, 2);   // this one goes again
  add(1, 4, 16, 21);
  add(1, 3, 9, 2, -1.0F);
  float b[3];
  factor.finish(b);
  // The four remaining points lie on z = 1 + t + t^2.
  EXPECT_NEAR(b[0], 1.0F, 1e-4);
  EXPECT_NEAR(b[1], 1.0F, 1e-4);
  EXPECT_NEAR(b[2], 1.0F, 1e-4);
}

TEST_F(Factor, ColumnProportionalToAnEarlierOneIsDependent) {
  factor.init(1e-6F);
  add(1, 2, 4, 5);
  add(1, 3, 6, 7);
  add(1, 5, 10, 11);
  float b[3];
  factor.finish(b);
  EXPECT_TRUE(factor.dependent(2));
  EXPECT_FALSE(factor.dependent(1));
  EXPECT_EQ(b[2], 0.0F);
  EXPECT_NEAR(b[0], 1.0F, 1e-5);  // z = 1 + 2t
  EXPECT_NEAR(b[1], 2.0F, 1e-5);
}

// The first constant nonzero column carries the level; a later constant one and a column of
// zeros are dependent however small their unexplained part looks.
TEST_F(Factor, ConstantColumns) {
  factor.init(1e-6F);
  add(0, 2, 3e-7F, 1);
  add(0, 2, 3e-7F, 2);
  float b[3];
  factor.finish(b);
  EXPECT_TRUE(factor.dependent(0));
  EXPECT_FALSE(factor.dependent(1));
  EXPECT_TRUE(factor.dependent(2));
  EXPECT_NEAR(b[1], 0.75F, 1e-6);
}

TEST(LogitModel, InitialLinearPredictor) {
  EXPECT_FLOAT_EQ(LogitModel::initial_eta(1.0F, 1.0F), std::log(3.0F));
  EXPECT_FLOAT_EQ(LogitModel::initial_eta(0.0F, 1.0F), -std::log(3.0F));
  EXPECT_FLOAT_EQ(LogitModel::initial_eta(0.0F, 1000.0F), std::log(0.001F));  // floor of t
}

// Away from the floor: l = y ln mu + (1 - y) ln(1 - mu), d1 = y - mu, d2 = -mu(1 - mu)
// (evaluated here in double).
TEST_F(Factor, ModelValuesForOneTrial) {
  LogitModel model;
  for (float eta : {-3.0F, -0.5F, 0.0F, 1.25F, 5.0F}) {
    for (float y : {0.0F, 1.0F}) {
      const ModelValues v = model.evaluate(eta, y, 1.0F);
      const double mu = 1.0 / (1.0 + std::exp(-double(eta)));
      EXPECT_NEAR(v.mu, mu, 1e-6);
      const double l = y * std::log(mu) + (1 - y) * std::log(1 - mu);
      EXPECT_NEAR(v.loglik, l, 1e-6 * (1.0 + std::fabs(l)));
      EXPECT_NEAR(v.d1, y - mu, 1e-6);
      EXPECT_NEAR(v.d2, -mu * (1 - mu), 1e-6);
    }
  }
  EXPECT_TRUE(take_lines().empty());
}

// eta is clamped to [-7, 7]; beyond 6.907 the floor of 1 - mu at 0.001 makes the curvature
// of a failure positive.
TEST_F(Factor, ModelClampAndFloor) {
  LogitModel model;
  const ModelValues at7 = model.evaluate(7.0F, 0.0F, 1.0F);
  const ModelValues far = model.evaluate(40.0F, 0.0F, 1.0F);
  EXPECT_EQ(far.loglik, at7.loglik);
  EXPECT_EQ(far.d1, at7.d1);
  EXPECT_FLOAT_EQ(at7.loglik, std::log(0.001F));
  EXPECT_GT(at7.d2, 0.0F);
  EXPECT_EQ(model.evaluate(-40.0F, 1.0F, 1.0F).mu, LogitModel::mean(-7.0F));
}

// The stages that a block of observations runs through give the values of one evaluation bit
// for bit, also when a failure's ln(mu / q) is left out (taken as 0), across the clamp and the
// floor of 1 - mu.
TEST_F(Factor, StagesComposeToTheEvaluation) {
  LogitModel model;
  const LogitModel::BinaryConstants c = model.binary_constants();
  for (float eta = -9.0F; eta <= 9.0F; eta += 0.0625F) {
    for (float y : {0.0F, 1.0F}) {
      const ModelValues whole = model.evaluate(eta, y, 1.0F);
      const float mu = LogitModel::mean_of_exp(std::exp(LogitModel::clamped(eta)));
      const float q = LogitModel::floored_complement(mu);
      const float log_ratio = y == 1.0F ? std::log(mu / q) : 0.0F;
      const ModelValues staged =
          LogitModel::combine(mu, q, y, 1.0F, y == 1.0F ? c.one : c.zero, log_ratio, std::log(q));
      SCOPED_TRACE(::testing::Message() << "eta " << eta << " y " << y);
      EXPECT_EQ(std::memcmp(&staged, &whole, sizeof whole), 0);
    }
  }
  EXPECT_TRUE(take_lines().empty());
}

TEST(SafeDivision, Rules) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_TRUE(std::isnan(safe_divide(nan, 1.0F)));
  EXPECT_TRUE(std::isnan(safe_divide(0.0F, 0.0F)));
  EXPECT_EQ(safe_divide(1.0F, 0.0F), inf);
  EXPECT_EQ(safe_divide(-1.0F, 0.0F), -inf);
  EXPECT_EQ(safe_divide(-3e38F, 0.5F), -inf);
  EXPECT_EQ(safe_divide(1e-30F, 1e10F), 0.0F);
  EXPECT_EQ(safe_divide(3.0F, -2.0F), -1.5F);
}

// p-values against the t distribution with 1000 degrees of freedom (Simpson integration).
TEST_F(Factor, C1TGivesTwoSidedPValues) {
  float z, p;
  C1T(0.0F, 2.0F, 1000.0F, z, p);
  EXPECT_EQ(z, 0.0F);
  EXPECT_NEAR(p, 1.0F, 1e-6);
  C1T(1.96F, 1.0F, 1000.0F, z, p);
  EXPECT_NEAR(p, t_two_sided(1.96, 1000.0), 2e-5);
  C1T(-7.5F, 2.5F, 1000.0F, z, p);
  EXPECT_EQ(z, -3.0F);
  EXPECT_NEAR(p, t_two_sided(3.0, 1000.0), 2e-5);
  C1T(40.0F, 1.0F, 1000.0F, z, p);  // |Z| >= sqrt(1000): the incomplete-beta branch
  EXPECT_NEAR(p, 0.0F, 1e-6);
  C1T(1.0F, 0.0F, 1000.0F, z, p);
  EXPECT_EQ(p, 0.0F);
  C1T(1.0F, 1.0F, 0.0F, z, p);
  EXPECT_TRUE(std::isnan(p));
  EXPECT_TRUE(take_lines().empty());
}

TEST_F(Factor, RcoefRefusesNegativeInputs) {
  const float b[2] = {1.0F, 2.0F};
  const float se[2] = {0.5F, -1.0F};
  std::vector<float> table(8, -99.0F);
  numerr::RoutineScope user{"TEST  "};
  std::int32_t print = 1, stop = 0;
  numerr::ERRATTR(numerr::kTerminal, print, stop);  // see the messages, keep the run going
  RCOEF(2, b, se, -1.0F, table.data(), 2);
  const auto messages = take_messages();
  ASSERT_EQ(messages.size(), 2U);
  EXPECT_EQ(messages[0], collapse("TERMINAL|RCOEF.  DFE = -1.000000E+00.  It must be nonnegative."));
  EXPECT_EQ(messages[1], collapse("TERMINAL|RCOEF.  STDB(2) = -1.000000E+00.  It must be nonnegative."));
  EXPECT_EQ(table, std::vector<float>(8, -99.0F));
}

}  // namespace
}  // namespace itemdif::glm::testing

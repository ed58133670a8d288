// The marginal log-likelihood against a hand-written quadrature sum, its gradient against
// finite differences, and fits that end at the same maximum from different starts.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "data/item_scores.hpp"
#include "irt/marginal_model.hpp"
#include "irt/maximise.hpp"
#include "irt/response_patterns.hpp"
#include "simulate.hpp"

namespace itemdif::irt {
namespace {

constexpr std::uint8_t kNA = data::kMissing;

double sigmoid(double z) { return 1.0 / (1.0 + std::exp(-z)); }

/// Normal weights on x = -6, -5.8, ..., 6, normalised to sum to one.
std::vector<double> normal_weights(double mu, double sigma) {
  std::vector<double> w(61);
  double sum = 0.0;
  for (int q = 0; q < 61; ++q) {
    const double z = (-6.0 + 0.2 * q - mu) / sigma;
    w[q] = std::exp(-0.5 * z * z);
    sum += w[q];
  }
  for (double& v : w) v /= sum;
  return w;
}

// Item 0 is 0/1 and common to both groups; item 1 is scored 0..3 with scores 0, 2 and 3
// occurring (two thresholds d_2 > d_3) and free in each group. The focal examinee did not
// answer item 0.
struct Tiny {
  static constexpr std::uint8_t scores[6] = {1, 2, 0, 3, kNA, 0};
  static constexpr std::uint8_t group[3] = {0, 0, 1};
  IrtData data(MissingPolicy missing) const {
    IrtData d;
    d.scores = std::span<const std::uint8_t>(scores);
    d.n_items = 2;
    d.group = std::span<const std::uint8_t>(group);
    d.groups = 2;
    d.score_min = {0, 0};
    d.score_max = {1, 3};
    d.missing = missing;
    return d;
  }
};

Eigen::VectorXd tiny_parameters(const MarginalModel& model) {
  Eigen::VectorXd x(model.n_params());
  x[model.slope(0, 0)] = 1.2;
  x[model.threshold(0, 0, 1)] = -0.3;
  x[model.slope(1, 0)] = 0.8;
  x[model.threshold(1, 0, 1)] = 0.5;
  x[model.threshold(1, 0, 2)] = -0.7;
  x[model.slope(1, 1)] = 1.5;
  x[model.threshold(1, 1, 1)] = 1.0;
  x[model.threshold(1, 1, 2)] = -1.0;
  x[model.mean(1)] = 0.4;
  x[model.log_sd(1)] = std::log(1.3);
  return x;
}

TEST(irt_likelihood, tiny_data_by_hand) {
  const Tiny tiny;
  const std::vector<double> w_ref = normal_weights(0.0, 1.0), w_foc = normal_weights(0.4, 1.3);
  double l0 = 0, l1 = 0, l2 = 0, l2_incorrect = 0;
  for (int q = 0; q < 61; ++q) {
    const double x = -6.0 + 0.2 * q;
    const double p0 = sigmoid(1.2 * x - 0.3);
    const double ref_2 = sigmoid(0.8 * x + 0.5) - sigmoid(0.8 * x - 0.7), ref_3 = sigmoid(0.8 * x - 0.7);
    const double foc_0 = 1.0 - sigmoid(1.5 * x + 1.0);
    l0 += w_ref[q] * p0 * ref_2;
    l1 += w_ref[q] * (1 - p0) * ref_3;
    l2 += w_foc[q] * foc_0;
    l2_incorrect += w_foc[q] * (1 - p0) * foc_0;
  }
  {
    const ResponsePatterns patterns = response_patterns(tiny.data(MissingPolicy::excluded));
    ASSERT_EQ(patterns.items.size(), 2u);
    EXPECT_EQ(patterns.items[1].scores, (std::vector<int>{0, 2, 3}));
    const MarginalModel model(patterns, {Tie::common, Tie::free});
    EXPECT_NEAR(model.log_likelihood(tiny_parameters(model), nullptr, 1), std::log(l0) + std::log(l1) + std::log(l2),
                1e-12);
  }
  {
    // Under `incorrect` the missing response is score 0.
    const ResponsePatterns patterns = response_patterns(tiny.data(MissingPolicy::incorrect));
    const MarginalModel model(patterns, {Tie::common, Tie::free});
    EXPECT_NEAR(model.log_likelihood(tiny_parameters(model), nullptr, 1),
                std::log(l0) + std::log(l1) + std::log(l2_incorrect), 1e-12);
  }
}

/// Three groups, 0/1 and graded items under every kind of tie, some responses missing.
testing::Simulated mixed_data(std::size_t n, unsigned seed) {
  using testing::SimItem;
  std::vector<SimItem> items{{1.0, {0.2}}, {1.4, {-0.5}}, {0.7, {1.5, 0.1, -1.2}}, {1.1, {0.3}},
                             {0.9, {1.0, -0.8}}, {1.3, {-0.2}}};
  std::vector<std::vector<SimItem>> by_group{items, items, items};
  by_group[1][2].d = {1.0, -0.2, -1.6};
  by_group[2][5].a = 0.6;
  testing::Simulated s = testing::simulate(by_group, {n, n, n}, {0.0, -0.4, 0.3}, {1.0, 1.2, 0.8}, seed);
  for (std::size_t i = 0; i < s.scores.size(); i += 7) s.scores[i] = kNA;
  return s;
}

TEST(irt_likelihood, gradient_matches_finite_differences) {
  const testing::Simulated sim = mixed_data(150, 11);
  const IrtData data = sim.data(3);
  const ResponsePatterns patterns = response_patterns(data);
  ASSERT_EQ(patterns.items.size(), 6u);
  const MarginalModel model(patterns, {Tie::common, Tie::common, Tie::free, Tie::common_slope, Tie::common_slope,
                                       Tie::free});
  Eigen::VectorXd x = model.start();
  for (Eigen::Index i = 0; i < x.size(); ++i) x[i] += 0.05 * std::sin(3.0 * i + 1.0);
  Eigen::VectorXd gradient;
  model.log_likelihood(x, &gradient, 1);
  for (Eigen::Index i = 0; i < x.size(); ++i) {
    const double h = 1e-5;
    Eigen::VectorXd up = x, down = x;
    up[i] += h;
    down[i] -= h;
    const double numeric = (model.log_likelihood(up, nullptr, 1) - model.log_likelihood(down, nullptr, 1)) / (2 * h);
    EXPECT_NEAR(gradient[i], numeric, 1e-5 * std::max(1.0, std::abs(numeric))) << "parameter " << i;
  }
}

TEST(irt_likelihood, fits_end_at_the_same_maximum_from_different_starts) {
  const testing::Simulated sim = mixed_data(400, 12);
  const IrtData data = sim.data(3);
  const ResponsePatterns patterns = response_patterns(data);
  const MarginalModel model(patterns, {Tie::common, Tie::common, Tie::free, Tie::common_slope, Tie::common, Tie::free});
  const std::vector<std::string> items{"i1", "i2", "i3", "i4", "i5", "i6"}, groups{"R", "F1", "F2"};
  const Fit cold = maximise(model, model.start(), std::nullopt, std::nullopt, items, groups, 2);
  ASSERT_EQ(cold.status, Fit::Status::maximum);
  Eigen::VectorXd other = cold.x;
  for (Eigen::Index i = 0; i < other.size(); ++i) other[i] += 0.3 * std::cos(2.0 * i);
  const Fit warm = maximise(model, other, std::nullopt, std::nullopt, items, groups, 1);
  ASSERT_EQ(warm.status, Fit::Status::maximum);
  EXPECT_NEAR(cold.log_l, warm.log_l, 1e-7);
  EXPECT_LT((cold.x - warm.x).cwiseAbs().maxCoeff(), 1e-3);
  // No direction gains more than rounding: a Newton step on central-difference curvature
  // from the reported point promises nothing.
  Eigen::VectorXd gradient;
  EXPECT_DOUBLE_EQ(model.log_likelihood(cold.x, &gradient, 1), cold.log_l);
  EXPECT_LT(gradient.cwiseAbs().maxCoeff(), 1e-3);
  for (Eigen::Index i = 0; i < cold.x.size(); ++i) {
    for (double step : {-1e-3, 1e-3}) {
      Eigen::VectorXd nudged = cold.x;
      nudged[i] += step;
      EXPECT_LE(model.log_likelihood(nudged, nullptr, 1), cold.log_l + 1e-9) << "parameter " << i;
    }
  }
}

}  // namespace
}  // namespace itemdif::irt

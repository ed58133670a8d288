// ALBETA with its large-argument helpers ALNGAM and ALNREL, in single precision.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>

#include "dist/albeta.hpp"
#include "double_test_support.hpp"

namespace itemdif::dist {
namespace {

using testing::FacilityTest;
using testing::message_text;

std::int64_t float_ulps(float got, long double want) {
  const auto a = static_cast<std::int64_t>(std::bit_cast<std::int32_t>(got));
  const auto b = static_cast<std::int64_t>(std::bit_cast<std::int32_t>(static_cast<float>(want)));
  return a > b ? a - b : b - a;
}

/// ln B(a, b) from long double std::lgamma: the reference for every ALBETA case.
long double log_beta(float a, float b) {
  const long double la = a;
  const long double lb = b;
  return std::lgamma(la) + std::lgamma(lb) - std::lgamma(la + lb);
}

class SingleLogBeta : public FacilityTest {};

// ---- the arguments of the model's log-likelihood --------------------------------------

TEST_F(SingleLogBeta, OneTwoAndTwoOneAreLnHalf) {
  const long double ln_half = -0.69314718055994530942L;
  EXPECT_LE(float_ulps(ALBETA(1.0f, 2.0f), ln_half), 2);
  EXPECT_LE(float_ulps(ALBETA(2.0f, 1.0f), ln_half), 2);
  // Both orders take the same path: the smaller argument goes first.
  EXPECT_EQ(ALBETA(1.0f, 2.0f), ALBETA(2.0f, 1.0f));
}

// ---- errors ------------------------------------------------------------------------------

TEST_F(SingleLogBeta, NonPositiveArgumentIsTerminalWithNotANumber) {
  for (auto [a, b] : {std::pair{0.0f, 2.0f}, std::pair{2.0f, 0.0f}, std::pair{-1.5f, 30.0f}}) {
    const auto outcome = quietly([a, b] { return ALBETA(a, b); });
    EXPECT_TRUE(std::isnan(outcome.value)) << a << ", " << b;
    EXPECT_EQ(outcome.type, 5);
    EXPECT_EQ(outcome.code, 5);
    EXPECT_NE(outcome.console.find(" 5 from ALBETA."), std::string::npos) << outcome.console;
    EXPECT_EQ(message_text(outcome.console),
              "Both arguments for the function must be greater than zero.");
  }
}

TEST_F(SingleLogBeta, NotANumberPassesThroughQuietly) {
  const auto outcome = quietly([] { return ALBETA(std::nanf(""), 2.0f); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, 0);
  EXPECT_EQ(outcome.console, "");
}

// ---- every branch against long double lgamma -------------------------------------------

TEST_F(SingleLogBeta, BothArgumentsBelowTen) {
  // ln of a ratio of GAMMA values: a few ulps of the ratio, relative to ln of it. Near a
  // result of 0 (B(a, b) near 1) the absolute error is what counts.
  for (float a : {0.05f, 0.5f, 1.0f, 2.5f, 7.25f, 9.9f}) {
    for (float b : {0.3f, 1.0f, 3.0f, 9.5f}) {
      const long double want = log_beta(a, b);
      EXPECT_NEAR(ALBETA(a, b), static_cast<double>(want),
                  4e-7 * std::max(1.0, std::fabs(static_cast<double>(want))))
          << a << ", " << b;
    }
  }
}

TEST_F(SingleLogBeta, OneArgumentAtLeastTen) {
  // The branch with ALNGAM (p < 10) and ALNREL; q from 10 to 1e7, p from tiny to 9.9.
  for (float p : {1e-3f, 0.5f, 1.0f, 3.7f, 9.9f}) {
    for (float q : {10.0f, 12.5f, 100.0f, 1000.0f, 5.0e4f, 1.0e7f}) {
      const long double want = log_beta(p, q);
      const double tol = 8 * 6e-8 * std::max(1.0, std::fabs(static_cast<double>(want)));
      EXPECT_NEAR(ALBETA(p, q), static_cast<double>(want), tol) << p << ", " << q;
      EXPECT_EQ(ALBETA(p, q), ALBETA(q, p));
    }
  }
}

TEST_F(SingleLogBeta, BothArgumentsAtLeastTen) {
  for (float p : {10.0f, 33.0f, 500.0f, 2.0e4f}) {
    for (float q : {10.0f, 11.0f, 640.0f, 1.0e6f}) {
      const long double want = log_beta(p, q);
      const double tol = 8 * 6e-8 * std::max(1.0, std::fabs(static_cast<double>(want)));
      EXPECT_NEAR(ALBETA(p, q), static_cast<double>(want), tol) << p << ", " << q;
    }
  }
}

// ---- ALNGAM --------------------------------------------------------------------------------

TEST_F(SingleLogBeta, LogGammaAgainstLongDoubleLgamma) {
  // Relative accuracy away from the zeros of ln Γ at 1 and 2; absolute there.
  for (float x : {0.1f, 0.75f, 1.5f, 3.0f, 9.99f, 10.01f, 25.0f, 1000.0f, 3.3e5f, 1.0e30f,
                  -0.5f, -3.3f, -10.5f, -25.25f, -1000.5f}) {
    const long double want = std::lgamma(static_cast<long double>(x));
    EXPECT_NEAR(ALNGAM(x), static_cast<double>(want),
                6 * 6e-8 * std::max(1.0, std::fabs(static_cast<double>(want))))
        << x;
  }
}

TEST_F(SingleLogBeta, LogGammaErrors) {
  auto outcome = quietly([] { return ALNGAM(-30.0f); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, 5);
  EXPECT_NE(outcome.console.find(" from ALNGAM."), std::string::npos) << outcome.console;

  outcome = quietly([] { return ALNGAM(1.0e37f); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, 5);
  EXPECT_EQ(outcome.code, 2);

  // Within ten the errors are GAMMA's, passed up through ALNGAM.
  outcome = quietly([] { return ALNGAM(0.0f); });
  EXPECT_EQ(outcome.type, 5);
  EXPECT_NE(outcome.console.find(" from GAMMA."), std::string::npos) << outcome.console;
}

// ---- ALNREL --------------------------------------------------------------------------------

TEST_F(SingleLogBeta, LnOnePlusXStaysAccurateForSmallX) {
  // Reference: long double std::log1p. Both sides of the switch at |x| = 0.375.
  for (float x : {-0.999f, -0.6f, -0.375f, -0.374f, -0.1f, -1e-4f, -1e-20f, 1e-20f, 3e-8f,
                  1e-3f, 0.2f, 0.375f, 0.376f, 4.0f, 1e30f}) {
    EXPECT_LE(float_ulps(ALNREL(x), std::log1p(static_cast<long double>(x))), 2) << x;
  }
  EXPECT_EQ(ALNREL(0.0f), 0.0f);
}

TEST_F(SingleLogBeta, LnOnePlusXBelowMinusOneIsTerminal) {
  const auto outcome = quietly([] { return ALNREL(-1.0f); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, 5);
  EXPECT_EQ(outcome.code, 1);
  EXPECT_NE(outcome.console.find(" 1 from ALNREL."), std::string::npos) << outcome.console;
  EXPECT_EQ(message_text(outcome.console), "X = -1.000000E+00 is less than or equal to -1.");
}

}  // namespace
}  // namespace itemdif::dist

// ERFC and GAMMA in single precision, with GAMMA's bounds (R9GAML) and correction (R9LGMC).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "dist/erfc_single.hpp"
#include "dist/gamma_single.hpp"
#include "double_test_support.hpp"
#include "numerr/error_stack.hpp"

namespace itemdif::dist {
namespace {

using testing::FacilityTest;
using testing::message_text;

/// Distance in units in the last place between a float and the float nearest a long double
/// reference (both finite, same sign).
std::int64_t float_ulps(float got, long double want) {
  const auto a = static_cast<std::int64_t>(std::bit_cast<std::int32_t>(got));
  const auto b = static_cast<std::int64_t>(std::bit_cast<std::int32_t>(static_cast<float>(want)));
  return a > b ? a - b : b - a;
}

// exp(-y^2) of a float y inherits the rounding of y^2, up to y^2 units in the last place of
// the result on top of the series' few; that is the accuracy single precision allows here.
std::int64_t erfc_allowance(float x) { return 4 + static_cast<std::int64_t>(x * x); }

class SingleErfc : public FacilityTest {};

// ---- ERFC -----------------------------------------------------------------------------

TEST_F(SingleErfc, FixedPointsAndTheEndsOfTheRange) {
  EXPECT_EQ(ERFC(0.0f), 1.0f);
  // Below xsml = -4.0078883 the result is 2 by decision, not by rounding.
  EXPECT_EQ(ERFC(-5.0f), 2.0f);
  EXPECT_EQ(ERFC(-4.0078883f), 2.0f);
  // Just above xsml the series answer is taken: erfc(-4.0078878) = 2 - 1.4e-8, which also
  // rounds to 2 in float, so the branch shows only through the absence of an error here.
  EXPECT_NEAR(ERFC(-4.00788f), 2.0f, 1.2e-7f);
}

TEST_F(SingleErfc, AboveXmaxUnderflowsToZeroWithAnAlert) {
  show_all_types();  // ALERTs are silent by default; show this one to read its text
  auto outcome = quietly([] { return ERFC(10.0f); });
  EXPECT_EQ(outcome.value, 0.0);
  EXPECT_EQ(outcome.type, 2);
  EXPECT_EQ(outcome.code, 1);
  EXPECT_NE(outcome.console.find(" 1 from ERFC."), std::string::npos) << outcome.console;
  EXPECT_EQ(message_text(outcome.console),
            "The function underflows because X = 1.000000E+01 is greater than 9.184941E+00. "
            "The result is set to zero.");

  // xmax = 9.1849413 itself still gets the series value: erfc(9.1849413) = 1.19e-38 (long
  // double std::erfc), a normal float, and no alert.
  outcome = quietly([] { return ERFC(9.1849413f); });
  EXPECT_EQ(outcome.type, 0);
  EXPECT_LE(float_ulps(static_cast<float>(outcome.value), std::erfc(9.1849413L)),
            erfc_allowance(9.1849413f));
  outcome = quietly([] { return ERFC(std::nextafter(9.1849413f, 10.0f)); });
  EXPECT_EQ(outcome.value, 0.0);
  EXPECT_EQ(outcome.type, 2);
}

TEST_F(SingleErfc, AlertIsSilentByDefault) {
  const auto outcome = quietly([] { return ERFC(12.0f); });
  EXPECT_EQ(outcome.type, 2);
  EXPECT_EQ(outcome.console, "");
}

TEST_F(SingleErfc, MatchesLongDoubleErfcOnEveryBranch) {
  // Reference: the C library's long double erfc, a different method carried to 64 bits.
  // Each series branch (|x| <= 1, 1 < |x| <= 2, |x| > 2), both signs, the tiny-x form below
  // sqeps = 3.45e-4, and the branch edges.
  struct Span {
    float from, to;
  };
  const Span spans[] = {{-4.0f, -2.0f}, {-2.0f, -1.0f}, {-1.0f, 1.0f}, {1.0f, 2.0f},
                        {2.0f, 9.18f},  {-3e-4f, 3e-4f}};
  std::vector<float> xs = {1.0f,  std::nextafter(1.0f, 2.0f), 2.0f, std::nextafter(2.0f, 3.0f),
                           -1.0f, -2.0f, 3.4526698e-04f, 3.4526695e-04f};
  for (const Span& span : spans) {
    for (int i = 0; i <= 400; ++i)
      xs.push_back(span.from + (span.to - span.from) * static_cast<float>(i) / 400.0f);
  }
  for (float x : xs) {
    EXPECT_LE(float_ulps(ERFC(x), std::erfc(static_cast<long double>(x))), erfc_allowance(x))
        << "x = " << x;
  }
}

TEST_F(SingleErfc, TinyArgumentsUseTheLinearForm) {
  // Below sqeps erfc(x) = 1 - 2x / sqrt(pi) exactly as far as float can tell.
  for (float x : {1e-30f, -1e-10f, 1e-5f, 3.4e-4f, -3.4e-4f}) {
    EXPECT_EQ(ERFC(x), 1.0f - 2.0f * x / 1.7724539f) << x;
    EXPECT_LE(float_ulps(ERFC(x), std::erfc(static_cast<long double>(x))), 1) << x;
  }
}

// ---- GAMMA: the points the system uses ----------------------------------------------------

class SingleGamma : public FacilityTest {};

TEST_F(SingleGamma, OneTwoAndThreeComeFromTheSameSeriesValue) {
  // GAMMA(1) = g, GAMMA(2) = g * 1, GAMMA(3) = g * 1 * 2 with the one series value g.
  const float g = GAMMA(1.0f);
  EXPECT_EQ(GAMMA(2.0f), g);
  EXPECT_EQ(GAMMA(3.0f), g * 2.0f);
  EXPECT_LE(float_ulps(g, 1.0L), 2);
}

TEST_F(SingleGamma, SmallArgumentsAgainstLongDoubleTgamma) {
  // Reference: long double std::tgamma. Positive arguments and negative non-integers down to
  // -10, where the recurrence divides.
  std::int64_t worst = 0;
  float worst_x = 0.0f;
  for (int i = -999; i <= 1000; ++i) {
    const float x = static_cast<float>(i) / 100.0f + 0.005f;
    if (x > 10.0f) break;
    const std::int64_t d = float_ulps(GAMMA(x), std::tgamma(static_cast<long double>(x)));
    if (d > worst) {
      worst = d;
      worst_x = x;
    }
  }
  EXPECT_LE(worst, 16) << "worst at x = " << worst_x;
  EXPECT_LE(float_ulps(GAMMA(0.5f), 1.7724538509055160273L), 2);  // sqrt(pi)
  // tgamma(-2.5) = 4 sqrt(pi) / (-2.5 * -1.5 * -0.5) * ... = -0.9453087205
  EXPECT_LE(float_ulps(GAMMA(-2.5f), -0.94530872048294188123L), 2);
}

TEST_F(SingleGamma, LargeArgumentsAgainstLongDoubleTgamma) {
  // The branch above 10 (Stirling with R9LGMC), never reached by the system but kept exact.
  std::int64_t worst = 0;
  float worst_x = 0.0f;
  // Negative arguments stop above xmin = -33.96, where the results would leave the normal range.
  for (float x = 10.01f; x <= 35.0f; x += 0.37f) {
    for (float sign : {1.0f, -1.0f}) {
      const float arg = sign * x;
      if (arg < -33.5f) continue;
      const std::int64_t d = float_ulps(GAMMA(arg), std::tgamma(static_cast<long double>(arg)));
      if (d > worst) {
        worst = d;
        worst_x = arg;
      }
    }
  }
  EXPECT_LE(worst, 8) << "worst at x = " << worst_x;
  // 11 is the first whole argument of the branch: 10! = 3628800 is a float.
  EXPECT_LE(float_ulps(GAMMA(11.0f), 3628800.0L), 2);
}

// ---- GAMMA: errors ---------------------------------------------------------------------

TEST_F(SingleGamma, ZeroIsTerminal) {
  const auto outcome = quietly([] { return GAMMA(0.0f); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, 5);
  EXPECT_EQ(outcome.code, 5);
  EXPECT_NE(outcome.console.find(" 5 from GAMMA."), std::string::npos) << outcome.console;
  EXPECT_EQ(message_text(outcome.console), "The argument for the function can not be zero.");
}

TEST_F(SingleGamma, TooCloseToZeroOverflows) {
  const auto outcome = quietly([] { return GAMMA(1.0e-39f); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, 5);
  EXPECT_EQ(outcome.code, 4);
  EXPECT_EQ(message_text(outcome.console),
            "The function overflows because X = 1.000000E-39 is too close to zero.");
  // 1.2e-38 is above xsml = 1.1873e-38: 1 / x fits in float.
  EXPECT_LE(float_ulps(GAMMA(1.2e-38f), std::tgamma(static_cast<long double>(1.2e-38f))), 2);
}

TEST_F(SingleGamma, NegativeIntegersAreTerminalInBothBranches) {
  auto outcome = quietly([] { return GAMMA(-3.0f); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, 5);
  EXPECT_EQ(outcome.code, 6);
  EXPECT_EQ(message_text(outcome.console),
            "The argument for the function can not be a negative integer. Argument X = "
            "-3.000000E+00.");

  outcome = quietly([] { return GAMMA(-20.0f); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.code, 7);
  EXPECT_EQ(message_text(outcome.console),
            "The argument for the function can not be a negative integer. Argument X = "
            "-2.000000E+01.");
}

TEST_F(SingleGamma, NearANegativeIntegerWarnsAndStillAnswers) {
  // |(x - trunc(x - 0.5)) / x| = 5e-5 < dxrel = 3.45e-4.
  auto outcome = quietly([] { return GAMMA(-2.0001f); });
  EXPECT_EQ(outcome.type, 3);
  EXPECT_EQ(outcome.code, 2);
  EXPECT_NE(outcome.console.find(" 2 from GAMMA."), std::string::npos) << outcome.console;
  EXPECT_EQ(message_text(outcome.console),
            "The result is accurate to less than one half precision because X = -2.000100E+00 "
            "is too close to a negative integer.");
  const long double want = std::tgamma(static_cast<long double>(-2.0001f));
  EXPECT_NEAR(outcome.value / static_cast<double>(want), 1.0, 1e-3);

  outcome = quietly([] { return GAMMA(-2.01f); });  // 5e-3: far enough
  EXPECT_EQ(outcome.type, 0);
  outcome = quietly([] { return GAMMA(-15.0001f); });  // the large branch warns the same way
  EXPECT_EQ(outcome.type, 3);
  EXPECT_EQ(outcome.code, 2);
}

TEST_F(SingleGamma, OverflowAndUnderflowBounds) {
  auto outcome = quietly([] { return GAMMA(36.0f); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, 5);
  EXPECT_EQ(outcome.code, 4);
  EXPECT_EQ(message_text(outcome.console),
            "The function overflows because X = 3.600000E+01 is greater than 3.503078E+01.");

  show_all_types();
  outcome = quietly([] { return GAMMA(-40.5f); });
  EXPECT_EQ(outcome.value, 0.0);
  EXPECT_EQ(outcome.type, 2);
  EXPECT_EQ(outcome.code, 1);
  EXPECT_EQ(message_text(outcome.console),
            "The function underflows because X = -4.050000E+01 is less than -3.396258E+01. The "
            "result is set to zero.");
}

TEST_F(SingleGamma, BoundsSitWhereTheFloatRangeEnds) {
  // Independently of the Newton iteration: Γ at xmax fits in float, a little beyond it does
  // not; |Γ| at xmin is still a normal float, a little below it is not (long double tgamma).
  float xmin = 0.0f;
  float xmax = 0.0f;
  R9GAML(xmin, xmax);
  const long double big = std::numeric_limits<float>::max();
  const long double small = std::numeric_limits<float>::min();
  EXPECT_LT(std::tgamma(static_cast<long double>(xmax)), big);
  EXPECT_GT(std::tgamma(static_cast<long double>(xmax) + 0.03L), big);
  EXPECT_GT(std::fabs(std::tgamma(static_cast<long double>(xmin))), small);
  EXPECT_LT(std::fabs(std::tgamma(static_cast<long double>(xmin) - 1.5L)), small);
  EXPECT_FLOAT_EQ(xmin, -33.962582f);
  EXPECT_FLOAT_EQ(xmax, 35.030781f);
}

// ---- R9LGMC ----------------------------------------------------------------------------

TEST_F(SingleGamma, LogGammaCorrectionAgainstLongDoubleLgamma) {
  // Reference: lgamma - ((x - 0.5) ln x - x + ln sqrt(2 pi)) in long double; the subtraction
  // loses about ln(x) x / (1/(12x)) of the 64 bits, still far beyond float.
  std::int64_t worst = 0;
  float worst_x = 0.0f;
  for (float x : {10.0f, 10.5f, 12.25f, 17.0f, 33.3f, 100.0f, 517.0f, 4095.0f, 4096.0f, 1.0e5f}) {
    const long double lx = x;
    const long double want =
        std::lgamma(lx) - ((lx - 0.5L) * std::log(lx) - lx + 0.91893853320467274178L);
    const std::int64_t d = float_ulps(R9LGMC(x), want);
    if (d > worst) {
      worst = d;
      worst_x = x;
    }
  }
  EXPECT_LE(worst, 4) << "worst at x = " << worst_x;
  // Beyond x = 1e5 the long double subtraction itself runs out of digits; the correction
  // is 1 / (12 x) to far better than float there.
  EXPECT_EQ(R9LGMC(1.0e20f), 1.0f / (1.0e20f * 12.0f));
}

TEST_F(SingleGamma, LogGammaCorrectionErrors) {
  auto outcome = quietly([] { return R9LGMC(9.5f); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, 5);
  EXPECT_EQ(outcome.code, 5);
  EXPECT_NE(outcome.console.find(" 5 from R9LGMC."), std::string::npos) << outcome.console;
  EXPECT_EQ(message_text(outcome.console),
            "The argument X = 9.500000E+00 must be greater than or equal to 10.0.");

  outcome = quietly([] { return R9LGMC(1.0e37f); });
  EXPECT_EQ(outcome.value, 0.0);
  EXPECT_EQ(outcome.type, 2);
  EXPECT_EQ(outcome.code, 1);
}

}  // namespace
}  // namespace itemdif::dist

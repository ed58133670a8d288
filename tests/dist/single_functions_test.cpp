// The single-precision special functions beneath TDF: AMACH, INITS and CSEVL, ERFC, GAMMA
// with R9GAML and R9LGMC, ALBETA with ALNGAM and ALNREL.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "dist/albeta.hpp"
#include "dist/amach.hpp"
#include "dist/chebyshev_single.hpp"
#include "dist/chebyshev_tables.hpp"
#include "dist/erfc_single.hpp"
#include "dist/gamma_single.hpp"
#include "double_test_support.hpp"

namespace itemdif::dist {
namespace {

using testing::FacilityTest;
using testing::message_text;

/// Units in the last place between a float and the float nearest a long double reference.
std::int64_t float_ulps(float got, long double want) {
  const auto a = static_cast<std::int64_t>(std::bit_cast<std::int32_t>(got));
  const auto b = static_cast<std::int64_t>(std::bit_cast<std::int32_t>(static_cast<float>(want)));
  return a > b ? a - b : b - a;
}

class SingleFunctions : public FacilityTest {
 protected:
  /// One failing call: the not-a-number or zero it returns, the type and code it leaves, and
  /// its message under its own name.
  struct Failure {
    std::function<float()> call;
    bool not_a_number;
    std::int32_t type, code;
    std::string routine, text;
  };
  void expect_failure(const Failure& f) {
    show_all_types();  // ALERTs are silent by default; shown here to read their texts
    const auto outcome = quietly([&] { return static_cast<double>(f.call()); });
    if (f.not_a_number) {
      EXPECT_TRUE(std::isnan(outcome.value)) << f.text;
    } else {
      EXPECT_EQ(outcome.value, 0.0) << f.text;
    }
    EXPECT_EQ(outcome.type, f.type) << f.text;
    EXPECT_EQ(outcome.code, f.code) << f.text;
    EXPECT_NE(outcome.console.find(std::to_string(f.code) + " from " + f.routine + "."),
              std::string::npos)
        << outcome.console;
    EXPECT_EQ(message_text(outcome.console), f.text);
  }
};

// ---- AMACH, INITS, CSEVL ---------------------------------------------------------------

TEST_F(SingleFunctions, MachineConstantsAreTheIeeeSingleLimits) {
  const auto bits = [](float v) { return std::bit_cast<std::uint32_t>(v); };
  // binary32 patterns of 2^-126, (2 - 2^-23) 2^127, 2^-24, 2^-23 and the quiet NaN.
  EXPECT_EQ(bits(AMACH(1)), 0x00800000u);
  EXPECT_EQ(bits(AMACH(2)), 0x7F7FFFFFu);
  EXPECT_EQ(bits(AMACH(3)), 0x33800000u);
  EXPECT_EQ(bits(AMACH(4)), 0x34000000u);
  EXPECT_EQ(AMACH(5), static_cast<float>(0.30102999566398119521L));  // log10(2)
  EXPECT_EQ(bits(AMACH(6)), 0x7FC00000u);
  EXPECT_EQ(AMACH(7), std::numeric_limits<float>::infinity());
  EXPECT_EQ(AMACH(8), -std::numeric_limits<float>::infinity());
  // Registered only on its error path: a good call leaves the stack untouched.
  EXPECT_EQ(quietly([] { return AMACH(3); }).type, -1);
  for (std::int32_t n : {0, 9}) {
    expect_failure({[n] { return AMACH(n); }, true, 5, 5, "AMACH",
                    "The argument must be between 1 and 8 inclusive. N = " + std::to_string(n)});
  }
}

TEST_F(SingleFunctions, ChebyshevRoutinesUnderTheirSingleNames) {
  const float eta = 0.1f * AMACH(3);
  EXPECT_EQ(INITS(erf_series_single.data(), 13, eta), 7);
  EXPECT_EQ(INITS(erfc_mid_series_single.data(), 23, eta), 10);
  EXPECT_EQ(INITS(erfc_tail_series_single.data(), 24, eta), 9);
  EXPECT_EQ(INITS(gamma_series_single.data(), 23, eta), 12);
  const std::vector<float> cs = {2.0f, 1.0f};  // 1 + x
  expect_failure({[&] { return static_cast<float>(INITS(cs.data(), 0, eta)); }, false, 5, 5,
                  "INITS", "The number of coefficients is less than 1. NOS = 0."});
  expect_failure({[&] { return CSEVL(0.5f, cs.data(), 1001); }, true, 5, 6, "CSEVL",
                  "The number of terms in the series is greater than 1000. N = 1001."});
  // Outside (-1.1, 1.1): a WARNING with the value as %(R1), and the sum all the same.
  const auto outcome = quietly([&] { return static_cast<double>(CSEVL(1.25f, cs.data(), 2)); });
  EXPECT_EQ(outcome.value, 2.25);
  EXPECT_EQ(outcome.type, 3);
  EXPECT_EQ(message_text(outcome.console),
            "The argument X = 1.250000E+00 is outside the interval (-1.1,+1.1).");
}

// ---- ERFC --------------------------------------------------------------------------------

TEST_F(SingleFunctions, ErfcEndsOfTheRange) {
  // An ALERT stays silent under the default print table.
  EXPECT_EQ(quietly([] { return static_cast<double>(ERFC(12.0f)); }).console, "");
  EXPECT_EQ(ERFC(0.0f), 1.0f);
  EXPECT_EQ(ERFC(-5.0f), 2.0f);        // below xsml = -4.0078883: 2 by decision
  EXPECT_EQ(ERFC(-4.0078883f), 2.0f);  // xsml itself
  expect_failure({[] { return ERFC(10.0f); }, false, 2, 1, "ERFC",
                  "The function underflows because X = 1.000000E+01 is greater than "
                  "9.184941E+00. The result is set to zero."});
  expect_failure({[] { return ERFC(std::nextafter(9.1849413f, 10.0f)); }, false, 2, 1, "ERFC",
                  "The function underflows because X = 9.184942E+00 is greater than "
                  "9.184941E+00. The result is set to zero."});
  // xmax itself still gets the series value (1.19e-38, a normal float) and no alert.
  EXPECT_EQ(quietly([] { return static_cast<double>(ERFC(9.1849413f)); }).type, 0);
  EXPECT_GT(ERFC(9.1849413f), 0.0f);
}

TEST_F(SingleFunctions, ErfcAgainstLongDoubleErfcOnEveryBranch) {
  // Reference: long double std::erfc. The three series (|x| <= 1, 1 < |x| <= 2, |x| > 2) on
  // both sides, the linear form below sqeps = 3.45e-4, and the branch edges.
  std::vector<float> xs = {1.0f,  std::nextafter(1.0f, 2.0f), 2.0f, std::nextafter(2.0f, 3.0f),
                           -2.0f, 3.4526698e-04f, 3.4526695e-04f, 1e-30f, -1e-5f};
  for (int i = 0; i <= 1318; ++i) xs.push_back(-4.0f + static_cast<float>(i) / 100.0f);
  for (float x : xs) {
    // exp(-y^2) of a float y inherits the rounding of y^2: up to y^2 ulps of the result on top
    // of a few from the series; that is what single precision allows here.
    const auto allowance = 4 + static_cast<std::int64_t>(x * x);
    EXPECT_LE(float_ulps(ERFC(x), std::erfc(static_cast<long double>(x))), allowance) << x;
  }
}

// ---- GAMMA, R9GAML, R9LGMC ---------------------------------------------------------------

TEST_F(SingleFunctions, GammaAtTheSystemsArgumentsSharesOneSeriesValue) {
  // GAMMA(1) = g, GAMMA(2) = g * 1, GAMMA(3) = g * 1 * 2 with g = 0.9375 + CSEVL(-1, ...).
  const float g = GAMMA(1.0f);
  EXPECT_EQ(g, 0.9375f + CSEVL(-1.0f, gamma_series_single.data(), 12));
  EXPECT_EQ(GAMMA(2.0f), g);
  EXPECT_EQ(GAMMA(3.0f), g * 2.0f);
  EXPECT_LE(float_ulps(g, 1.0L), 2);
}

TEST_F(SingleFunctions, GammaAgainstLongDoubleTgamma) {
  // Reference: long double std::tgamma. Small branch from -10 to 10 (recurrence up and down);
  // large branch (Stirling with R9LGMC, reflected below -10) up to xmax and down to -33.5,
  // below which results leave the normal range.
  for (int i = -999; i < 1000; i += 7) {
    const float x = static_cast<float>(i) / 100.0f + 0.005f;
    EXPECT_LE(float_ulps(GAMMA(x), std::tgamma(static_cast<long double>(x))), 16) << x;
  }
  for (float x = 10.01f; x <= 35.0f; x += 0.37f) {
    EXPECT_LE(float_ulps(GAMMA(x), std::tgamma(static_cast<long double>(x))), 8) << x;
    if (x < 33.5f) {
      EXPECT_LE(float_ulps(GAMMA(-x), std::tgamma(-static_cast<long double>(x))), 8) << -x;
    }
  }
  EXPECT_LE(float_ulps(GAMMA(0.5f), 1.7724538509055160273L), 2);     // sqrt(pi)
  EXPECT_LE(float_ulps(GAMMA(11.0f), 3628800.0L), 2);                 // 10!
  EXPECT_LE(float_ulps(GAMMA(1.2e-38f), 1 / 1.2e-38L), 2);            // just above xsml
}

TEST_F(SingleFunctions, GammaErrors) {
  expect_failure({[] { return GAMMA(0.0f); }, true, 5, 5, "GAMMA",
                  "The argument for the function can not be zero."});
  expect_failure({[] { return GAMMA(1.0e-39f); }, true, 5, 4, "GAMMA",
                  "The function overflows because X = 1.000000E-39 is too close to zero."});
  expect_failure({[] { return GAMMA(-3.0f); }, true, 5, 6, "GAMMA",
                  "The argument for the function can not be a negative integer. Argument X = "
                  "-3.000000E+00."});
  expect_failure({[] { return GAMMA(-20.0f); }, true, 5, 7, "GAMMA",
                  "The argument for the function can not be a negative integer. Argument X = "
                  "-2.000000E+01."});
  expect_failure({[] { return GAMMA(36.0f); }, true, 5, 4, "GAMMA",
                  "The function overflows because X = 3.600000E+01 is greater than "
                  "3.503078E+01."});
  expect_failure({[] { return GAMMA(-40.5f); }, false, 2, 1, "GAMMA",
                  "The function underflows because X = -4.050000E+01 is less than "
                  "-3.396258E+01. The result is set to zero."});
  // Within dxrel = 3.45e-4 (relative) of a negative integer: a WARNING and the value anyway.
  const auto outcome = quietly([] { return static_cast<double>(GAMMA(-2.0001f)); });
  EXPECT_EQ(outcome.type, 3);
  EXPECT_EQ(outcome.code, 2);
  EXPECT_EQ(message_text(outcome.console),
            "The result is accurate to less than one half precision because X = -2.000100E+00 "
            "is too close to a negative integer.");
  EXPECT_NEAR(outcome.value / static_cast<double>(std::tgamma(static_cast<long double>(-2.0001f))), 1.0, 1e-3);
  EXPECT_EQ(quietly([] { return static_cast<double>(GAMMA(-2.01f)); }).type, 0);
  EXPECT_EQ(quietly([] { return static_cast<double>(GAMMA(-15.0001f)); }).type, 3);
}

TEST_F(SingleFunctions, GammaBoundsSitWhereTheFloatRangeEnds) {
  // Checked apart from the Newton iteration: Γ at xmax fits in float and a little beyond does
  // not; |Γ| at xmin is a normal float and a little below is not (long double tgamma).
  float xmin = 0.0f;
  float xmax = 0.0f;
  R9GAML(xmin, xmax);
  const long double big = std::numeric_limits<float>::max();
  const long double small = std::numeric_limits<float>::min();
  EXPECT_LT(std::tgamma(static_cast<long double>(xmax)), big);
  EXPECT_GT(std::tgamma(static_cast<long double>(xmax) + 0.03L), big);
  EXPECT_GT(std::fabs(std::tgamma(static_cast<long double>(xmin))), small);
  EXPECT_LT(std::fabs(std::tgamma(static_cast<long double>(xmin) - 1.5L)), small);
}

TEST_F(SingleFunctions, LogGammaCorrection) {
  // Reference: lgamma - ((x - 0.5) ln x - x + ln sqrt(2 pi)) in long double, which keeps more
  // than float's digits up to x = 1e5; beyond, the correction is 1 / (12 x) alone.
  for (float x : {10.0f, 10.5f, 17.0f, 33.3f, 517.0f, 4095.0f, 4096.0f, 1.0e5f}) {
    const long double lx = x;
    const long double want =
        std::lgamma(lx) - ((lx - 0.5L) * std::log(lx) - lx + 0.91893853320467274178L);
    EXPECT_LE(float_ulps(R9LGMC(x), want), 4) << x;
  }
  EXPECT_EQ(R9LGMC(1.0e20f), 1.0f / (1.0e20f * 12.0f));
  expect_failure({[] { return R9LGMC(9.5f); }, true, 5, 5, "R9LGMC",
                  "The argument X = 9.500000E+00 must be greater than or equal to 10.0."});
  expect_failure({[] { return R9LGMC(1.0e37f); }, false, 2, 1, "R9LGMC",
                  "The function underflows because X = 1.000000E+37 is greater than "
                  "7.089221E+36. The result is set to zero."});
}

// ---- ALBETA, ALNGAM, ALNREL ----------------------------------------------------------------

TEST_F(SingleFunctions, LogBetaAtTheModelsArgumentsIsLnHalf) {
  EXPECT_LE(float_ulps(ALBETA(1.0f, 2.0f), -0.69314718055994530942L), 2);
  EXPECT_EQ(ALBETA(2.0f, 1.0f), ALBETA(1.0f, 2.0f));
  for (float a : {0.0f, -1.5f}) {
    expect_failure({[a] { return ALBETA(a, 2.0f); }, true, 5, 5, "ALBETA",
                    "Both arguments for the function must be greater than zero."});
  }
  const auto outcome = quietly([] { return static_cast<double>(ALBETA(std::nanf(""), 2.0f)); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.console, "");
}

TEST_F(SingleFunctions, LogBetaAgainstLongDoubleLgammaOnEveryBranch) {
  // Reference: lgamma(a) + lgamma(b) - lgamma(a + b) in long double. Both below 10 (GAMMA),
  // one at least 10 (ALNGAM, ALNREL), both at least 10 (Stirling with R9LGMC). A few ulps of
  // the result, or of 1 where the result is near 0.
  const float values[] = {1e-3f, 0.5f, 2.5f, 9.9f, 10.0f, 12.5f, 640.0f, 5.0e4f, 1.0e7f};
  for (float a : values) {
    for (float b : values) {
      const long double want = std::lgamma(static_cast<long double>(a)) +
                               std::lgamma(static_cast<long double>(b)) -
                               std::lgamma(static_cast<long double>(a) + b);
      const double tol = 5e-7 * std::max(1.0, std::fabs(static_cast<double>(want)));
      EXPECT_NEAR(ALBETA(a, b), static_cast<double>(want), tol) << a << ", " << b;
    }
  }
}

TEST_F(SingleFunctions, LogGammaAndLnOnePlusX) {
  // References: long double std::lgamma and std::log1p. ALNREL on both sides of its switch
  // from the series to the logarithm at |x| = 0.375, and far below 2^-24 where 1 + x is 1.
  for (float x : {0.1f, 1.5f, 9.99f, 10.01f, 1000.0f, 1.0e30f, -0.5f, -10.5f, -1000.5f}) {
    const long double want = std::lgamma(static_cast<long double>(x));
    EXPECT_NEAR(ALNGAM(x), static_cast<double>(want),
                4e-7 * std::max(1.0, std::fabs(static_cast<double>(want))))
        << x;
  }
  for (float x : {-0.999f, -0.375f, -0.374f, -1e-4f, -1e-20f, 3e-8f, 0.2f, 0.375f, 0.376f,
                  1e30f}) {
    EXPECT_LE(float_ulps(ALNREL(x), std::log1p(static_cast<long double>(x))), 2) << x;
  }
  expect_failure({[] { return ALNREL(-1.0f); }, true, 5, 1, "ALNREL",
                  "X = -1.000000E+00 is less than or equal to -1."});
  expect_failure({[] { return ALNGAM(-30.0f); }, true, 5, 3, "ALNGAM",
                  "The argument for the function can not be a negative integer. Argument X = "
                  "-3.000000E+01."});
}

}  // namespace
}  // namespace itemdif::dist

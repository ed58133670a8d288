// AMACH and the single-precision Chebyshev routines INITS and CSEVL.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "dist/amach.hpp"
#include "dist/chebyshev_single.hpp"
#include "dist/chebyshev_tables.hpp"
#include "double_test_support.hpp"

namespace itemdif::dist {
namespace {

using testing::FacilityTest;
using testing::message_text;

std::uint32_t bits(float value) { return std::bit_cast<std::uint32_t>(value); }

// ---- AMACH ----------------------------------------------------------------------------

TEST(SingleMachineConstants, AreTheIeeeSinglePrecisionLimits) {
  // Bit patterns from the IEEE 754 binary32 layout: 2^-126, (2 - 2^-23) 2^127, 2^-24, 2^-23.
  EXPECT_EQ(bits(AMACH(1)), 0x00800000u);
  EXPECT_EQ(bits(AMACH(2)), 0x7F7FFFFFu);
  EXPECT_EQ(bits(AMACH(3)), 0x33800000u);
  EXPECT_EQ(bits(AMACH(4)), 0x34000000u);
  // log10(2) = 0.30102999566..., whose nearest float is 0.30103001.
  EXPECT_EQ(AMACH(5), 0.30103001f);
  EXPECT_EQ(AMACH(5), static_cast<float>(0.30102999566398119521L));
  EXPECT_EQ(bits(AMACH(6)), 0x7FC00000u);
  EXPECT_EQ(AMACH(7), std::numeric_limits<float>::infinity());
  EXPECT_EQ(AMACH(8), -std::numeric_limits<float>::infinity());
}

class SingleMachineConstantErrors : public FacilityTest {};

TEST_F(SingleMachineConstantErrors, OutOfRangeRequestIsTerminalAndGivesNotANumber) {
  for (std::int32_t n : {0, 9, -3}) {
    const auto outcome = quietly([n] { return AMACH(n); });
    EXPECT_EQ(bits(static_cast<float>(outcome.value)), 0x7FC00000u) << n;
    EXPECT_EQ(outcome.type, 5);
    EXPECT_EQ(outcome.code, 5);
    EXPECT_NE(outcome.console.find(" 5 from AMACH"), std::string::npos) << outcome.console;
    EXPECT_EQ(message_text(outcome.console),
              "The argument must be between 1 and 8 inclusive. N = " + std::to_string(n));
  }
}

TEST_F(SingleMachineConstantErrors, ValidRequestLeavesNoTraceOnTheStack) {
  // Registered only on its error path: a good call must not even push.
  const auto outcome = quietly([] { return AMACH(4); });
  EXPECT_EQ(outcome.type, -1);
  EXPECT_EQ(outcome.console, "");
}

// ---- INITS ----------------------------------------------------------------------------

class SingleChebyshev : public FacilityTest {};

TEST_F(SingleChebyshev, TermCountsForTheAccuracyTheSingleRoutinesAskFor) {
  const float eta = 0.1f * AMACH(3);
  EXPECT_EQ(INITS(erf_series_single.data(), 13, eta), 7);
  EXPECT_EQ(INITS(erfc_mid_series_single.data(), 23, eta), 10);
  EXPECT_EQ(INITS(erfc_tail_series_single.data(), 24, eta), 9);
  EXPECT_EQ(INITS(gamma_series_single.data(), 23, eta), 12);
}

TEST_F(SingleChebyshev, TermCountStopsWhereTheTailFirstExceedsEta) {
  const std::vector<float> os = {1.0f, 0.5f, 0.25f, 0.125f};
  // Tails from the end: 0.125, 0.375, 0.875.
  EXPECT_EQ(INITS(os.data(), 4, 0.2f), 3);
  EXPECT_EQ(INITS(os.data(), 4, 0.5f), 2);
  EXPECT_EQ(INITS(os.data(), 4, 0.9f), 1);
  EXPECT_EQ(INITS(os.data(), 4, 5.0f), 1);
}

TEST_F(SingleChebyshev, TermCountErrorsAreTerminalUnderItsOwnName) {
  const std::vector<float> os = {1.0f, 0.5f};
  auto outcome = quietly([&] { return INITS(os.data(), 0, 0.1f); });
  EXPECT_EQ(outcome.value, 0.0);
  EXPECT_EQ(outcome.type, 5);
  EXPECT_EQ(outcome.code, 5);
  EXPECT_NE(outcome.console.find(" 5 from INITS."), std::string::npos) << outcome.console;
  EXPECT_EQ(message_text(outcome.console), "The number of coefficients is less than 1. NOS = 0.");

  outcome = quietly([&] { return INITS(os.data(), 2, 0.1f); });
  EXPECT_EQ(outcome.value, 0.0);
  EXPECT_EQ(outcome.code, 6);
  EXPECT_EQ(message_text(outcome.console),
            "Too much accuracy may be requested. ETA should be increased.");
}

// ---- CSEVL ----------------------------------------------------------------------------

// Reference: the series summed term by term with T_k(x) = cos(k acos x) in long double.
long double direct_sum(float x, const float* cs, int n) {
  const long double theta = std::acos(static_cast<long double>(x));
  long double sum = cs[0] / 2.0L;
  for (int k = 1; k < n; ++k) sum += cs[k] * std::cos(k * theta);
  return sum;
}

TEST_F(SingleChebyshev, ClenshawSumAgreesWithTheTermByTermSeries) {
  for (float x : {-1.0f, -0.73f, -0.2f, 0.0f, 0.31f, 0.999f, 1.0f}) {
    const float got = CSEVL(x, gamma_series_single.data(), 12);
    const long double want = direct_sum(x, gamma_series_single.data(), 12);
    // The sum is near 0.06 and is accumulated in float: a few units of 2^-28.
    EXPECT_NEAR(got, static_cast<double>(want), 2e-8) << x;
  }
}

TEST_F(SingleChebyshev, OneTermIsHalfTheFirstCoefficientAnywhere) {
  const std::vector<float> cs = {0.75f};
  EXPECT_EQ(CSEVL(0.9f, cs.data(), 1), 0.375f);
  EXPECT_EQ(CSEVL(-0.4f, cs.data(), 1), 0.375f);
}

TEST_F(SingleChebyshev, ArgumentOutsideTheIntervalWarnsAndStillSums) {
  const std::vector<float> cs = {2.0f, 1.0f};  // 1 + x
  auto outcome = quietly([&] { return CSEVL(1.25f, cs.data(), 2); });
  EXPECT_EQ(outcome.value, 2.25);
  EXPECT_EQ(outcome.type, 3);
  EXPECT_EQ(outcome.code, 7);
  EXPECT_NE(outcome.console.find(" 7 from CSEVL."), std::string::npos) << outcome.console;
  EXPECT_EQ(message_text(outcome.console),
            "The argument X = 1.250000E+00 is outside the interval (-1.1,+1.1).");

  // The bound itself is inside.
  outcome = quietly([&] { return CSEVL(-1.1f, cs.data(), 2); });
  EXPECT_EQ(outcome.type, 0);
  EXPECT_EQ(outcome.console, "");
}

TEST_F(SingleChebyshev, BadTermCountsAreTerminalWithNotANumber) {
  const std::vector<float> cs = {1.0f};
  auto outcome = quietly([&] { return CSEVL(0.0f, cs.data(), 0); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, 5);
  EXPECT_EQ(outcome.code, 5);
  EXPECT_EQ(message_text(outcome.console),
            "The number of terms in the series is not positive. N = 0.");

  outcome = quietly([&] { return CSEVL(0.0f, cs.data(), 1001); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.code, 6);
  EXPECT_EQ(message_text(outcome.console),
            "The number of terms in the series is greater than 1000. N = 1001.");
}

}  // namespace
}  // namespace itemdif::dist

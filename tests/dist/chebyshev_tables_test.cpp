// The generated coefficient tables, the Chebyshev term count and sum, and DMACH.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "dist/chebyshev.hpp"
#include "dist/chebyshev_tables.hpp"
#include "dist/dmach.hpp"
#include "double_test_support.hpp"
#include "support/thrown.hpp"

namespace itemdif::dist {
namespace {

using testing::FacilityTest;
using testing::message_text;

// ---- tables ---------------------------------------------------------------------------

TEST(ChebyshevTables, DoubleTablesHaveTheirLengthsAndEndEntries) {
  // First and last entries as published with the tables (shortest round-trip texts).
  EXPECT_EQ(gamma_series.size(), 42u);
  EXPECT_EQ(gamma_series[0], 0.00857119559098933);
  EXPECT_EQ(gamma_series[1], 0.004415381324841007);
  EXPECT_EQ(gamma_series[2], 0.05685043681599363);
  EXPECT_EQ(gamma_series[41], -5.793070335782136e-32);

  EXPECT_EQ(log_gamma_correction_series.size(), 15u);
  EXPECT_EQ(log_gamma_correction_series[0], 0.16663894804518634);
  EXPECT_EQ(log_gamma_correction_series[1], -1.384948176067564e-05);
  EXPECT_EQ(log_gamma_correction_series[2], 9.81082564692473e-09);
  EXPECT_EQ(log_gamma_correction_series[14], 1.276642195630063e-31);

  EXPECT_EQ(erf_series.size(), 21u);
  EXPECT_EQ(erf_series[0], -0.049046121234691806);
  EXPECT_EQ(erf_series[1], -0.14226120510371365);
  EXPECT_EQ(erf_series[2], 0.010035582187599796);
  EXPECT_EQ(erf_series[20], 1.2811883993017003e-32);

  EXPECT_EQ(erfc_mid_series.size(), 49u);
  EXPECT_EQ(erfc_mid_series[0], -0.0696013466023095);
  EXPECT_EQ(erfc_mid_series[1], -0.04110133936262089);
  EXPECT_EQ(erfc_mid_series[2], 0.003914495866689627);
  EXPECT_EQ(erfc_mid_series[48], 2.666491705195388e-32);

  EXPECT_EQ(erfc_tail_series.size(), 59u);
  EXPECT_EQ(erfc_tail_series[0], 0.07151793102029248);
  EXPECT_EQ(erfc_tail_series[1], -0.026532434337606717);
  EXPECT_EQ(erfc_tail_series[2], 0.0017111539779208558);
  EXPECT_EQ(erfc_tail_series[58], 1.5258772641103575e-31);
}

TEST(ChebyshevTables, FloatTablesAreTheDecimalTextRoundedOnceToFloat) {
  // strtof rounds the decimal text straight to float; a detour through double could differ in
  // the last bit, which this comparison would catch.
  EXPECT_EQ(erf_series_single.size(), 13u);
  EXPECT_EQ(erf_series_single[0], std::strtof("-4.9046121234691808e-2", nullptr));
  EXPECT_EQ(erf_series_single[12], std::strtof("7e-18", nullptr));
  EXPECT_EQ(erfc_mid_series_single.size(), 23u);
  EXPECT_EQ(erfc_mid_series_single[0], std::strtof("-6.9601346602309501e-2", nullptr));
  EXPECT_EQ(erfc_mid_series_single[22], std::strtof("5.2e-17", nullptr));
  EXPECT_EQ(erfc_tail_series_single.size(), 24u);
  EXPECT_EQ(erfc_tail_series_single[0], std::strtof("7.15179310202925e-2", nullptr));
  EXPECT_EQ(erfc_tail_series_single[23], std::strtof("-4.8e-17", nullptr));
  EXPECT_EQ(gamma_series_single.size(), 23u);
  EXPECT_EQ(gamma_series_single[0], std::strtof("8.571195590989331e-3", nullptr));
  EXPECT_EQ(gamma_series_single[22], std::strtof("2.03e-17", nullptr));
  // The single tables repeat the leading digits of their double twins.
  EXPECT_EQ(gamma_series_single[2], static_cast<float>(gamma_series[2]));
  EXPECT_EQ(erf_series_single[1], static_cast<float>(erf_series[1]));
}

TEST(ChebyshevTables, SeriesReproduceTheFunctionsTheyStandFor) {
  // Independent check that no coefficient was lost or reordered: each series against the
  // long double library function it encodes, at a few points of its interval.
  for (long double y : {0.0L, 0.25L, 0.5L, 0.9L}) {
    const double series = 0.9375 + DCSEVL(static_cast<double>(2 * y - 1), gamma_series, 42);
    EXPECT_NEAR(series, std::tgamma(1 + y), 4e-16) << "y = " << static_cast<double>(y);
  }
  for (long double x : {0.1L, 0.5L, 1.0L}) {
    const double series = DCSEVL(static_cast<double>(2 * x * x - 1), erf_series, 21);
    EXPECT_NEAR(series, std::erf(x) / x - 1, 4e-16) << "x = " << static_cast<double>(x);
  }
  for (long double x : {1.2L, 1.7L, 2.0L}) {
    const double series =
        DCSEVL(static_cast<double>((8 / (x * x) - 5) / 3), erfc_mid_series, 49);
    EXPECT_NEAR(series, std::erfc(x) * x * std::exp(x * x) - 0.5L, 4e-16);
  }
  for (long double x : {2.5L, 4.0L, 9.0L}) {
    const double series = DCSEVL(static_cast<double>(8 / (x * x) - 1), erfc_tail_series, 59);
    EXPECT_NEAR(series, std::erfc(x) * x * std::exp(x * x) - 0.5L, 4e-16);
  }
  for (long double x : {10.0L, 15.0L, 40.0L}) {
    const long double r = 10 / x;
    const double series =
        DCSEVL(static_cast<double>(2 * r * r - 1), log_gamma_correction_series, 15);
    const long double stirling = (x - 0.5L) * std::log(x) - x + 0.91893853320467274178L;
    EXPECT_NEAR(series, x * (std::lgamma(x) - stirling), 1e-15);
  }
}

// ---- term counts ------------------------------------------------------------------------

TEST(ChebyshevTermCount, DoubleTablesGiveTheTermCountsTheRoutinesUse) {
  numerr::reset_error_facility();
  const float tenth_eps = 0.1f * static_cast<float>(DMACH(3));
  EXPECT_EQ(INITDS(gamma_series, 42, tenth_eps), 23);
  EXPECT_EQ(INITDS(erf_series, 21, tenth_eps), 12);
  EXPECT_EQ(INITDS(erfc_mid_series, 49, tenth_eps), 24);
  EXPECT_EQ(INITDS(erfc_tail_series, 59, tenth_eps), 25);
  EXPECT_EQ(INITDS(log_gamma_correction_series, 15, static_cast<float>(DMACH(3))), 6);
  EXPECT_EQ(numerr::N1RTY(1), 0);
}

TEST(ChebyshevTermCount, TailIsJudgedInSinglePrecision) {
  numerr::reset_error_facility();
  // Each coefficient is rounded to float: 1e-8 becomes 9.99999994e-9, which equals eta = 1e-8f
  // and so does not exceed it (in double it would, and the last term alone would be too much).
  const std::vector<double> rounded = {1.0, 0.5, 1e-8};
  EXPECT_EQ(INITDS(rounded, 3, 1e-8f), 2);
  // The running sum is a float: 1 + 2^-25 rounds to 1 and does not exceed eta = 1 (in double
  // it would, giving 3).
  const std::vector<double> summed = {1.0, 0.5, 1.0, std::ldexp(1.0, -25)};
  EXPECT_EQ(INITDS(summed, 4, 1.0f), 2);
  // Nothing exceeds eta: the whole tail down to the first term fits, the count is 1.
  EXPECT_EQ(INITDS(summed, 4, 10.0f), 1);
  EXPECT_EQ(numerr::N1RTY(1), 0);
}

class ChebyshevErrors : public FacilityTest {};

TEST_F(ChebyshevErrors, TermCountRejectsAnEmptyTable) {
  const auto outcome = quietly([] {
    return static_cast<double>(INITDS(gamma_series, 0, 1e-8f));
  });
  EXPECT_EQ(outcome.value, 0.0);
  EXPECT_EQ(outcome.type, numerr::kTerminal);
  EXPECT_EQ(outcome.code, 5);
  EXPECT_EQ(message_text(outcome.console),
            "The number of coefficients is less than 1. NOS = 0.");
}

TEST_F(ChebyshevErrors, TermCountRejectsAnAccuracyBeyondTheLastCoefficient) {
  const auto outcome = quietly([] {
    return static_cast<double>(INITDS(gamma_series, 42, 1e-33f));
  });
  EXPECT_EQ(outcome.value, 0.0);
  EXPECT_EQ(outcome.type, numerr::kTerminal);
  EXPECT_EQ(outcome.code, 6);
  EXPECT_EQ(message_text(outcome.console),
            "Too much accuracy may be requested. ETA should be increased.");
}

TEST_F(ChebyshevErrors, TerminalErrorEndsTheRunByDefault) {
  // The quiet stop carries no text, only the run's exit status: 1, a fatal condition.
  const auto stop = itemdif::testing::thrown<textio::QuietStop>(
      [] { INITDS(gamma_series, -2, 1e-8f); });
  ASSERT_TRUE(stop.has_value());
  EXPECT_EQ(stop->status, 1);
  EXPECT_NE(console().text().find("TERMINAL ERROR 5 from INITDS."), std::string::npos);
}

// ---- Clenshaw sum ------------------------------------------------------------------------

TEST(ChebyshevSum, OneTermIsHalfTheFirstCoefficientAnywhere) {
  numerr::reset_error_facility();
  const std::vector<double> cs = {3.0, 100.0, 7.0};
  for (double x : {-1.1, -0.3, 0.0, 0.77, 1.1}) EXPECT_EQ(DCSEVL(x, cs, 1), 1.5);
  EXPECT_EQ(numerr::N1RTY(1), 0);
}

TEST(ChebyshevSum, MatchesTheChebyshevPolynomialsDirectly) {
  numerr::reset_error_facility();
  // 0.5 c1 + c2 T1 + c3 T2 + c4 T3 with T1 = x, T2 = 2x^2 - 1, T3 = 4x^3 - 3x.
  const std::vector<double> cs = {0.4, -1.25, 0.75, 2.0};
  for (double x : {-1.0, -0.6, 0.0, 0.3, 1.0}) {
    const double direct = 0.2 - 1.25 * x + 0.75 * (2 * x * x - 1) + 2.0 * (4 * x * x * x - 3 * x);
    EXPECT_NEAR(DCSEVL(x, cs, 4), direct, 1e-15) << "x = " << x;
  }
  // Fewer terms than the table holds: the rest is ignored.
  EXPECT_NEAR(DCSEVL(0.3, cs, 2), 0.2 - 1.25 * 0.3, 1e-16);
}

TEST_F(ChebyshevErrors, SumRejectsTermCountsOutOfRange) {
  const std::vector<double> cs(1001, 1.0);
  auto outcome = quietly([&] { return DCSEVL(0.5, cs, 0); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, numerr::kTerminal);
  EXPECT_EQ(outcome.code, 5);
  EXPECT_EQ(message_text(outcome.console),
            "The number of terms in the series is not positive. N = 0.");

  outcome = quietly([&] { return DCSEVL(0.5, cs, 1001); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.code, 6);
  EXPECT_EQ(message_text(outcome.console),
            "The number of terms in the series is greater than 1000. N = 1001.");

  outcome = quietly([&] { return DCSEVL(0.5, cs, 1000); });
  EXPECT_FALSE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, 0);
}

TEST_F(ChebyshevErrors, ArgumentOutsideTheIntervalWarnsAndStillSums) {
  const std::vector<double> cs = {2.0, 1.0};
  auto outcome = quietly([&] { return DCSEVL(1.25, cs, 2); });
  EXPECT_EQ(outcome.value, 2.25);
  EXPECT_EQ(outcome.type, numerr::kWarning);
  EXPECT_EQ(outcome.code, 7);
  EXPECT_EQ(message_text(outcome.console),
            "The argument X = 1.250000000000000D+00 is outside the interval (-1.1,+1.1).");
  // The bounds themselves are inside.
  outcome = quietly([&] { return DCSEVL(-1.1, cs, 2); });
  EXPECT_EQ(outcome.type, 0);
  EXPECT_EQ(outcome.console, "");
}

// ---- DMACH -------------------------------------------------------------------------------

TEST(MachineConstants, TableOfDoublePrecision) {
  EXPECT_EQ(DMACH(1), 2.2250738585072014e-308);
  EXPECT_EQ(DMACH(2), 1.7976931348623157e+308);
  EXPECT_EQ(DMACH(3), 1.1102230246251565e-16);
  EXPECT_EQ(DMACH(4), 2.220446049250313e-16);
  EXPECT_EQ(DMACH(5), 0.3010299956639812);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(DMACH(6)), 0x7FF8000000000000u);
  EXPECT_EQ(DMACH(7), std::numeric_limits<double>::infinity());
  EXPECT_EQ(DMACH(8), -std::numeric_limits<double>::infinity());
}

class MachineConstantErrors : public FacilityTest {};

TEST_F(MachineConstantErrors, ArgumentOutsideOneToEightIsTerminal) {
  for (std::int32_t n : {0, 9, -4}) {
    const auto outcome = quietly([n] { return DMACH(n); });
    EXPECT_EQ(std::bit_cast<std::uint64_t>(outcome.value), 0x7FF8000000000000u);
    EXPECT_EQ(outcome.type, numerr::kTerminal);
    EXPECT_EQ(outcome.code, 5);
    EXPECT_EQ(message_text(outcome.console),
              "The argument must be between 1 and 8 inclusive. N = " + std::to_string(n));
  }
  // The exact frame: header, type name and routine, on one line after an empty one.
  quietly([] { return DMACH(0); });
  EXPECT_EQ(console().text(),
            "\r\n *** TERMINAL ERROR 5 from DMACH.  The argument must be between 1 and 8\r\n"
            " ***          inclusive. N = 0\r\n");
}

TEST_F(MachineConstantErrors, ValidArgumentsLeaveTheStackUntouched) {
  EXPECT_EQ(DMACH(4), 2.220446049250313e-16);
  EXPECT_EQ(numerr::N1RTY(1), -1);
  EXPECT_EQ(console().text(), "");
}

}  // namespace
}  // namespace itemdif::dist

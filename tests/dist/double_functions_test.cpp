// DGAMMA with D9GAML and D9LGMC, DERFC and DNORDF.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "dist/chebyshev.hpp"
#include "dist/chebyshev_tables.hpp"
#include "dist/derfc.hpp"
#include "dist/dgamma.hpp"
#include "dist/dmach.hpp"
#include "double_test_support.hpp"

namespace itemdif::dist {
namespace {

using testing::FacilityTest;
using testing::message_text;
using testing::ulps_apart;

long double relative(long double value, long double reference) {
  return std::abs((value - reference) / reference);
}

// ---- DGAMMA ------------------------------------------------------------------------------

class Gamma : public FacilityTest {};

TEST_F(Gamma, PublishedValues) {
  // sqrt(pi) to 17 digits; 4!, 10! exact.
  EXPECT_LE(ulps_apart(DGAMMA(0.5), 1.7724538509055159), 2);
  EXPECT_LE(ulps_apart(DGAMMA(1.0), 1.0), 1);
  EXPECT_LE(ulps_apart(DGAMMA(5.0), 24.0), 1);
  EXPECT_LE(relative(DGAMMA(11.0), 3628800.0L), 1e-14);  // through D9LGMC
  // Gamma(-2.5) = -8 sqrt(pi) / 15.
  EXPECT_NEAR(DGAMMA(-2.5), -8 * std::sqrt(std::numbers::pi_v<long double>) / 15, 1e-15);
  EXPECT_EQ(console().text(), "");
}

TEST_F(Gamma, AgreesWithLongDoubleGammaOverBothBranches) {
  // Reference: the long double library gamma function (a different method, 64-bit mantissa).
  // Up to 10 the series and the recurrence keep a few ulp; beyond, exp(Stirling) carries the
  // rounding of an exponent as large as ln Gamma(x) ~ 700, i.e. up to ~700 ulp relative.
  long double worst_small = 0;
  long double worst_large = 0;
  for (double x = -9.95; x <= 170.5; x += 0.37) {
    if (std::abs(x - std::round(x)) < 1e-3 && x <= 0) continue;
    const long double error = relative(DGAMMA(x), std::tgamma(static_cast<long double>(x)));
    (std::abs(x) <= 10 ? worst_small : worst_large) = std::max(
        std::abs(x) <= 10 ? worst_small : worst_large, error);
  }
  // Negative arguments halfway between integers, where the reflection is well conditioned
  // (next to an integer sin(pi x) loses digits; that case has its own warning test).
  for (int k = 11; k <= 169; k += 7) {
    const double x = -k - 0.37;
    worst_large = std::max(worst_large, relative(DGAMMA(x), std::tgamma(static_cast<long double>(x))));
  }
  EXPECT_LT(worst_small, 2e-15);  // measured 3.2e-16
  EXPECT_LT(worst_large, 4e-13);  // measured 2.5e-13
  EXPECT_EQ(console().text(), "");
}

TEST_F(Gamma, ZeroIsTerminal) {
  const auto outcome = quietly([] { return DGAMMA(0.0); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, numerr::kTerminal);
  EXPECT_EQ(outcome.code, 5);
  EXPECT_EQ(outcome.console,
            "\r\n *** TERMINAL ERROR 5 from DGAMMA.  The argument for the function can not be\r\n"
            " ***          zero.\r\n");
}

TEST_F(Gamma, NegativeIntegersAreTerminalInBothBranches) {
  auto outcome = quietly([] { return DGAMMA(-3.0); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, numerr::kTerminal);
  EXPECT_EQ(outcome.code, 6);
  EXPECT_EQ(message_text(outcome.console),
            "The argument for the function can not be a negative integer. Argument X = "
            "-3.000000000000000D+00.");

  // Beyond 10 the reflection formula would divide by sin(pi x), which in doubles is a few
  // 1e-15 rather than 0 at a whole x: the pole must still be refused, not answered.
  outcome = quietly([] { return DGAMMA(-20.0); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, numerr::kTerminal);
  EXPECT_EQ(outcome.code, 7);
  EXPECT_EQ(message_text(outcome.console),
            "The argument for the function can not be a negative integer. Argument X = "
            "-2.000000000000000D+01.");
}

TEST_F(Gamma, NearANegativeIntegerWarnsButAnswers) {
  const double x = -4.0 + 1e-10;  // relative distance 2.5e-11, far below dxrel = 1.49e-8
  const auto outcome = quietly([x] { return DGAMMA(x); });
  EXPECT_EQ(outcome.type, numerr::kWarning);
  EXPECT_EQ(outcome.code, 2);
  EXPECT_NE(message_text(outcome.console)
                .find("The result is accurate to less than one half precision because X = "),
            std::string::npos);
  // Gamma(-4 + e) ~ 1 / (24 e): the value is still usable to about half precision.
  EXPECT_NEAR(outcome.value / (1.0 / (24.0 * 1e-10)), 1.0, 1e-6);
}

TEST_F(Gamma, TooCloseToZeroOverflows) {
  const auto outcome = quietly([] { return DGAMMA(2e-308); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, numerr::kTerminal);
  EXPECT_EQ(outcome.code, 4);
  EXPECT_EQ(message_text(outcome.console),
            "The function overflows because X = 2.000000000000000-308 is too close to zero.");
  // (A three-digit exponent drops the letter D.) Just above xsml = 2.2474362225598545e-308
  // the value is 1/x.
  EXPECT_LE(ulps_apart(DGAMMA(1e-300), 1e300), 2);
}

TEST_F(Gamma, BeyondTheBoundsOverflowsOrUnderflows) {
  auto outcome = quietly([] { return DGAMMA(172.0); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, numerr::kTerminal);
  EXPECT_EQ(outcome.code, 4);
  EXPECT_EQ(message_text(outcome.console),
            "The function overflows because X = 1.720000000000000D+02 is greater than "
            "1.716144788718230D+02.");

  show_all_types();
  outcome = quietly([] { return DGAMMA(-171.5); });
  EXPECT_EQ(outcome.value, 0.0);
  EXPECT_EQ(outcome.type, numerr::kAlert);
  EXPECT_EQ(outcome.code, 1);
  EXPECT_EQ(message_text(outcome.console),
            "The function underflows because X = -1.715000000000000D+02 is less than "
            "-1.705674972726612D+02. The result is set to zero.");
}

TEST(GammaBounds, NewtonIterationFindsTheRangeOfDoubles) {
  numerr::reset_error_facility();
  double xmin = 0;
  double xmax = 0;
  D9GAML(xmin, xmax);
  EXPECT_NEAR(xmin, -170.56749727266123, 1e-12);
  EXPECT_NEAR(xmax, 171.61447887182297, 1e-12);
  // The bounds are where gamma leaves the doubles, 0.01 inside: Gamma(xmax) is finite and
  // Gamma(xmax + 0.02) is not.
  EXPECT_TRUE(std::isfinite(std::tgamma(xmax)));
  EXPECT_FALSE(std::isfinite(std::tgamma(xmax + 0.02)));
  EXPECT_EQ(numerr::N1RTY(1), 0);
}

class LogGammaCorrection : public FacilityTest {};

TEST_F(LogGammaCorrection, MatchesIndependentReferences) {
  // Up to 30: lgammal minus Stirling's main terms in long double (the difference loses no
  // more than 1e-16 relative there). Beyond, that difference cancels too much, so the
  // reference is Stirling's correction series 1/(12x) - 1/(360x^3) + 1/(1260x^5) -
  // 1/(1680x^7) + 1/(1188x^9), whose first omitted term is below 1e-18 relative from x = 30.
  for (double x : {10.0, 12.5, 20.0, 30.0}) {
    const long double lx = x;
    const long double stirling = (lx - 0.5L) * std::log(lx) - lx + 0.91893853320467274178L;
    EXPECT_LT(relative(D9LGMC(x), std::lgamma(lx) - stirling), 4e-15) << "x = " << x;  // 2.0e-15 at 30
  }
  for (double x : {30.0, 171.0, 1e4, 9e7}) {
    const long double u = 1 / static_cast<long double>(x);
    const long double u2 = u * u;
    const long double series =
        u * (1.0L / 12 - u2 * (1.0L / 360 - u2 * (1.0L / 1260 - u2 * (1.0L / 1680 - u2 / 1188))));
    EXPECT_LT(relative(D9LGMC(x), series), 2e-15) << "x = " << x;
  }
  // Beyond xbig = 9.49e7 only the leading term 1/(12x) is left.
  EXPECT_EQ(D9LGMC(1e8), 1.0 / (1e8 * 12.0));
}

TEST_F(LogGammaCorrection, ArgumentBelowTenIsTerminal) {
  const auto outcome = quietly([] { return D9LGMC(9.5); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, numerr::kTerminal);
  EXPECT_EQ(outcome.code, 5);
  EXPECT_EQ(message_text(outcome.console),
            "The argument X = 9.500000000000000D+00 must be greater than or equal to 10.0.");
}

TEST_F(LogGammaCorrection, HugeArgumentUnderflowsWithAnAlert) {
  show_all_types();
  const auto outcome = quietly([] { return D9LGMC(1e307); });
  EXPECT_EQ(outcome.value, 0.0);
  EXPECT_EQ(outcome.type, numerr::kAlert);
  EXPECT_EQ(outcome.code, 1);
  EXPECT_EQ(message_text(outcome.console),
            "The function underflows because X = 1.000000000000000+307 is greater than "
            "3.745194030963263+306. The result is set to zero.");
}

// ---- DERFC, DNORDF -----------------------------------------------------------------------

class ComplementaryErrorFunction : public FacilityTest {};

TEST_F(ComplementaryErrorFunction, ExactValuesAndCuts) {
  EXPECT_EQ(DERFC(0.0), 1.0);
  EXPECT_EQ(DERFC(-7.0), 2.0);
  EXPECT_EQ(DERFC(-6.0136873569177505), 2.0);  // xsml itself
  EXPECT_EQ(console().text(), "");
}

TEST_F(ComplementaryErrorFunction, UnderflowAboveXmaxIsAnAlert) {
  auto outcome = quietly([] { return DERFC(27.0); });
  EXPECT_EQ(outcome.value, 0.0);
  EXPECT_EQ(outcome.type, numerr::kAlert);
  EXPECT_EQ(outcome.code, 1);
  EXPECT_EQ(outcome.console, "");  // alerts are silent by default

  show_all_types();
  outcome = quietly([] { return DERFC(27.0); });
  EXPECT_EQ(message_text(outcome.console),
            "The function underflows because X = 2.700000000000000D+01 is greater than "
            "2.653329968508357D+01. The result is set to zero.");
  // Just below xmax the value is tiny but not yet flushed.
  EXPECT_GT(DERFC(26.5), 0.0);
}

// Each range's own formula, with the term counts 12, 24 and 25.
double erf_range_formula(double x) { return 1.0 - x * (1.0 + DCSEVL(2.0 * x * x - 1.0, erf_series, 12)); }
double mid_range_formula(double y) {
  const double ysq = y * y;
  return std::exp(-ysq) / y * (0.5 + DCSEVL((8.0 / ysq - 5.0) / 3.0, erfc_mid_series, 24));
}
double tail_range_formula(double y) {
  const double ysq = y * y;
  return std::exp(-ysq) / y * (0.5 + DCSEVL(8.0 / ysq - 1.0, erfc_tail_series, 25));
}

TEST_F(ComplementaryErrorFunction, EachSeriesServesItsRange) {
  // Where two neighbouring series differ in the last bits, the exact value tells which one
  // was used.
  ASSERT_NE(erf_range_formula(1.0), mid_range_formula(1.0));
  EXPECT_EQ(DERFC(1.0), erf_range_formula(1.0));
  EXPECT_EQ(DERFC(-1.0), 2.0 - erf_range_formula(1.0));
  ASSERT_NE(erf_range_formula(1.0000001), mid_range_formula(1.0000001));
  EXPECT_EQ(DERFC(1.0000001), mid_range_formula(1.0000001));
  ASSERT_NE(mid_range_formula(1.9999999), tail_range_formula(1.9999999));
  EXPECT_EQ(DERFC(1.9999999), mid_range_formula(1.9999999));

  // At 2 and 2.0000001 the middle and tail series agree to the last bit, so there the choice
  // cannot show in the value; both points give the common value, and the first point above 2
  // where the two differ shows the tail series.
  EXPECT_EQ(DERFC(2.0), mid_range_formula(2.0));
  EXPECT_EQ(DERFC(2.0000001), tail_range_formula(2.0000001));
  double above = 0;
  for (double y : {2.0000001, 2.000001, 2.00001, 2.0001, 2.001, 2.01, 2.05, 2.1}) {
    if (mid_range_formula(y) != tail_range_formula(y)) {
      above = y;
      break;
    }
  }
  ASSERT_NE(above, 0.0);
  EXPECT_EQ(DERFC(above), tail_range_formula(above)) << "y = " << above;
  EXPECT_EQ(DERFC(-above), 2.0 - tail_range_formula(above));
  EXPECT_EQ(console().text(), "");
}

TEST_F(ComplementaryErrorFunction, AgreesWithLongDoubleErfc) {
  // Reference: erfcl. In the tails the rounding of y*y inside exp(-y*y) costs up to 2y^2 ulp
  // relative, so the tolerance widens with y there.
  long double worst_ratio = 0;
  for (double x = -6.0; x <= 26.5; x += 0.0625 + 1e-7) {
    const long double reference = std::erfc(static_cast<long double>(x));
    const long double allowed = 4e-16L * std::max(1.0, 2 * x * x);
    worst_ratio = std::max(worst_ratio, relative(DERFC(x), reference) / allowed);
  }
  EXPECT_LT(worst_ratio, 1.0);
  // Below sqeps the linear form serves.
  EXPECT_EQ(DERFC(1e-9), 1.0 - 2.0 * 1e-9 / 1.772453850905516);
}

class NormalDistribution : public FacilityTest {};

TEST_F(NormalDistribution, CentreTailsAndLongDoubleReference) {
  EXPECT_EQ(DNORDF(0.0), 0.5);
  EXPECT_EQ(DNORDF(40.0), 1.0);
  // Reference: 0.5 erfcl(-x / sqrt 2) in long double.
  for (double x : {-37.0, -20.0, -5.0, -1.96, -0.3, 0.7, 1.6448536269514722, 6.0}) {
    const long double reference =
        0.5L * std::erfc(-static_cast<long double>(x) / std::sqrt(2.0L));
    EXPECT_LT(relative(DNORDF(x), reference), 1e-12) << "x = " << x;
  }
  EXPECT_EQ(console().text(), "");
}

TEST_F(NormalDistribution, UnderflowLeavesNoErrorBehind) {
  show_all_types();
  const auto outcome = quietly([] { return DNORDF(-40.0); });
  EXPECT_EQ(outcome.value, 0.0);
  EXPECT_EQ(outcome.type, 0);
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.console, "");     // not even with alerts shown
  EXPECT_EQ(numerr::N1RTY(0), 0);     // nothing passed on to the caller
}

}  // namespace
}  // namespace itemdif::dist

// DCHIDF: its branches, cut-offs, messages, and agreement with an independent incomplete gamma.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "dist/dchidf.hpp"
#include "dist/dmach.hpp"
#include "double_test_support.hpp"
#include "support/thrown.hpp"

namespace itemdif::dist {
namespace {

using testing::FacilityTest;
using testing::message_text;

// Reference: the regularized lower incomplete gamma P(a, x) in long double, by the power series
// for x < a + 1 and by the Legendre continued fraction (modified Lentz) for the complement
// otherwise, with lgammal for the normalising factor. Accurate to ~1e-17 over the ranges used.
long double lower_gamma_ratio(long double a, long double x) {
  if (x <= 0) return 0;
  const long double front = std::exp(a * std::log(x) - x - std::lgamma(a));
  if (x < a + 1) {
    long double term = 1 / a;
    long double sum = term;
    for (int n = 1; n < 100000; ++n) {
      term *= x / (a + n);
      sum += term;
      if (term < sum * 1e-21L) break;
    }
    return front * sum;
  }
  const long double tiny = 1e-4000L;
  long double b = x + 1 - a;
  long double c = 1 / tiny;
  long double d = 1 / b;
  long double h = d;
  for (int i = 1; i < 100000; ++i) {
    const long double an = -i * (i - a);
    b += 2;
    d = an * d + b;
    if (std::abs(d) < tiny) d = tiny;
    c = b + an / c;
    if (std::abs(c) < tiny) c = tiny;
    d = 1 / d;
    const long double delta = d * c;
    h *= delta;
    if (std::abs(delta - 1) < 1e-21L) break;
  }
  return 1 - front * h;
}

long double chi_square_reference(double chsq, double df) {
  return lower_gamma_ratio(static_cast<long double>(df) / 2, static_cast<long double>(chsq) / 2);
}

class ChiSquare : public FacilityTest {};

TEST_F(ChiSquare, ReferenceFunctionIsSound) {
  // The reference itself against closed forms: DF = 2 gives 1 - exp(-x/2); DF = 1 gives
  // erf(sqrt(x/2)).
  for (long double x : {0.1L, 3.0L, 30.0L}) {
    EXPECT_LT(std::abs(chi_square_reference(static_cast<double>(x), 2) - (1 - std::exp(-x / 2))),
              2e-17L);
    EXPECT_LT(std::abs(chi_square_reference(static_cast<double>(x), 1) - std::erf(std::sqrt(x / 2))),
              2e-17L);
  }
}

TEST_F(ChiSquare, OneDegreeOfFreedomAsTheProcedureUsesIt) {
  EXPECT_EQ(DCHIDF(0.0, 1.0), 0.0);
  EXPECT_EQ(DCHIDF(1.0e-12, 1.0), 0.0);
  // Just above the zero threshold the power series answers: erf(sqrt(1e-12)), about
  // 2e-6/sqrt(pi), against erfl.
  EXPECT_LT(std::abs((DCHIDF(2.0e-12, 1.0) - std::erf(1e-6L)) / std::erf(1e-6L)), 1e-15L);
  // The 5 % and 1 % points of one degree of freedom (published quantiles).
  EXPECT_NEAR(DCHIDF(3.841458820694124, 1.0), 0.95, 1e-14);
  EXPECT_NEAR(DCHIDF(6.634896601021214, 1.0), 0.99, 1e-14);
  // With DF = 1 the distribution function is erf(sqrt(x / 2)); the exact values below are
  // 1 - erfcl(sqrt(x / 2)) in long double (erfc keeps the small tail to full relative accuracy).
  // Last point of the power series: exact to rounding (about 0.9999996584057).
  const long double exact_25_999 = 1 - std::erfc(std::sqrt(12.9995L));
  EXPECT_NEAR(DCHIDF(25.999, 1.0), static_cast<double>(exact_25_999), 1e-14);
  // First point of the asymptotic series: it stops after two correction terms (the third is
  // negative), so the result is the two-term value 1 - e^-13 13^-1/2 (1 - 0.5/13 + 0.75/169)
  // / sqrt(pi), evaluated here in long double (about 0.9999996583420), and falls short of the
  // exact value (about 0.9999996585826) by about 2.4e-10.
  const long double two_term =
      1 - std::exp(-13.0L) / std::sqrt(13.0L) * (1 - 0.5L / 13 + 0.75L / 169) /
              std::sqrt(std::numbers::pi_v<long double>);
  EXPECT_NEAR(DCHIDF(26.0, 1.0), static_cast<double>(two_term), 1e-15);
  const long double exact_26 = 1 - std::erfc(std::sqrt(13.0L));
  EXPECT_NEAR(static_cast<double>(exact_26) - DCHIDF(26.0, 1.0), 2.4e-10, 0.05e-10);
  EXPECT_EQ(DCHIDF(200.5, 1.0), 1.0);
  EXPECT_EQ(console().text(), "");
}

TEST_F(ChiSquare, LargeDegreesOfFreedomUseTheNormalApproximation) {
  EXPECT_EQ(DCHIDF(1.5, 80.0), 0.0);
  // DF = 66 is the first normal case: Wilson-Hilferty at chsq = DF gives
  // Phi(a / sqrt(a)) with a = (2/9)/66; DF = 65 is still the power series, which is exact.
  const double a66 = 0.2222222222222222 / 66.0;
  const long double z66 = a66 / std::sqrt(static_cast<long double>(a66));
  const long double wilson_hilferty = 0.5L * std::erfc(-z66 / std::sqrt(2.0L));
  EXPECT_NEAR(DCHIDF(66.0, 66.0), static_cast<double>(wilson_hilferty), 1e-15);
  EXPECT_GT(std::abs(DCHIDF(66.0, 66.0) - static_cast<double>(chi_square_reference(66.0, 66.0))),
            1e-6);  // the approximation differs visibly from the exact value (1.7e-5)
  EXPECT_NEAR(DCHIDF(65.0, 65.0), static_cast<double>(chi_square_reference(65.0, 65.0)), 1e-14);
  // Far in the upper tail a deviate above 5 gives exactly 1.
  EXPECT_EQ(DCHIDF(300.0, 70.0), 1.0);
  // DF above 25 on the series path: chsq below 2 gives 0 without summing.
  EXPECT_EQ(DCHIDF(1.99, 30.0), 0.0);
  EXPECT_GT(DCHIDF(2.0, 30.0), 0.0);
  EXPECT_EQ(console().text(), "");
}

TEST_F(ChiSquare, NormalApproximationUnderflowIsAnAlert) {
  show_all_types();
  // DF = 1e6, chsq = 2: cube root 0.0126, deviate about -2100.
  const auto outcome = quietly([] { return DCHIDF(2.0, 1.0e6); });
  EXPECT_EQ(outcome.value, 0.0);
  EXPECT_EQ(outcome.type, numerr::kAlert);
  EXPECT_EQ(outcome.code, 3);
  EXPECT_EQ(outcome.console,
            "\r\n *** ALERT    ERROR 3 from DCHIDF.  The normal distribution is used for large\r\n"
            " ***          degrees of freedom.  However, it has produced underflow.  \r\n"
            " ***          Therefore, the probability is set to 0.\r\n");
}

TEST_F(ChiSquare, NegativeChiSquareIsANote) {
  auto outcome = quietly([] { return DCHIDF(-1.0, 1.0); });
  EXPECT_EQ(outcome.value, 0.0);
  EXPECT_EQ(outcome.type, numerr::kNote);
  EXPECT_EQ(outcome.code, 1);
  EXPECT_EQ(outcome.console, "");  // notes are not shown by default
  EXPECT_EQ(numerr::N1RTY(0), 0);  // and not passed on

  // A negative chi-square with a bad DF still gives only the note.
  show_all_types();
  outcome = quietly([] { return DCHIDF(-1.0, 0.2); });
  EXPECT_EQ(outcome.value, 0.0);
  EXPECT_EQ(outcome.type, numerr::kNote);
  EXPECT_EQ(message_text(outcome.console),
            "Since CHSQ = -1.000000000000000D+00 is less than zero, the distribution function "
            "is zero at CHSQ.");
}

TEST_F(ChiSquare, DegreesOfFreedomBelowOneHalfAreTerminal) {
  const auto outcome = quietly([] { return DCHIDF(1.0, 0.4); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, numerr::kTerminal);
  EXPECT_EQ(outcome.code, 2);
  EXPECT_EQ(message_text(outcome.console),
            "The number of degrees of freedom of the distribution, DF = 4.000000000000000D-01, "
            "must be at least equal to 0.5.");
  // As the driver calls it, the run ends.
  console().clear();
  const auto stop = itemdif::testing::thrown<textio::QuietStop>([] { DCHIDF(1.0, 0.4); });
  ASSERT_TRUE(stop.has_value());
  EXPECT_EQ(stop->status, 1);
  EXPECT_NE(console().text().find(" *** TERMINAL ERROR 2 from DCHIDF."), std::string::npos);
}

// Largest difference between DCHIDF and the reference over a grid of chi-squares (0.01 to 200,
// ratio 1.07) and degrees of freedom: relative to the reference where DCHIDF sums the lower
// tail itself (power series), absolute where it forms 1 - upper tail (asymptotic series), since
// a double near 1 carries only an absolute accuracy.
struct GridResult {
  double worst = 0;
  double at_chsq = 0;
  double at_df = 0;
};

enum class Measure { relative, absolute };

template <class Select>
GridResult compare_over_grid(const std::vector<double>& dfs, Measure measure, Select in_range) {
  GridResult result;
  for (double df : dfs) {
    for (double chsq = 0.01; chsq <= 200.0; chsq *= 1.07) {
      if (!in_range(chsq, df)) continue;
      const long double reference = chi_square_reference(chsq, df);
      if (reference < 1e-300L) continue;
      const long double error = std::abs(DCHIDF(chsq, df) - reference);
      const double difference =
          static_cast<double>(measure == Measure::relative ? error / reference : error);
      if (difference > result.worst) result = {difference, chsq, df};
    }
  }
  return result;
}

bool on_power_series(double chsq, double df) {
  return chsq > 1e-12 && chsq < std::max(df / 2, 26.0) && !(df > 25 && chsq < 2);
}

bool on_asymptotic_series(double chsq, double df) {
  return chsq >= std::max(df / 2, 26.0) && chsq <= 200;
}

TEST_F(ChiSquare, PowerSeriesAgreesWithTheReference) {
  // The whole sum is formed; the error is rounding, mostly of exp(h ln y - y) (measured worst
  // 1.2e-14 relative, at DF 50.5).
  const auto grid = compare_over_grid(
      {0.5, 1, 1.5, 2, 3, 4.5, 7, 10, 17, 25, 25.5, 31, 40, 50.5, 64, 65}, Measure::relative,
      on_power_series);
  EXPECT_LT(grid.worst, 3e-14) << "at chsq " << grid.at_chsq << ", df " << grid.at_df;
  EXPECT_EQ(console().text(), "");
}

TEST_F(ChiSquare, AsymptoticSeriesAgreesWithinItsTruncation) {
  // Even DF: h is whole, the expansion ends by itself (b reaches 0) and is exact.
  const auto even = compare_over_grid({2, 4, 10, 30, 64}, Measure::absolute, on_asymptotic_series);
  EXPECT_LT(even.worst, 3e-14) << "at chsq " << even.at_chsq << ", df " << even.at_df;

  // Otherwise the divergent expansion is cut at its first negative term and the rest, of the
  // size of that term, is missing: largest at the smallest chi-squares of the range (measured
  // 5.6e-9 at chsq 27.4 with DF 7; 2.4e-10 at chsq 26 with DF 1), negligible from about 60 on.
  const auto odd =
      compare_over_grid({0.5, 1, 3, 7, 25, 31, 65}, Measure::absolute, on_asymptotic_series);
  EXPECT_LT(odd.worst, 1e-8) << "at chsq " << odd.at_chsq << ", df " << odd.at_df;
  EXPECT_GT(odd.worst, 1e-10);  // the shortfall is real, not an artefact of the reference
  const auto odd_far = compare_over_grid({0.5, 1, 3, 7}, Measure::absolute,
                                         [](double chsq, double) { return chsq >= 60 && chsq <= 200; });
  EXPECT_LT(odd_far.worst, 1e-15) << "at chsq " << odd_far.at_chsq << ", df " << odd_far.at_df;
  EXPECT_EQ(console().text(), "");
}

TEST_F(ChiSquare, NormalApproximationIsCloseForLargeDegreesOfFreedom) {
  // Wilson-Hilferty is an approximation: absolute error of order 1e-3 near DF = 66, falling
  // as DF grows. Compared in absolute terms over the body of the distribution.
  double worst = 0;
  for (double df : {66.0, 80.0, 150.0, 400.0}) {
    for (double q = 0.3; q <= 2.5; q += 0.05) {
      const double chsq = q * df;
      const double value = DCHIDF(chsq, df);
      worst = std::max(worst, std::abs(value - static_cast<double>(chi_square_reference(chsq, df))));
    }
  }
  EXPECT_LT(worst, 2e-4);  // measured 1.7e-4
  EXPECT_EQ(console().text(), "");
}

}  // namespace
}  // namespace itemdif::dist

// Student's t distribution function TDF and the incomplete beta function BETAI, in single
// precision.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dist/betai.hpp"
#include "dist/tdf.hpp"
#include "double_test_support.hpp"

namespace itemdif::dist {
namespace {

using testing::FacilityTest;
using testing::message_text;

/// The upper tail of Student's t distribution beyond |t|, c ∫_|t|^∞ (1 + x²/ν)^(-(ν+1)/2) dx,
/// c = Γ((ν+1)/2) / (Γ(ν/2) sqrt(νπ)), in long double. With x = |t| / y the tail becomes an
/// integral over y in (0, 1] of a smooth function, summed by Simpson's rule on 20000 panels;
/// the tail comes out with relative accuracy, so both the lower tail and 1 - tail are good far
/// beyond single precision.
long double student_t_tail(long double t, long double nu) {
  if (t == 0) return 0.5L;
  const long double pi = 3.14159265358979323846264338L;
  const long double c =
      std::exp(std::lgamma((nu + 1) / 2) - std::lgamma(nu / 2)) / std::sqrt(nu * pi);
  const long double at = std::fabs(t);
  const auto integrand = [&](long double y) -> long double {
    // At y = 0 the integrand tends to ν^((ν+1)/2) |t|^(-ν) y^(ν-1).
    if (y == 0) return nu == 1 ? 1 / at : 0;
    return std::pow(1 + at * at / (nu * y * y), -(nu + 1) / 2) * at / (y * y);
  };
  const int n = 20000;
  const long double h = 1.0L / n;
  long double sum = integrand(0) + integrand(1);
  for (int i = 1; i < n; ++i) sum += integrand(i * h) * (i % 2 == 1 ? 4 : 2);
  return c * sum * h / 3;
}

class SingleStudentT : public FacilityTest {};

// ---- df = 1000, as for the coefficient p-values: normal approximation and BETAI ----------

TEST_F(SingleStudentT, ThousandDegreesOfFreedom) {
  EXPECT_EQ(TDF(0.0f, 1000.0f), 0.5f);
  // t² < df: the normal approximation, against the integral; the lower tail is returned
  // directly, not as 1 minus something, so it keeps relative accuracy down to float's range.
  for (float t : {0.05f, 1.0f, 1.96f, 3.3f, 5.5f, 9.0f, 31.6f}) {
    const long double tail = student_t_tail(t, 1000.0L);  // 0.025138... at 1.96
    EXPECT_NEAR(TDF(t, 1000.0f), static_cast<double>(1 - tail), 2e-7) << t;
    EXPECT_NEAR(TDF(-t, 1000.0f), static_cast<double>(tail),
                1e-5 * static_cast<double>(tail) + 1e-38)
        << -t;
  }
  // t² >= df: BETAI; 1 to single precision at t = 40, the lower tail (about 1e-150) is 0.
  EXPECT_EQ(TDF(40.0f, 1000.0f), 1.0f);
  EXPECT_EQ(TDF(-40.0f, 1000.0f), 0.0f);
}

TEST_F(SingleStudentT, IncompleteBetaBranchOnBothSidesOfTheSwitch) {
  // A smaller df keeps the tail in range: t² just below, at and above df.
  for (float df : {3.0f, 7.5f, 20.0f, 64.0f}) {
    for (float factor : {0.999f, 1.0f, 1.001f, 1.5f, 3.0f}) {
      const float t = std::sqrt(df) * factor;
      const long double tail = student_t_tail(t, df);
      EXPECT_NEAR(TDF(t, df), static_cast<double>(1 - tail), 1.2e-7) << t << " " << df;
      // Below the switch df = 7.5, 20 and 64 take the normal approximation, itself only good
      // to a few 1e-5 relative at small df. Above it the tail is exp(E) with E = a ln x + ...:
      // each term of E of size |E| carries its rounding into the result, as does the float
      // x = df / (df + t²) itself (a relative sensitivity of a = df / 2).
      const double lower = static_cast<double>(tail);
      const double rel =
          t * t < df && df != 3.0f ? 1e-4 : 6e-8 * (8 + 2 * std::fabs(std::log(lower)));
      EXPECT_NEAR(TDF(-t, df), lower, rel * lower) << -t << " " << df;
    }
  }
}

// ---- whole df below 20: the exact series ------------------------------------------------

TEST_F(SingleStudentT, OneAndTwoDegreesOfFreedomHaveClosedForms) {
  // df = 1, tt < 4, odd: a = arctan(0.5) 2/π = 0.29517, P = 0.70483.
  EXPECT_NEAR(TDF(0.5f, 1.0f), 0.64758f, 5e-6f);
  // t = 1, df = 1: tt = df takes BETAI, I_(1/2)(1/2, 1/2) = 1/2.
  EXPECT_EQ(TDF(1.0f, 1.0f), 0.75f);
  const long double pi = 3.14159265358979323846264338L;
  for (float t : {0.1f, 0.5f, 0.99f, 1.0f, 1.42f, 1.99f, 5.0f, 100.0f, -0.5f, -3.0f}) {
    const long double lt = t;
    EXPECT_NEAR(TDF(t, 1.0f), static_cast<double>(0.5L + std::atan(lt) / pi), 1.2e-7) << t;
    EXPECT_NEAR(TDF(t, 2.0f), static_cast<double>(0.5L + lt / (2 * std::sqrt(2 + lt * lt))),
                1.2e-7)
        << t;
  }
}

TEST_F(SingleStudentT, WholeDfSeriesBothSidesOfTtFour) {
  // tt < 4 (the arctan / sqrt sums) and 4 <= tt < df (the tail series, e.g. t = 3, df = 12,
  // 0.994467...).
  for (float df : {3.0f, 4.0f, 5.0f, 8.0f, 11.0f, 12.0f, 17.0f, 19.0f}) {
    for (float t : {0.25f, 1.0f, 1.9f, 2.0f, 2.5f, 3.0f, 4.1f}) {
      if (t * t >= df) continue;
      const long double tail = student_t_tail(t, df);
      EXPECT_NEAR(TDF(t, df), static_cast<double>(1 - tail), 2.5e-7) << t << " " << df;
      // For tt < 4 the lower tail is 1 - a: an absolute accuracy of a unit of 1.
      EXPECT_NEAR(TDF(-t, df), static_cast<double>(tail), 1.2e-7) << -t << " " << df;
    }
  }
}

// ---- df from 20 to 200, or not whole: the normal approximation -------------------------

TEST_F(SingleStudentT, NormalApproximationForModerateAndFractionalDf) {
  // The approximation itself is not exact: its error falls with df, from a few 1e-5 at
  // df = 2.5 to a few 1e-7 at df = 25 (measured against the integral).
  EXPECT_NEAR(TDF(1.0f, 25.0f), static_cast<double>(1 - student_t_tail(1, 25)), 3e-7);
  EXPECT_NEAR(TDF(1.0f, 2.5f), static_cast<double>(1 - student_t_tail(1, 2.5L)), 1e-4);
  for (float t : {0.5f, 1.5f, 3.0f, 4.4f}) {
    EXPECT_NEAR(TDF(t, 20.0f), static_cast<double>(1 - student_t_tail(t, 20)), 1e-6) << t;
    EXPECT_NEAR(TDF(t, 150.5f), static_cast<double>(1 - student_t_tail(t, 150.5L)), 2e-7) << t;
  }
}

TEST_F(SingleStudentT, NormalApproximationIsTheStatedFormulaRoundedOnlyByFloat) {
  // Against the truth the approximation is only as good as itself (above); against its own
  // formula carried out in long double with the exact erfc it must agree to float rounding,
  // which pins every constant of it, also those that matter only at small df.
  const auto formula = [](long double t, long double df) {
    const long double u = t * t / df;
    const long double a = df - 0.5L;
    const long double b = 48 * a * a;
    const long double y = a * std::log1p(u);
    const long double z =
        ((((-0.4L * y - 3.3L) * y - 24) * y - 85.5L) / (0.8L * y * y + 100 + b) + y + 3) / b + 1;
    const long double p = std::erfc(std::sqrt(0.5L) * z * std::sqrt(y));
    return t > 0 ? 1 - p / 2 : p / 2;
  };
  for (float df : {1.5f, 2.5f, 25.0f, 1000.0f}) {
    for (float t : {0.3f, -0.8f, 1.0f, 1.2f}) {
      const long double want = formula(t, df);
      EXPECT_NEAR(TDF(t, df), static_cast<double>(want), 1e-7 + 1e-6 * static_cast<double>(want))
          << t << " " << df;
    }
  }
}

// ---- errors and special values -----------------------------------------------------------

TEST_F(SingleStudentT, ErrorsAndSpecialValues) {
  auto outcome = quietly([] { return static_cast<double>(TDF(1.0f, 0.5f)); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, 5);
  EXPECT_EQ(outcome.code, 1);
  EXPECT_NE(outcome.console.find(" 1 from TDF."), std::string::npos) << outcome.console;
  EXPECT_EQ(message_text(outcome.console),
            "The input number of degrees of freedom, DF = 5.000000E-01, must be at least 1.");

  // z beyond ERFC's xmax but below 18.8125: ERFC's ALERT reaches TDF's caller, unshown.
  outcome = quietly([] { return static_cast<double>(TDF(-14.0f, 1000.0f)); });
  EXPECT_EQ(outcome.value, 0.0);
  EXPECT_EQ(outcome.type, 2);
  EXPECT_EQ(outcome.console, "");

  // With a whole df below 20 the tail series compares successive sums; a NaN must not keep it
  // going for ever.
  outcome = quietly([] { return static_cast<double>(TDF(std::nanf(""), 12.0f)); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.console, "");
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(TDF(inf, 5.0f), 1.0f);
  EXPECT_EQ(TDF(-inf, 1000.0f), 0.0f);
}

// ---- BETAI -------------------------------------------------------------------------------

/// I_x(a, b) for whole a, b: P(at least a successes in a + b - 1 trials of chance x), the
/// binomial sum in long double.
long double binomial_beta(long double x, int a, int b) {
  const int n = a + b - 1;
  long double sum = 0;
  for (int j = a; j <= n; ++j) {
    const long double log_choose =
        std::lgamma(n + 1.0L) - std::lgamma(j + 1.0L) - std::lgamma(n - j + 1.0L);
    sum += std::exp(log_choose + j * std::log(x) + (n - j) * std::log1p(-x));
  }
  return sum;
}

class SingleIncompleteBeta : public FacilityTest {};

TEST_F(SingleIncompleteBeta, WholeParametersAgainstTheBinomialSum) {
  const struct {
    int a, b;
  } pairs[] = {{1, 1}, {1, 5}, {5, 1}, {2, 3}, {7, 4}, {12, 30}, {60, 45}, {3, 200}};
  for (const auto& pair : pairs) {
    for (float x : {0.01f, 0.1f, 0.3f, 0.5f, 0.62f, 0.9f, 0.999f}) {
      const long double want = binomial_beta(x, pair.a, pair.b);
      const float got = BETAI(x, static_cast<float>(pair.a), static_cast<float>(pair.b));
      // The front factor is exp of terms of the order of a + b, each carrying its rounding
      // (units of 2^-24) into the result; a few ulps of 1 near 1; 0 below float's range.
      const double rel = 6e-8 * (8 + 2 * (pair.a + pair.b));
      EXPECT_NEAR(got, static_cast<double>(want), 2e-7 + rel * static_cast<double>(want))
          << x << " " << pair.a << " " << pair.b;
    }
  }
}

TEST_F(SingleIncompleteBeta, HalfHalfIsTheArcsineLawAndTheEndsAreExact) {
  const long double pi = 3.14159265358979323846264338L;
  for (float x : {1e-6f, 0.02f, 0.25f, 0.5f, 0.75f, 0.97f}) {
    const long double want = 2 / pi * std::asin(std::sqrt(static_cast<long double>(x)));
    EXPECT_NEAR(BETAI(x, 0.5f, 0.5f), static_cast<double>(want),
                2e-7 * static_cast<double>(want) + 1e-7)
        << x;
  }
  EXPECT_EQ(BETAI(0.0f, 2.0f, 3.0f), 0.0f);
  EXPECT_EQ(BETAI(1.0f, 2.0f, 3.0f), 1.0f);
}

TEST_F(SingleIncompleteBeta, BadArgumentsAreTerminal) {
  auto outcome = quietly([] { return static_cast<double>(BETAI(1.5f, 2.0f, 3.0f)); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.type, 5);
  EXPECT_NE(outcome.console.find(" 1 from BETAI."), std::string::npos) << outcome.console;
  EXPECT_EQ(message_text(outcome.console), "X = 1.500000E+00 is not in the range (0.0,1.0).");

  outcome = quietly([] { return static_cast<double>(BETAI(0.5f, 0.0f, 3.0f)); });
  EXPECT_TRUE(std::isnan(outcome.value));
  EXPECT_EQ(outcome.code, 2);
  EXPECT_EQ(message_text(outcome.console),
            "Both PIN = 0.000000E+00 and QIN = 3.000000E+00 must be greater than 0.0.");
}

}  // namespace
}  // namespace itemdif::dist

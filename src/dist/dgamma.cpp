// Gamma function in double precision, with its argument bounds and log-gamma correction.
#include "dist/dgamma.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "dist/chebyshev.hpp"
#include "dist/chebyshev_tables.hpp"
#include "dist/dmach.hpp"
#include "numerr/error_stack.hpp"

namespace itemdif::dist {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kLnSqrt2Pi = 0.9189385332046728;

constexpr const char* kNegativeInteger =
    "The argument for the function can not be a negative integer. Argument X = %(D1).";

// Half the digits are lost when X is within a relative dxrel of a negative integer.
void warn_if_near_negative_integer(double x, double dxrel) {
  if (std::abs((x - std::trunc(x - 0.5)) / x) < dxrel) {
    numerr::MSGSETD(1, x);
    numerr::E1MES(numerr::kWarning, 2,
                  "The result is accurate to less than one half precision because X = %(D1) is "
                  "too close to a negative integer.");
  }
}

}  // namespace

void D9GAML(double& xmin, double& xmax) {
  numerr::RoutineScope scope("D9GAML");
  xmin = DMACH(6);
  xmax = DMACH(6);

  // Where Gamma reaches the smallest normalised number: Stirling's formula solved for -x.
  const double alnsml = std::log(DMACH(1));
  double x = -alnsml;
  bool converged = false;
  for (int i = 0; i < 10 && !converged; ++i) {
    const double xold = x;
    const double xln = std::log(x);
    x -= x * ((x + 0.5) * xln - x - 0.2258 + alnsml) / (x * xln + 0.5);
    converged = std::abs(x - xold) < 0.005;
  }
  if (!converged) {
    numerr::E1MES(numerr::kTerminal, 5, "Unable to determine the value of XMIN.");
    xmin = DMACH(6);
    return;
  }
  xmin = -x + 0.01;

  // Where Gamma reaches the largest finite number.
  const double alnbig = std::log(DMACH(2));
  x = alnbig;
  converged = false;
  for (int i = 0; i < 10 && !converged; ++i) {
    const double xold = x;
    const double xln = std::log(x);
    x -= x * ((x - 0.5) * xln - x + 0.9189 - alnbig) / (x * xln - 0.5);
    converged = std::abs(x - xold) < 0.005;
  }
  if (!converged) {
    numerr::E1MES(numerr::kTerminal, 6, "Unable to determine the value of XMAX.");
    xmax = DMACH(6);
    return;
  }
  xmax = x - 0.01;
  xmin = std::max(xmin, 1.0 - xmax);
}

double D9LGMC(double x) {
  numerr::RoutineScope scope("D9LGMC");
  static std::int32_t terms = 0;
  static double xbig = 0;
  static double xmax = 0;
  if (terms == 0) {
    terms = INITDS(log_gamma_correction_series,
                   static_cast<std::int32_t>(log_gamma_correction_series.size()),
                   static_cast<float>(DMACH(3)));
    xbig = 1.0 / std::sqrt(DMACH(3));
    xmax = std::exp(std::min(std::log(DMACH(2) / 12.0), -std::log(12.0 * DMACH(1))));
  }

  if (x < 10.0) {
    numerr::MSGSETD(1, x);
    numerr::E1MES(numerr::kTerminal, 5,
                  "The argument X = %(D1) must be greater than or equal to 10.0.");
    return DMACH(6);
  }
  if (x >= xmax) {
    numerr::MSGSETD(1, x);
    numerr::MSGSETD(2, xmax);
    numerr::E1MES(numerr::kAlert, 1,
                  "The function underflows because X = %(D1) is greater than %(D2). The result "
                  "is set to zero.");
    return 0.0;
  }
  if (x < xbig) {
    const double ratio = 10.0 / x;
    return DCSEVL(2.0 * ratio * ratio - 1.0, log_gamma_correction_series, terms) / x;
  }
  // Beyond xbig the series has shrunk to its leading term 1/(12x).
  return 1.0 / (x * 12.0);
}

double DGAMMA(double x) {
  numerr::RoutineScope scope("DGAMMA ");
  static std::int32_t terms = 0;
  static double xmin = 0;
  static double xmax = 0;
  static double xsml = 0;
  static double dxrel = 0;
  if (terms == 0) {
    const float eta = 0.1f * static_cast<float>(DMACH(3));
    terms = INITDS(gamma_series, static_cast<std::int32_t>(gamma_series.size()), eta);
    D9GAML(xmin, xmax);
    xsml = std::exp(std::max(std::log(DMACH(1)), -std::log(DMACH(2))) + 0.01);
    dxrel = std::sqrt(DMACH(4));
  }

  double y = std::abs(x);
  if (y <= 10.0) {
    // Gamma(1 + y) from the series, with 0 <= y < 1, then the recurrence up or down to x.
    auto n = static_cast<std::int32_t>(std::trunc(x));
    if (x < 0.0) --n;
    y = x - n;
    --n;
    double g = 0.9375 + DCSEVL(2.0 * y - 1.0, gamma_series, terms);
    if (n == 0) return g;
    if (n > 0) {
      for (std::int32_t i = 1; i <= n; ++i) g *= y + i;
      return g;
    }

    const std::int32_t m = -n;
    if (x == 0.0) {
      numerr::E1MES(numerr::kTerminal, 5, "The argument for the function can not be zero.");
      return DMACH(6);
    }
    if (y < xsml) {
      numerr::MSGSETD(1, x);
      numerr::E1MES(numerr::kTerminal, 4,
                    "The function overflows because X = %(D1) is too close to zero.");
      return DMACH(6);
    }
    if (x < 0.0 && x + (m - 2) == 0.0) {
      numerr::MSGSETD(1, x);
      numerr::E1MES(numerr::kTerminal, 6, kNegativeInteger);
      return DMACH(6);
    }
    if (x < -0.5) warn_if_near_negative_integer(x, dxrel);
    for (std::int32_t i = 0; i < m; ++i) g /= x + i;
    return g;
  }

  if (x > xmax) {
    numerr::MSGSETD(1, x);
    numerr::MSGSETD(2, xmax);
    numerr::E1MES(numerr::kTerminal, 4,
                  "The function overflows because X = %(D1) is greater than %(D2).");
    return DMACH(6);
  }
  if (x < xmin) {
    numerr::MSGSETD(1, x);
    numerr::MSGSETD(2, xmin);
    numerr::E1MES(numerr::kAlert, 1,
                  "The function underflows because X = %(D1) is less than %(D2). The result is "
                  "set to zero.");
    return 0.0;
  }

  const double g = std::exp((y - 0.5) * std::log(y) - y + kLnSqrt2Pi + D9LGMC(y));
  if (x > 0.0) return g;

  warn_if_near_negative_integer(x, dxrel);
  const double s = std::sin(kPi * y);
  // pi * y is rounded, so at a whole y the sine comes out a few 1e-15 instead of 0 and the
  // formula would answer at a pole; whole arguments are refused as the exact zero would be.
  if (s == 0.0 || y == std::trunc(y)) {
    numerr::MSGSETD(1, x);
    numerr::E1MES(numerr::kTerminal, 7, kNegativeInteger);
    return DMACH(6);
  }
  return -kPi / (y * s * g);
}

}  // namespace itemdif::dist

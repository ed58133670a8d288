// Gamma function in double precision, with its argument bounds and log-gamma correction.
#include "dist/dgamma.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "dist/chebyshev_tables.hpp"
#include "dist/dmach.hpp"
#include "dist/erfc_gamma_core.hpp"
#include "dist/first_use.hpp"
#include "numerr/error_stack.hpp"

namespace itemdif::dist {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kLnSqrt2Pi = 0.9189385332046728;

}  // namespace

void D9GAML(double& xmin, double& xmax) {
  numerr::RoutineScope scope("D9GAML");
  detail::gamma_bounds<DoublePrecision>(xmin, xmax);
}

double D9LGMC(double x) {
  numerr::RoutineScope scope("D9LGMC");
  // First-call values; a term count of 0 is tried again on the next call.
  struct Constants {
    std::int32_t terms = 0;
    double xbig = 0;
    double xmax = 0;
  };
  static detail::FirstUse<Constants> first_use;
  const auto [terms, xbig, xmax] = first_use.get(
      [] {
        Constants c;
        c.terms = INITDS(log_gamma_correction_series,
                         static_cast<std::int32_t>(log_gamma_correction_series.size()),
                         static_cast<float>(DMACH(3)));
        c.xbig = 1.0 / std::sqrt(DMACH(3));
        c.xmax = std::exp(std::min(std::log(DMACH(2) / 12.0), -std::log(12.0 * DMACH(1))));
        return c;
      },
      [](const Constants& c) { return c.terms != 0; });

  if (x < 10.0) {
    numerr::MSGSETD(1, x);
    numerr::E1MES(numerr::kTerminal, 5,
                  "The argument X = %(D1) must be greater than or equal to 10.0.");
    return DMACH(6);
  }
  if (x >= xmax) {
    numerr::MSGSETD(1, x);
    numerr::MSGSETD(2, xmax);
    numerr::E1MES(numerr::kAlert, 1, DoublePrecision::kUnderflowAbove);
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
  static detail::FirstUse<detail::GammaConstants<double>> first_use;
  const detail::GammaConstants<double> c = first_use.get(
      [] { return detail::gamma_constants<DoublePrecision>(gamma_series, D9GAML); },
      [](const detail::GammaConstants<double>& k) { return k.terms != 0; });

  if (std::abs(x) <= 10.0) return detail::gamma_by_series<DoublePrecision>(x, c, gamma_series);
  if (const auto bound = detail::gamma_beyond_bounds<DoublePrecision>(x, c)) return *bound;

  const double y = std::abs(x);
  const double g = std::exp((y - 0.5) * std::log(y) - y + kLnSqrt2Pi + D9LGMC(y));
  if (x > 0.0) return g;

  detail::warn_if_near_negative_integer<DoublePrecision>(x, c.dxrel);
  const double s = std::sin(kPi * y);
  // pi * y is rounded, so at a whole y the sine comes out a few 1e-15 instead of 0 and the
  // formula would answer at a pole; whole arguments are refused as the exact zero would be.
  if (s == 0.0 || y == std::trunc(y)) return detail::negative_integer<DoublePrecision>(x, 7);
  return -kPi / (y * s * g);
}

}  // namespace itemdif::dist

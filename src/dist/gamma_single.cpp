// The gamma function in single precision, with its argument bounds and log-gamma correction.
#include "dist/gamma_single.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "dist/amach.hpp"
#include "dist/chebyshev_tables.hpp"
#include "dist/erfc_gamma_core.hpp"
#include "dist/first_use.hpp"
#include "numerr/error_stack.hpp"

// Single-precision results are wanted, not double results rounded at the end.
#pragma GCC diagnostic error "-Wdouble-promotion"

namespace itemdif::dist {

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kLnSqrt2Pi = 0.918938533f;

}  // namespace

namespace detail {

// The argument is reduced modulo 2 before the multiplication by π (the reduction and the
// reflections are exact in float), so the result keeps its relative accuracy near the zeros,
// where sin(π · y) itself would lose it.
float sin_pi(float y) {
  float r = std::fmod(y, 2.0f);
  float sign = 1.0f;
  if (r >= 1.0f) {
    r -= 1.0f;
    sign = -1.0f;
  }
  if (r > 0.5f) r = 1.0f - r;
  return sign * std::sin(kPi * r);
}

}  // namespace detail

void R9GAML(float& xmin, float& xmax) {
  numerr::RoutineScope scope("R9GAML");
  detail::gamma_bounds<SinglePrecision>(xmin, xmax);
}

float R9LGMC(float x) {
  numerr::RoutineScope scope("R9LGMC");
  // First-call values.
  struct Constants {
    float xbig;
    float xmax;
  };
  static const Constants constants{
      1.0f / std::sqrt(AMACH(3)),
      std::exp(std::min(std::log(AMACH(2) / 12.0f), -std::log(12.0f * AMACH(1))))};
  const float lgmc_xbig = constants.xbig;
  const float lgmc_xmax = constants.xmax;
  if (x < 10.0f) {
    numerr::MSGSETR(1, x);
    numerr::E1MES(numerr::kTerminal, 5,
                  "The argument X = %(R1) must be greater than or equal to 10.0.");
    return AMACH(6);
  }
  if (x >= lgmc_xmax) {
    numerr::MSGSETR(1, x);
    numerr::MSGSETR(2, lgmc_xmax);
    numerr::E1MES(numerr::kAlert, 1, SinglePrecision::kUnderflowAbove);
    return 0.0f;
  }
  // Stirling's asymptotic series 1/(12x) - 1/(360x^3) + 1/(1260x^5) - 1/(1680x^7). From x = 10
  // on the first omitted term is below 1e-9 of the sum; beyond xbig only the first one counts.
  if (x < lgmc_xbig) {
    const float z = 1.0f / (x * x);
    const float sum =
        1.0f / 12.0f - z * (1.0f / 360.0f - z * (1.0f / 1260.0f - z * (1.0f / 1680.0f)));
    return sum / x;
  }
  return 1.0f / (x * 12.0f);
}

float GAMMA(float x) {
  numerr::RoutineScope scope("GAMMA ");
  static detail::FirstUse<detail::GammaConstants<float>> first_use;
  const detail::GammaConstants<float> c = first_use.get(
      [] { return detail::gamma_constants<SinglePrecision>(gamma_series_single, R9GAML); },
      [](const detail::GammaConstants<float>& k) { return k.terms != 0; });

  if (std::abs(x) <= 10.0f) {
    return detail::gamma_by_series<SinglePrecision>(x, c, gamma_series_single);
  }
  if (const auto bound = detail::gamma_beyond_bounds<SinglePrecision>(x, c)) return *bound;

  // Stirling's formula y^(y - 0.5) e^-y sqrt(2π) e^R9LGMC(y). Summed as one exponent, the
  // rounding of ln y alone, times y - 0.5, costs tens of units in the last place; taken as
  // correctly rounded factors (the power split in two halves so that neither overflows) the
  // result keeps to a few.
  const float y = std::abs(x);
  const float half_power = std::pow(y, (y - 0.5f) * 0.5f);
  const float g =
      (half_power * std::exp(-y)) * (half_power * std::exp(kLnSqrt2Pi + R9LGMC(y)));
  if (x > 0.0f) return g;

  detail::warn_if_near_negative_integer<SinglePrecision>(x, c.dxrel);
  const float s = detail::sin_pi(y);
  if (s == 0.0f) return detail::negative_integer<SinglePrecision>(x, 7);
  return -kPi / (y * s * g);
}

}  // namespace itemdif::dist

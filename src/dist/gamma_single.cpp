// The gamma function in single precision, with its argument bounds and log-gamma correction.
#include "dist/gamma_single.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "dist/amach.hpp"
#include "dist/chebyshev_single.hpp"
#include "dist/chebyshev_tables.hpp"
#include "numerr/error_stack.hpp"

// Single-precision results are wanted, not double results rounded at the end.
#pragma GCC diagnostic error "-Wdouble-promotion"

namespace itemdif::dist {

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kLnSqrt2Pi = 0.918938533f;

// GAMMA's first-call values; a term count of 0 means they are still to be computed.
std::int32_t gamma_terms = 0;
float gamma_xmin = 0.0f;
float gamma_xmax = 0.0f;
float gamma_xsml = 0.0f;
float gamma_dxrel = 0.0f;

// R9LGMC's first-call values; xbig = 0 means they are still to be computed.
float lgmc_xbig = 0.0f;
float lgmc_xmax = 0.0f;

void warn_if_near_negative_integer(float x) {
  if (std::abs((x - std::trunc(x - 0.5f)) / x) < gamma_dxrel) {
    numerr::MSGSETR(1, x);
    numerr::E1MES(numerr::kWarning, 2,
                  "The result is accurate to less than one half precision because X = %(R1) is "
                  "too close to a negative integer.");
  }
}

void negative_integer_error(float x, std::int32_t code) {
  numerr::MSGSETR(1, x);
  numerr::E1MES(numerr::kTerminal, code,
                "The argument for the function can not be a negative integer. Argument X = "
                "%(R1).");
}

void first_call_setup() {
  gamma_terms = INITS(gamma_series_single.data(),
                      static_cast<std::int32_t>(gamma_series_single.size()), 0.1f * AMACH(3));
  R9GAML(gamma_xmin, gamma_xmax);
  gamma_xsml = std::exp(std::max(std::log(AMACH(1)), -std::log(AMACH(2))) + 0.01f);
  gamma_dxrel = std::sqrt(AMACH(4));
}

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
  xmin = AMACH(6);
  xmax = AMACH(6);

  // xmin: where Γ underflows, solving (x + 0.5) ln x - x - 0.2258 = -ln(smallest) for x.
  const float alnsml = std::log(AMACH(1));
  float x = -alnsml;
  bool converged = false;
  for (int i = 0; i < 10 && !converged; ++i) {
    const float xold = x;
    const float xln = std::log(x);
    x = x - x * ((x + 0.5f) * xln - x - 0.2258f + alnsml) / (x * xln + 0.5f);
    converged = std::abs(x - xold) < 0.005f;
  }
  if (!converged) {
    numerr::E1MES(numerr::kTerminal, 5, "Unable to determine the value of XMIN.");
    return;
  }
  xmin = -x + 0.01f;

  // xmax: where Γ overflows, solving (x - 0.5) ln x - x + ln sqrt(2π) = ln(largest).
  const float alnbig = std::log(AMACH(2));
  x = alnbig;
  converged = false;
  for (int i = 0; i < 10 && !converged; ++i) {
    const float xold = x;
    const float xln = std::log(x);
    x = x - x * ((x - 0.5f) * xln - x + 0.9189f - alnbig) / (x * xln - 0.5f);
    converged = std::abs(x - xold) < 0.005f;
  }
  if (!converged) {
    numerr::E1MES(numerr::kTerminal, 6, "Unable to determine the value of XMAX.");
    xmax = AMACH(6);
    return;
  }
  xmax = x - 0.01f;
  xmin = std::max(xmin, 1.0f - xmax);
}

float R9LGMC(float x) {
  numerr::RoutineScope scope("R9LGMC");
  if (lgmc_xbig == 0.0f) {
    lgmc_xbig = 1.0f / std::sqrt(AMACH(3));
    lgmc_xmax = std::exp(std::min(std::log(AMACH(2) / 12.0f), -std::log(12.0f * AMACH(1))));
  }
  if (x < 10.0f) {
    numerr::MSGSETR(1, x);
    numerr::E1MES(numerr::kTerminal, 5,
                  "The argument X = %(R1) must be greater than or equal to 10.0.");
    return AMACH(6);
  }
  if (x >= lgmc_xmax) {
    numerr::MSGSETR(1, x);
    numerr::MSGSETR(2, lgmc_xmax);
    numerr::E1MES(numerr::kAlert, 1,
                  "The function underflows because X = %(R1) is greater than %(R2). The result "
                  "is set to zero.");
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
  if (gamma_terms == 0) first_call_setup();

  float y = std::abs(x);
  if (y <= 10.0f) {
    // Γ(x) from Γ(1 + y), y the distance of x above the integer below it, and the recurrence.
    std::int32_t n = static_cast<std::int32_t>(x);
    if (x < 0.0f) --n;
    y = x - static_cast<float>(n);
    --n;
    const float g = 0.9375f + CSEVL(2.0f * y - 1.0f, gamma_series_single.data(), gamma_terms);
    if (n == 0) return g;
    if (n > 0) {
      float result = g;
      for (std::int32_t i = 1; i <= n; ++i) result *= y + static_cast<float>(i);
      return result;
    }
    const std::int32_t m = -n;
    if (x == 0.0f) {
      numerr::E1MES(numerr::kTerminal, 5, "The argument for the function can not be zero.");
      return AMACH(6);
    }
    if (y < gamma_xsml) {
      numerr::MSGSETR(1, x);
      numerr::E1MES(numerr::kTerminal, 4,
                    "The function overflows because X = %(R1) is too close to zero.");
      return AMACH(6);
    }
    if (x < 0.0f && x + static_cast<float>(m - 2) == 0.0f) {
      negative_integer_error(x, 6);
      return AMACH(6);
    }
    if (x < -0.5f) warn_if_near_negative_integer(x);
    float result = g;
    for (std::int32_t i = 0; i < m; ++i) result /= x + static_cast<float>(i);
    return result;
  }

  if (x > gamma_xmax) {
    numerr::MSGSETR(1, x);
    numerr::MSGSETR(2, gamma_xmax);
    numerr::E1MES(numerr::kTerminal, 4,
                  "The function overflows because X = %(R1) is greater than %(R2).");
    return AMACH(6);
  }
  if (x < gamma_xmin) {
    numerr::MSGSETR(1, x);
    numerr::MSGSETR(2, gamma_xmin);
    numerr::E1MES(numerr::kAlert, 1,
                  "The function underflows because X = %(R1) is less than %(R2). The result is "
                  "set to zero.");
    return 0.0f;
  }
  // Stirling's formula y^(y - 0.5) e^-y sqrt(2π) e^R9LGMC(y). Summed as one exponent, the
  // rounding of ln y alone, times y - 0.5, costs tens of units in the last place; taken as
  // correctly rounded factors (the power split in two halves so that neither overflows) the
  // result keeps to a few.
  const float half_power = std::pow(y, (y - 0.5f) * 0.5f);
  const float g =
      (half_power * std::exp(-y)) * (half_power * std::exp(kLnSqrt2Pi + R9LGMC(y)));
  if (x > 0.0f) return g;

  warn_if_near_negative_integer(x);
  const float s = detail::sin_pi(y);
  if (s == 0.0f) {
    negative_integer_error(x, 7);
    return AMACH(6);
  }
  return -kPi / (y * s * g);
}

}  // namespace itemdif::dist

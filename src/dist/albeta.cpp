// The logarithm of the beta function in single precision, with the log-gamma function and
// ln(1 + x) that its large-argument forms need.
#include "dist/albeta.hpp"

#include <algorithm>
#include <cmath>

#include "dist/amach.hpp"
#include "dist/gamma_single.hpp"
#include "numerr/error_stack.hpp"

// Single-precision results are wanted, not double results rounded at the end.
#pragma GCC diagnostic error "-Wdouble-promotion"

namespace itemdif::dist {

namespace {

constexpr float kLnSqrt2Pi = 0.918938533f;   // ln sqrt(2π)
constexpr float kLnSqrtPiBy2 = 0.225791353f;  // ln sqrt(π/2)

}  // namespace

float ALNREL(float x) {
  numerr::RoutineScope scope("ALNREL");
  if (x <= -1.0f) {
    numerr::MSGSETR(1, x);
    numerr::E1MES(numerr::kTerminal, 1, "X = %(R1) is less than or equal to -1.");
    return AMACH(6);
  }
  if (std::abs(x) <= 0.375f) {
    // ln(1 + x) = 2 atanh(s), s = x / (2 + x): forming 1 + x would throw away the low bits of
    // a small x. Here |s| <= 0.231, so eight terms of the odd series leave under 1e-11.
    const float s = x / (2.0f + x);
    const float t = s * s;
    const float series =
        1.0f +
        t * (1.0f / 3.0f +
             t * (1.0f / 5.0f +
                  t * (1.0f / 7.0f +
                       t * (1.0f / 9.0f +
                            t * (1.0f / 11.0f + t * (1.0f / 13.0f + t * (1.0f / 15.0f)))))));
    return 2.0f * s * series;
  }
  // Away from 0 the rounding of 1 + x costs no more than one unit of the result.
  return std::log(1.0f + x);
}

float ALNGAM(float x) {
  numerr::RoutineScope scope("ALNGAM");
  // First-call values.
  struct Constants {
    float xmax;
    float dxrel;
  };
  static const Constants constants{AMACH(2) / std::log(AMACH(2)), std::sqrt(AMACH(4))};
  const float alngam_xmax = constants.xmax;
  const float alngam_dxrel = constants.dxrel;
  const float y = std::abs(x);
  if (y <= 10.0f) return std::log(std::abs(GAMMA(x)));

  if (y > alngam_xmax) {
    numerr::MSGSETR(1, y);
    numerr::MSGSETR(2, alngam_xmax);
    numerr::E1MES(numerr::kTerminal, 2,
                  "The function overflows because ABS(X) = %(R1) is greater than %(R2).");
    return AMACH(6);
  }
  if (x > 0.0f) return (x - 0.5f) * std::log(x) - x + kLnSqrt2Pi + R9LGMC(x);

  // Reflection: |Γ(x)| = π / (|sin(π y)| · y · Γ(y)) with y = -x.
  const float sinpiy = std::abs(detail::sin_pi(y));
  if (sinpiy == 0.0f) {
    numerr::MSGSETR(1, x);
    numerr::E1MES(numerr::kTerminal, 3,
                  "The argument for the function can not be a negative integer. Argument X = "
                  "%(R1).");
    return AMACH(6);
  }
  if (std::abs((x - std::trunc(x - 0.5f)) / x) < alngam_dxrel) {
    numerr::MSGSETR(1, x);
    numerr::E1MES(numerr::kWarning, 1,
                  "The result is accurate to less than one half precision because X = %(R1) is "
                  "too close to a negative integer.");
  }
  return kLnSqrtPiBy2 + (x - 0.5f) * std::log(y) - x - std::log(sinpiy) - R9LGMC(y);
}

float ALBETA(float a, float b) {
  numerr::RoutineScope scope("ALBETA");
  if (std::isnan(a) || std::isnan(b)) return AMACH(6);
  const float p = std::min(a, b);
  const float q = std::max(a, b);
  if (p <= 0.0f) {
    numerr::E1MES(numerr::kTerminal, 5,
                  "Both arguments for the function must be greater than zero.");
    return AMACH(6);
  }

  if (q < 10.0f) return std::log(GAMMA(p) * (GAMMA(q) / GAMMA(p + q)));

  // With Stirling's formula for the large arguments the leading terms cancel analytically;
  // what is left is written so that ln(q / (p + q)) comes from ALNREL, exact also when p is
  // small against q.
  const float pq = p + q;
  if (p >= 10.0f) {
    const float corr = R9LGMC(p) + R9LGMC(q) - R9LGMC(pq);
    return -0.5f * std::log(q) + kLnSqrt2Pi + corr + (p - 0.5f) * std::log(p / pq) +
           q * ALNREL(-p / pq);
  }
  const float corr = R9LGMC(q) - R9LGMC(pq);
  return ALNGAM(p) + corr + p - p * std::log(pq) + (q - 0.5f) * ALNREL(-p / pq);
}

}  // namespace itemdif::dist

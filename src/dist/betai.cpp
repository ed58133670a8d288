// The regularized incomplete beta function in single precision.
#include "dist/betai.hpp"

#include <algorithm>
#include <cmath>

#include "dist/albeta.hpp"
#include "dist/amach.hpp"
#include "dist/gamma_single.hpp"
#include "numerr/error_stack.hpp"

// Single-precision results are wanted, not double results rounded at the end.
#pragma GCC diagnostic error "-Wdouble-promotion"

namespace itemdif::dist {

namespace {

constexpr int kMaxSteps = 10000;
// Steps summed beyond the point where the forward pass settled, for a margin.
constexpr int kExtraSteps = 4;

/// x^a (1 - x)^b / (a B(a, b)), the factor in front of the continued fraction.
float front_factor(float x, float a, float b) {
  // ln(1 - x) from ALNREL for small x, where 1 - x would already be rounded; from x = 0.5 on
  // 1 - x is exact.
  const float one_minus_x = 1.0f - x;
  if (a < 10.0f && b < 10.0f) {
    // Correctly rounded powers and the gamma function keep a few units in the last place
    // where the logarithmic form below would lose some to the size of its terms.
    const float power_b =
        x >= 0.5f ? std::pow(one_minus_x, b) : std::exp(b * ALNREL(-x));
    const float beta = GAMMA(a) * (GAMMA(b) / GAMMA(a + b));
    return std::pow(x, a) * power_b / (a * beta);
  }
  const float ln_one_minus_x = x >= 0.5f ? std::log(one_minus_x) : ALNREL(-x);
  return std::exp(a * std::log(x) + b * ln_one_minus_x - ALBETA(a, b) - std::log(a));
}

/// The step-th partial numerator of the fraction below: d(2m) = m (b - m) x / ((a + 2m - 1)
/// (a + 2m)), d(2m+1) = -(a + m)(a + b + m) x / ((a + 2m)(a + 2m + 1)).
float partial_numerator(int step, float x, float a, float b) {
  const float m = static_cast<float>(step / 2);
  if (step % 2 == 0) return m * (b - m) * x / ((a + 2.0f * m - 1.0f) * (a + 2.0f * m));
  return -(a + m) * (a + b + m) * x / ((a + 2.0f * m) * (a + 2.0f * m + 1.0f));
}

/// 1 / (1 + d1 / (1 + d2 / (1 + ...))), which converges quickly for x below the mean
/// (a + 1) / (a + b + 2). Sets `converged`.
float continued_fraction(float x, float a, float b, bool& converged) {
  // The modified Lentz method finds how many steps settle the value; the fraction is then
  // summed again from its far end, where each rounding is damped by the steps above it
  // instead of piling up in a running product as it does going forward.
  constexpr float kTiny = 1.0e-30f;
  const float tolerance = AMACH(4);
  float f = 1.0f;
  float c = 1.0f;
  float d = 0.0f;
  int steps = 0;
  converged = false;
  while (!converged && steps < kMaxSteps) {
    ++steps;
    const float term = partial_numerator(steps, x, a, b);
    d = 1.0f + term * d;
    if (std::abs(d) < kTiny) d = kTiny;
    c = 1.0f + term / c;
    if (std::abs(c) < kTiny) c = kTiny;
    d = 1.0f / d;
    const float delta = c * d;
    f *= delta;
    converged = std::abs(delta - 1.0f) <= tolerance;
  }
  if (!converged) return 1.0f / f;

  float tail = 1.0f;
  for (int step = steps + kExtraSteps; step >= 1; --step) {
    tail = 1.0f + partial_numerator(step, x, a, b) / tail;
    if (std::abs(tail) < kTiny) tail = kTiny;
  }
  return 1.0f / tail;
}

}  // namespace

float BETAI(float x, float pin, float qin) {
  numerr::RoutineScope scope("BETAI ");
  if (std::isnan(x) || std::isnan(pin) || std::isnan(qin)) return AMACH(6);
  if (x < 0.0f || x > 1.0f) {
    numerr::MSGSETR(1, x);
    numerr::E1MES(numerr::kTerminal, 1, "X = %(R1) is not in the range (0.0,1.0).");
    return AMACH(6);
  }
  if (pin <= 0.0f || qin <= 0.0f) {
    numerr::MSGSETR(1, pin);
    numerr::MSGSETR(2, qin);
    numerr::E1MES(numerr::kTerminal, 2,
                  "Both PIN = %(R1) and QIN = %(R2) must be greater than 0.0.");
    return AMACH(6);
  }
  if (x == 0.0f) return 0.0f;
  if (x == 1.0f) return 1.0f;

  // Above the mean the fraction converges slowly; there I_x(p, q) = 1 - I_(1-x)(q, p).
  const bool reflected = x > (pin + 1.0f) / (pin + qin + 2.0f);
  const float xx = reflected ? 1.0f - x : x;
  const float a = reflected ? qin : pin;
  const float b = reflected ? pin : qin;

  bool converged = false;
  const float fraction = continued_fraction(xx, a, b, converged);
  if (!converged) {
    numerr::E1MES(numerr::kWarning, 3,
                  "The continued fraction did not converge; the result may be inaccurate.");
  }
  const float part = std::min(front_factor(xx, a, b) * fraction, 1.0f);
  return reflected ? 1.0f - part : part;
}

}  // namespace itemdif::dist

// Student's t distribution function in single precision.
#include "dist/tdf.hpp"

#include <atomic>
#include <cmath>
#include <cstdint>

#include "dist/amach.hpp"
#include "dist/betai.hpp"
#include "dist/erfc_single.hpp"
#include "numerr/error_stack.hpp"

// Single-precision results are wanted, not double results rounded at the end.
#pragma GCC diagnostic error "-Wdouble-promotion"

namespace itemdif::dist {

namespace {

// 2/π, set by the first call that passes the argument check; 0 until then. Atomic because
// fits on several threads call TDF at once (each stores the same value).
std::atomic<float> two_over_pi_value{0.0f};
float two_over_pi() { return two_over_pi_value.load(std::memory_order_relaxed); }

/// Two-sided tail probability for a whole df below 20 with tt < 4: the closed form as a
/// finite sum in s = |t| / sqrt(df), ending in arctan for odd df.
float tail_whole_df_near(float df, float u, float w) {
  const float s = std::sqrt(u);
  float a = df == 1.0f ? 0.0f : s;
  std::int32_t k = static_cast<std::int32_t>(df) - 2;
  for (; k > 1; k -= 2) {
    a = static_cast<float>(k - 1) / (static_cast<float>(k) * w) * a + s;
  }
  if (k == 0) {
    a = a / std::sqrt(w);
  } else {
    a = (std::atan(s) + a / w) * two_over_pi();
  }
  return 1.0f - a;
}

/// Two-sided tail probability for a whole df below 20 with tt >= 4, summed directly so that
/// a small tail is not the difference of two numbers near 1.
float tail_whole_df_far(float df, float w) {
  float a = df;
  float b = 0.0f;
  float p = 1.0f;
  float previous;
  do {
    b += 2.0f;
    previous = p;
    a = a * (b - 1.0f) / (b * w);
    p = p + a / (b + df);
  } while (p != previous);

  std::int32_t k = static_cast<std::int32_t>(df);
  for (; k > 1 && p >= 1.0e-30f; k -= 2) {
    p = static_cast<float>(k - 1) / (static_cast<float>(k) * w) * p;
  }
  if (k != 0) p = std::sqrt(w) * two_over_pi() * p / w;
  return p;
}

/// Two-sided tail probability by a normal approximation to the t variable.
float tail_normal_approximation(float df, float u, float w) {
  // ln(1 + u) with the rounding of w = 1 + u taken back out.
  const float wm1 = w - 1.0f;
  float y = wm1 != 0.0f ? std::log(w) / wm1 * u : u;
  const float a = df - 0.5f;
  const float b = 48.0f * a * a;
  y = a * y;
  float z = ((((-0.4f * y - 3.3f) * y - 24.0f) * y - 85.5f) / (0.8f * y * y + 100.0f + b) + y +
             3.0f) / b +
            1.0f;
  z = z * std::sqrt(y);
  if (z >= 18.8125f) return 0.0f;
  return ERFC(0.70710678f * z);
}

}  // namespace

float TDF(float t, float df) {
  numerr::RoutineScope scope("TDF   ");
  if (df < 1.0f) {
    numerr::MSGSETR(1, df);
    numerr::E1MES(numerr::kTerminal, 1,
                  "The input number of degrees of freedom, DF = %(R1), must be at least 1.");
    return AMACH(6);
  }
  if (two_over_pi() == 0.0f)
    two_over_pi_value.store(1.0f / std::asin(1.0f), std::memory_order_relaxed);
  // A not-a-number would never let the tail series below settle (NaN never equals itself).
  if (std::isnan(t) || std::isnan(df)) return AMACH(6);

  const float tt = t * t;
  const float u = tt / df;
  const float w = 1.0f + u;

  // p: the probability that |t variable| exceeds |t|.
  float p;
  if (tt >= df) {
    p = BETAI(df / (df + tt), df * 0.5f, 0.5f);
  } else if (df < 20.0f && std::trunc(df) == df) {
    p = tt < 4.0f ? tail_whole_df_near(df, u, w) : tail_whole_df_far(df, w);
  } else {
    p = tail_normal_approximation(df, u, w);
  }
  return t > 0.0f ? 1.0f - p * 0.5f : p * 0.5f;
}

}  // namespace itemdif::dist

// The complementary error function in single precision.
#include "dist/erfc_single.hpp"

#include <cmath>
#include <cstdint>

#include "dist/amach.hpp"
#include "dist/chebyshev_single.hpp"
#include "dist/chebyshev_tables.hpp"
#include "numerr/error_stack.hpp"

// Every operation here must round to float: an unnoticed promotion to double would give
// results that differ from the single-precision ones in the last place.
#pragma GCC diagnostic error "-Wdouble-promotion"

namespace itemdif::dist {

namespace {

constexpr float kSqrtPi = 1.7724539f;

// Set on the first call; a term count of 0 (a failed INITS) means "not yet".
std::int32_t erf_terms = 0;
std::int32_t mid_terms = 0;
std::int32_t tail_terms = 0;
float xsml = 0.0f;
float xmax = 0.0f;
float sqeps = 0.0f;

void first_call_setup() {
  const float eta = 0.1f * AMACH(3);
  erf_terms = INITS(erf_series_single.data(), static_cast<std::int32_t>(erf_series_single.size()),
                    eta);
  mid_terms = INITS(erfc_mid_series_single.data(),
                    static_cast<std::int32_t>(erfc_mid_series_single.size()), eta);
  tail_terms = INITS(erfc_tail_series_single.data(),
                     static_cast<std::int32_t>(erfc_tail_series_single.size()), eta);
  // Below xsml erfc is 2 to single precision; above xmax it underflows.
  xsml = -std::sqrt(-std::log(kSqrtPi * AMACH(3)));
  const float t = std::sqrt(-std::log(kSqrtPi * AMACH(1)));
  xmax = t - 0.5f * std::log(t) / t - 0.01f;
  sqeps = std::sqrt(2.0f * AMACH(3));
}

}  // namespace

float ERFC(float x) {
  numerr::RoutineScope scope("ERFC  ");
  if (erf_terms == 0) first_call_setup();

  if (x <= xsml) return 2.0f;
  if (x > xmax) {
    numerr::MSGSETR(1, x);
    numerr::MSGSETR(2, xmax);
    numerr::E1MES(numerr::kAlert, 1,
                  "The function underflows because X = %(R1) is greater than %(R2). The result "
                  "is set to zero.");
    return 0.0f;
  }

  const float y = std::abs(x);
  if (y <= 1.0f) {
    // erf(x) ~ 2x/sqrt(pi) for tiny x, where the series adds nothing.
    if (y < sqeps) return 1.0f - 2.0f * x / kSqrtPi;
    return 1.0f - x * (1.0f + CSEVL(2.0f * x * x - 1.0f, erf_series_single.data(), erf_terms));
  }

  const float y2 = y * y;
  float r;
  if (y2 <= 4.0f) {
    r = std::exp(-y2) / y *
        (0.5f + CSEVL((8.0f / y2 - 5.0f) / 3.0f, erfc_mid_series_single.data(), mid_terms));
  } else {
    r = std::exp(-y2) / y *
        (0.5f + CSEVL(8.0f / y2 - 1.0f, erfc_tail_series_single.data(), tail_terms));
  }
  return x >= 0.0f ? r : 2.0f - r;
}

}  // namespace itemdif::dist

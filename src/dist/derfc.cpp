// Complementary error function and standard normal distribution function, double precision.
#include "dist/derfc.hpp"

#include <cmath>
#include <cstdint>

#include "dist/chebyshev.hpp"
#include "dist/chebyshev_tables.hpp"
#include "dist/dmach.hpp"
#include "numerr/error_stack.hpp"

namespace itemdif::dist {

namespace {

constexpr double kSqrtPi = 1.772453850905516;

// First-call constants of DERFC. A count of 0 in `erf_terms` means "not yet computed" (or a
// failed INITDS, which the next call retries).
struct ErfcConstants {
  std::int32_t erf_terms = 0;
  std::int32_t mid_terms = 0;
  std::int32_t tail_terms = 0;
  double xsml = 0;
  double xmax = 0;
  double sqeps = 0;
};

ErfcConstants& erfc_constants() {
  static ErfcConstants c;
  if (c.erf_terms == 0) {
    // The accuracy asked of the series is a single-precision value: both factors are rounded
    // to float and multiplied in float.
    const float eta = 0.1f * static_cast<float>(DMACH(3));
    c.erf_terms = INITDS(erf_series, static_cast<std::int32_t>(erf_series.size()), eta);
    c.mid_terms = INITDS(erfc_mid_series, static_cast<std::int32_t>(erfc_mid_series.size()), eta);
    c.tail_terms =
        INITDS(erfc_tail_series, static_cast<std::int32_t>(erfc_tail_series.size()), eta);
    c.xsml = -std::sqrt(-std::log(kSqrtPi * DMACH(3)));
    const double t = std::sqrt(-std::log(kSqrtPi * DMACH(1)));
    c.xmax = t - 0.5 * std::log(t) / t - 0.01;
    c.sqeps = std::sqrt(2.0 * DMACH(3));
  }
  return c;
}

}  // namespace

double DERFC(double x) {
  numerr::RoutineScope scope("DERFC  ");
  const ErfcConstants& c = erfc_constants();

  if (x <= c.xsml) return 2.0;
  if (x > c.xmax) {
    numerr::MSGSETD(1, x);
    numerr::MSGSETD(2, c.xmax);
    numerr::E1MES(numerr::kAlert, 1,
                  "The function underflows because X = %(D1) is greater than %(D2). The result "
                  "is set to zero.");
    return 0.0;
  }

  const double y = std::abs(x);
  if (y <= 1.0) {
    // Below sqeps the cubic term of erf is lost in the rounding of 1.
    if (y < c.sqeps) return 1.0 - 2.0 * x / kSqrtPi;
    return 1.0 - x * (1.0 + DCSEVL(2.0 * x * x - 1.0, erf_series, c.erf_terms));
  }

  const double ysq = y * y;
  double r;
  if (ysq <= 4.0) {
    r = std::exp(-ysq) / y * (0.5 + DCSEVL((8.0 / ysq - 5.0) / 3.0, erfc_mid_series, c.mid_terms));
  } else {
    r = std::exp(-ysq) / y * (0.5 + DCSEVL(8.0 / ysq - 1.0, erfc_tail_series, c.tail_terms));
  }
  return x >= 0.0 ? r : 2.0 - r;
}

double DNORDF(double x) {
  numerr::RoutineScope scope("DNORDF ");
  static bool have_constant = false;
  static double sqrt_half = 0;
  if (!have_constant) {
    sqrt_half = std::sqrt(0.5);
    have_constant = true;
  }
  const double result = 0.5 * DERFC(-x * sqrt_half);
  // Far in the lower tail DERFC underflows with an ALERT; for the normal function 0 is simply
  // the right answer there, so the alert is withdrawn before it can travel up.
  if (numerr::N1RTY(0) == numerr::kAlert) numerr::E1MES(0, 0, " ");
  return result;
}

}  // namespace itemdif::dist

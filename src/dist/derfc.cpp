// Complementary error function and standard normal distribution function, double precision.
#include "dist/derfc.hpp"

#include <cmath>

#include "dist/chebyshev_tables.hpp"
#include "dist/erfc_gamma_core.hpp"
#include "numerr/error_stack.hpp"

namespace itemdif::dist {

double DERFC(double x) {
  numerr::RoutineScope scope("DERFC  ");
  return detail::complementary_error_function<DoublePrecision>(x, erf_series, erfc_mid_series,
                                                               erfc_tail_series);
}

double DNORDF(double x) {
  numerr::RoutineScope scope("DNORDF ");
  static const double sqrt_half = std::sqrt(0.5);
  const double result = 0.5 * DERFC(-x * sqrt_half);
  // Far in the lower tail DERFC underflows with an ALERT; for the normal function 0 is simply
  // the right answer there, so the alert is withdrawn before it can travel up.
  if (numerr::N1RTY(0) == numerr::kAlert) numerr::E1MES(0, 0, " ");
  return result;
}

}  // namespace itemdif::dist

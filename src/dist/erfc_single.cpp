// The complementary error function in single precision.
#include "dist/erfc_single.hpp"

#include "dist/chebyshev_tables.hpp"
#include "dist/erfc_gamma_core.hpp"
#include "numerr/error_stack.hpp"

namespace itemdif::dist {

float ERFC(float x) {
  numerr::RoutineScope scope("ERFC  ");
  return detail::complementary_error_function<SinglePrecision>(
      x, erf_series_single, erfc_mid_series_single, erfc_tail_series_single);
}

}  // namespace itemdif::dist

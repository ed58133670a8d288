// The double-precision Chebyshev routines INITDS and DCSEVL.
#include "dist/chebyshev.hpp"

namespace itemdif::dist {

std::int32_t INITDS(std::span<const double> os, std::int32_t nos, float eta) {
  return chebyshev_term_count<DoublePrecision>(os, nos, eta);
}

double DCSEVL(double x, std::span<const double> cs, std::int32_t n) {
  return chebyshev_sum<DoublePrecision>(x, cs, n);
}

}  // namespace itemdif::dist

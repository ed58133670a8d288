// The double-precision Chebyshev routines INITDS and DCSEVL.
#include "dist/chebyshev.hpp"

#include "dist/dmach.hpp"

namespace itemdif::dist {

double DoubleSeries::not_a_number() { return DMACH(6); }

std::int32_t INITDS(std::span<const double> os, std::int32_t nos, float eta) {
  return chebyshev_term_count<DoubleSeries>(os, nos, eta);
}

double DCSEVL(double x, std::span<const double> cs, std::int32_t n) {
  return chebyshev_sum<DoubleSeries>(x, cs, n);
}

}  // namespace itemdif::dist

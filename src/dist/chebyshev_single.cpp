// The single-precision Chebyshev routines INITS and CSEVL.
#include "dist/chebyshev_single.hpp"

#include <cstddef>
#include <span>

namespace itemdif::dist {

namespace {

// A count that the templates reject (below 1, or above 1000 for the sum) is never used to
// index, so the view only needs to be sized for a count they accept.
std::span<const float> view(const float* table, std::int32_t count, std::int32_t most) {
  if (count < 1 || count > most) return {};
  return {table, static_cast<std::size_t>(count)};
}

}  // namespace

std::int32_t INITS(const float* os, std::int32_t nos, float eta) {
  return chebyshev_term_count<SinglePrecision>(view(os, nos, nos), nos, eta);
}

float CSEVL(float x, const float* cs, std::int32_t n) {
  return chebyshev_sum<SinglePrecision>(x, view(cs, n, 1000), n);
}

}  // namespace itemdif::dist

// The single-precision Chebyshev routines INITS and CSEVL.
#pragma once

#include <cstdint>

#include "dist/chebyshev.hpp"

namespace itemdif::dist {

/// INITS (OS, NOS, ETA): how many leading terms of os(1..nos) reach the accuracy eta (see
/// chebyshev_term_count); 0 with a TERMINAL error for nos < 1 or an eta below the last term.
/// `os` must hold at least nos coefficients. Registered as "INITS ".
std::int32_t INITS(const float* os, std::int32_t nos, float eta);

/// CSEVL (X, CS, N): the Clenshaw sum of the first n terms of cs in float arithmetic (see
/// chebyshev_sum), values shown as %(R1). `cs` must hold at least n coefficients when
/// 0 < n <= 1000. Registered as "CSEVL ".
float CSEVL(float x, const float* cs, std::int32_t n);

}  // namespace itemdif::dist

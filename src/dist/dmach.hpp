// Machine constants of IEEE double precision.
#pragma once

#include <cstdint>

namespace itemdif::dist {

/// DMACH (N), N = 1 .. 8: smallest positive normalised number, largest finite number,
/// 2^-53, 2^-52, log10(2), quiet not-a-number, +infinity, -infinity. Any other N records a
/// TERMINAL error (type 5, code 5) under "DMACH " and returns the not-a-number value.
double DMACH(std::int32_t n);

}  // namespace itemdif::dist

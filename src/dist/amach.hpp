// Machine constants of IEEE single precision.
#pragma once

#include <cstdint>

namespace itemdif::dist {

/// AMACH (N), N = 1 .. 8: smallest positive normalised number, largest finite number, 2^-24,
/// 2^-23, log10(2), quiet not-a-number (bits 7FC00000), +infinity, -infinity. Any other N
/// records a TERMINAL error (type 5, code 5) under "AMACH " and returns the not-a-number value.
float AMACH(std::int32_t n);

}  // namespace itemdif::dist

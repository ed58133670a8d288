// Machine constants of IEEE single precision.
#include "dist/amach.hpp"

#include <array>
#include <bit>
#include <cstdint>
#include <limits>

#include "numerr/error_stack.hpp"

namespace itemdif::dist {

namespace {

using Limits = std::numeric_limits<float>;

// One bit pattern for every not-a-number the single-precision routines hand back.
constexpr float kNotANumber = std::bit_cast<float>(std::uint32_t{0x7FC00000});

constexpr std::array<float, 8> kConstants = {
    Limits::min(),          // 1.1754944e-38
    Limits::max(),          // 3.4028235e+38
    Limits::epsilon() / 2,  // 2^-24
    Limits::epsilon(),      // 2^-23
    0.30103001f,            // log10(2) rounded to float
    kNotANumber,
    Limits::infinity(),
    -Limits::infinity(),
};

}  // namespace

float AMACH(std::int32_t n) {
  if (n >= 1 && n <= 8) return kConstants[static_cast<std::size_t>(n - 1)];
  // Registered only on the error path: the constants are read on every call of the routines
  // above, and a push and pop each time would buy nothing.
  numerr::RoutineScope scope("AMACH ");
  numerr::MSGSETI(1, n);
  numerr::E1MES(numerr::kTerminal, 5, "The argument must be between 1 and 8 inclusive. N = %(I1)");
  return kNotANumber;
}

}  // namespace itemdif::dist

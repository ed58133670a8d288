// Machine constants of IEEE double precision.
#include "dist/dmach.hpp"

#include <array>
#include <bit>
#include <cstdint>
#include <limits>

#include "numerr/error_stack.hpp"

namespace itemdif::dist {

namespace {

using Limits = std::numeric_limits<double>;

// The not-a-number value is pinned to one bit pattern so that every routine returns the same
// quiet NaN, whatever the library's quiet_NaN happens to carry.
constexpr double kNotANumber = std::bit_cast<double>(std::uint64_t{0x7FF8000000000000});

constexpr std::array<double, 8> kConstants = {
    Limits::min(),                 // 2.2250738585072014e-308
    Limits::max(),                 // 1.7976931348623157e+308
    Limits::epsilon() / 2,         // 2^-53
    Limits::epsilon(),             // 2^-52
    0.30102999566398119521373889,  // log10(2)
    kNotANumber,
    Limits::infinity(),
    -Limits::infinity(),
};

}  // namespace

double DMACH(std::int32_t n) {
  if (n >= 1 && n <= 8) return kConstants[static_cast<std::size_t>(n - 1)];
  // Only the error path registers the routine: the constants are read far too often to pay for
  // a push and a pop each time.
  numerr::RoutineScope scope("DMACH ");
  numerr::MSGSETI(1, n);
  numerr::E1MES(numerr::kTerminal, 5, "The argument must be between 1 and 8 inclusive. N = %(I1)");
  return kNotANumber;
}

}  // namespace itemdif::dist

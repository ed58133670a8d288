// The complementary error function in single precision.
#pragma once

namespace itemdif::dist {

/// ERFC (X) = 1 - erf(X), in float arithmetic from three Chebyshev series. Returns 2 at or
/// below xsml = -4.0078883; above xmax = 9.1849413 records an ALERT (type 2, code 1) and
/// returns 0. Registered as "ERFC  ".
float ERFC(float x);

}  // namespace itemdif::dist

// Complementary error function and standard normal distribution function, double precision.
#pragma once

namespace itemdif::dist {

/// DERFC (X) = 1 - erf(X). Returns exactly 2 at or below xsml = -6.0136873569177505, and 0 with
/// an ALERT (type 2, code 1) above xmax = 26.533299685083566, where the result underflows.
double DERFC(double x);

/// DNORDF (X), the standard normal distribution function, 0.5 * DERFC(-X / sqrt(2)). Where it
/// underflows (X below about -37.5) it returns 0 and leaves no error behind.
double DNORDF(double x);

}  // namespace itemdif::dist

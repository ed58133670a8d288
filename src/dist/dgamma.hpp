// Gamma function in double precision, with its argument bounds and log-gamma correction.
#pragma once

namespace itemdif::dist {

/// DGAMMA (X), the gamma function. Chebyshev series on [1, 2] with recurrence for abs(X) <= 10,
/// Stirling's formula with the D9LGMC correction beyond (reflection for negative X). Zero, a
/// negative integer, or X beyond the overflow bound are TERMINAL errors returning not-a-number;
/// X below the underflow bound gives 0 with an ALERT.
double DGAMMA(double x);

/// D9GAML (XMIN, XMAX): the arguments between which DGAMMA neither underflows nor overflows, by
/// Newton iteration; a bound that does not converge is a TERMINAL error and is left not-a-number.
void D9GAML(double& xmin, double& xmax);

/// D9LGMC (X), X >= 10: ln Gamma(X) - ((X - 0.5) ln X - X + ln sqrt(2 pi)).
double D9LGMC(double x);

}  // namespace itemdif::dist

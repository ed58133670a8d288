// The gamma function in single precision, with its argument bounds and log-gamma correction.
#pragma once

namespace itemdif::dist {

/// GAMMA (X) in float arithmetic. |X| <= 10: the Chebyshev series on [1, 2] and the recurrence;
/// beyond: Stirling's formula with R9LGMC (negative X by reflection). TERMINAL errors (result
/// AMACH (6)) for X = 0 (code 5), 0 < X below xsml (code 4), a negative integer (codes 6 and 7)
/// and X above xmax = 35.03 (code 4); an ALERT (code 1, result 0) below xmin = -33.96; a WARNING
/// (code 2) near a negative integer. Registered as "GAMMA ".
float GAMMA(float x);

/// R9GAML (XMIN, XMAX): the arguments between which GAMMA neither overflows nor underflows,
/// found by Newton iteration. A TERMINAL error (code 5 for XMIN, 6 for XMAX) leaves the bound
/// that did not converge as not-a-number. Registered as "R9GAML".
void R9GAML(float& xmin, float& xmax);

/// R9LGMC (X) = ln Γ(X) - ((X - 0.5) ln X - X + ln sqrt(2π)) for X >= 10. X < 10 is a TERMINAL
/// error (code 5, result not-a-number); X at or above 7.09e36 an ALERT (code 1, result 0).
/// Registered as "R9LGMC".
float R9LGMC(float x);

namespace detail {

/// sin(π y) for finite y >= 0: exactly 0 at the integers, accurate to a few units in the last
/// place near them.
float sin_pi(float y);

}  // namespace detail

}  // namespace itemdif::dist

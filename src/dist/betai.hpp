// The regularized incomplete beta function in single precision.
#pragma once

namespace itemdif::dist {

/// BETAI (X, PIN, QIN) = I_X(PIN, QIN), the probability that a beta(PIN, QIN) variable is at
/// most X, in float arithmetic by its continued fraction. X outside [0, 1] is a TERMINAL error
/// (type 5, code 1), PIN or QIN not above 0 another (code 2), both with the result AMACH (6);
/// a not-a-number argument gives AMACH (6) without a message. A fraction that has not settled
/// after 10000 steps is a WARNING (type 3, code 3) with the value reached. Registered as
/// "BETAI ".
float BETAI(float x, float pin, float qin);

}  // namespace itemdif::dist

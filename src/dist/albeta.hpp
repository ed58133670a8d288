// The logarithm of the beta function in single precision, with the log-gamma function and
// ln(1 + x) that its large-argument forms need.
#pragma once

namespace itemdif::dist {

/// ALBETA (A, B) = ln B(A, B) = ln Γ(A) + ln Γ(B) - ln Γ(A + B), in float arithmetic. Both
/// below 10: from GAMMA; otherwise Stirling forms with R9LGMC, ALNGAM and ALNREL. A smaller
/// argument <= 0 is a TERMINAL error (type 5, code 5) with the result AMACH (6); a
/// not-a-number argument gives AMACH (6) without a message. Registered as "ALBETA".
float ALBETA(float a, float b);

/// ALNGAM (X) = ln |Γ(X)|. |X| <= 10 from GAMMA (whose errors apply); beyond, Stirling's
/// formula with R9LGMC, reflected for negative X. TERMINAL errors (result AMACH (6)) for |X|
/// above 8.98e36, where the result overflows (code 2), and for a negative integer below -10
/// (code 3); a WARNING (code 1) near a negative integer. Registered as "ALNGAM".
float ALNGAM(float x);

/// ALNREL (X) = ln(1 + X), accurate to a few units in the last place also for small X. X <= -1
/// is a TERMINAL error (type 5, code 1) with the result AMACH (6). Registered as "ALNREL".
float ALNREL(float x);

}  // namespace itemdif::dist

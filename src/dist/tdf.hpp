// Student's t distribution function in single precision.
#pragma once

namespace itemdif::dist {

/// TDF (T, DF): the probability that a t variable with DF degrees of freedom is at most T, in
/// float arithmetic. T² >= DF: from BETAI; a whole DF below 20: the exact finite series; any
/// other DF: a normal approximation through ERFC. DF < 1 is a TERMINAL error (type 5, code 1)
/// with the result AMACH (6); a not-a-number T or DF gives AMACH (6) without a message.
/// Registered as "TDF   ".
float TDF(float t, float df);

}  // namespace itemdif::dist

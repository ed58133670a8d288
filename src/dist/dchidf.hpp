// Chi-squared distribution function in double precision.
#pragma once

namespace itemdif::dist {

/// DCHIDF (CHSQ, DF): the probability that a chi-squared variable with DF degrees of freedom is
/// at most CHSQ. Power series (lower incomplete gamma) for CHSQ < max(DF/2, 26), asymptotic
/// series (upper incomplete gamma) from there up to 200, 1 beyond 200; for DF > 65 the
/// Wilson-Hilferty normal approximation. CHSQ < 0 gives 0 with a NOTE; DF < 0.5 is a TERMINAL
/// error returning not-a-number. Registered on the error stack as "dCHIDF ".
double DCHIDF(double chsq, double df);

}  // namespace itemdif::dist

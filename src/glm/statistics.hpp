// Coefficient statistics of a fit: covariance from the triangular factor (RCOVB), the table
// of estimates (RCOEF), one row of it (C1T) and the safe division they share.
#pragma once

#include <cstdint>

namespace itemdif::glm {

/// COVEST = s2 R^-1 R^-T from the upper-triangular factor R (which may share storage with
/// `cov`); rows and columns whose diagonal element of R is not positive are 0. `scratch` holds
/// n * n floats.
void RCOVB(std::int32_t n, const float* r, std::int32_t ldr, float s2, float* cov,
           std::int32_t ldcov, float* scratch);

/// Fills ESTTAB columns 1 to 4 (estimate, standard error, Z, p-value) after checking that DFE
/// and the standard errors are not negative. `b` and `stdb` may be columns of `esttab`.
void RCOEF(std::int32_t n, const float* b, const float* stdb, float dfe, float* esttab,
           std::int32_t ldcoef);

/// b / s, defined everywhere: not-a-number when either is not-a-number or both are 0; an
/// infinity signed by b and s when the quotient would overflow; 0 when it would underflow.
float safe_divide(float b, float s);

/// Z = b / s by the safe division, and its two-sided p-value from Student's t with df degrees
/// of freedom.
void C1T(float b, float s, float df, float& z, float& p);

}  // namespace itemdif::glm

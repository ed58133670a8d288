// Coefficient statistics of the fit: covariance from the triangular factor (RCOVB), the table
// of estimates (RCOEF) and one row of it (C1T).
#include "glm/statistics.hpp"

#include <cmath>
#include <cstddef>

#include "dist/amach.hpp"
#include "dist/tdf.hpp"
#include "numerr/error_stack.hpp"

namespace itemdif::glm {

float safe_divide(float b, float s) {
  if (std::isnan(b) || std::isnan(s)) return dist::AMACH(6);
  const float ab = std::fabs(b);
  const float as = std::fabs(s);
  if (as <= 1.0F) {
    if (ab >= as * dist::AMACH(2)) {
      if (b == 0.0F) return dist::AMACH(6);
      return std::signbit(b) == std::signbit(s) ? dist::AMACH(7) : dist::AMACH(8);
    }
  } else if (ab <= as * dist::AMACH(1)) {
    return 0.0F;
  }
  return b / s;
}

void C1T(float b, float s, float df, float& z, float& p) {
  numerr::RoutineScope scope{"C1T   "};
  z = safe_divide(b, s);
  if (std::isnan(z) || df == 0.0F) {
    p = dist::AMACH(6);
  } else if (std::isinf(z)) {
    p = 0.0F;
  } else {
    p = 2.0F * (1.0F - dist::TDF(std::fabs(z), df));
  }
}

void RCOEF(std::int32_t n, const float* b, const float* stdb, float dfe, float* esttab,
           std::int32_t ldcoef) {
  numerr::RoutineScope scope{"RCOEF "};
  bool rejected = false;
  if (dfe < 0.0F) {
    numerr::MSGSETR(1, dfe);
    numerr::E1MES(numerr::kTerminal, 1, "DFE = %(R1).  It must be nonnegative.");
    rejected = true;
  }
  for (std::int32_t k = 0; k < n; ++k) {
    if (stdb[k] < 0.0F) {
      numerr::MSGSETI(1, k + 1);
      numerr::MSGSETR(1, stdb[k]);
      numerr::E1MES(numerr::kTerminal, 2, "STDB(%(I1)) = %(R1).  It must be nonnegative.");
      rejected = true;
    }
  }
  if (rejected) return;

  const auto ld = static_cast<std::size_t>(ldcoef);
  for (std::int32_t k = 0; k < n; ++k) {
    const auto kk = static_cast<std::size_t>(k);
    const float estimate = b[k];
    const float error = stdb[k];
    esttab[kk] = estimate;
    esttab[kk + ld] = error;
    C1T(estimate, error, dfe, esttab[kk + 2 * ld], esttab[kk + 3 * ld]);
  }
}

void RCOVB(std::int32_t n, const float* r, std::int32_t ldr, float s2, float* cov,
           std::int32_t ldcov, float* scratch) {
  numerr::RoutineScope scope{"RCOVB "};
  const auto m = static_cast<std::size_t>(n);
  const auto lr = static_cast<std::size_t>(ldr);
  const auto lc = static_cast<std::size_t>(ldcov);

  // T = R^-1 over the coefficients with a positive pivot, built column by column in scratch
  // (column-major, m x m); the others are left out as if they were not in the model.
  float* t = scratch;
  for (std::size_t j = 0; j < m; ++j) {
    const float rjj = r[j + j * lr];
    for (std::size_t i = 0; i < m; ++i) t[i + j * m] = 0.0F;
    if (!(rjj > 0.0F)) continue;
    t[j + j * m] = 1.0F / rjj;
    for (std::size_t i = j; i-- > 0;) {
      if (!(r[i + i * lr] > 0.0F)) continue;
      float s = 0.0F;
      for (std::size_t k = i; k < j; ++k) s += t[i + k * m] * r[k + j * lr];
      t[i + j * m] = -s / rjj;
    }
  }
  // COV = s2 T T'; T is upper triangular, so only k >= max(i, j) contributes.
  for (std::size_t i = 0; i < m; ++i) {
    for (std::size_t j = i; j < m; ++j) {
      float s = 0.0F;
      for (std::size_t k = j; k < m; ++k) s += t[i + k * m] * t[j + k * m];
      cov[i + j * lc] = s2 * s;
      cov[j + i * lc] = s2 * s;
    }
  }
}

}  // namespace itemdif::glm

// The fitting core of CTGLM: preparation, initial estimates, the iteration with step halving
// (C3GLM), the evaluation at given estimates (C4GLM) and the coefficient statistics.
#pragma once

#include <cstddef>
#include <cstdint>

#include "glm/ctglm.hpp"
#include "glm/givens.hpp"
#include "glm/logit_model.hpp"

namespace itemdif::glm {

/// Evaluation methods of C4GLM.
inline constexpr std::int32_t kQuasiNewton = 0;   // "Q-N": every curvature taken as 1
inline constexpr std::int32_t kNewtonRaphson = 1; // "N-R": observed curvature

/// Everything one fit works on. X is read in place, column by column, and never written.
/// The engine fits one trial per observation with frequency 1 (CTGLM refuses trials and
/// frequency columns), so an observation's values are its regressors, its response and the
/// fixed term of its linear predictor.
struct FitContext {
  CtglmArguments& args;
  std::int32_t p = 0;         // NCOEF
  bool centred = false;       // regressors are taken about REGMEAN
  bool binary = true;         // every response used is 0 or 1
  bool block_passes = true;   // false: every pass one observation at a time (for comparison)
  float eps = 0.0F;           // the convergence criterion in use
  RegressionFactor factor;
  LogitModel model;
  float* beta_trial = nullptr;  // p
  float* direction = nullptr;   // p
  float* row = nullptr;         // p + 1
  float* scratch = nullptr;     // p * p

  /// Floats of workspace the fit needs besides the caller's tables.
  static std::size_t workspace_size(std::int32_t p);
  FitContext(CtglmArguments& a, std::int32_t ncoef, float* workspace);

  /// Column `number` (from 1) of X.
  const float* x_column(std::int32_t number) const;
  /// The column of X that regressor k (from 0) reads; nullptr for the intercept.
  const float* column(std::int32_t k) const;
  /// The uncentred regressors of observation i into x[0 .. p-1] and its fixed term into o;
  /// false when a regressor or the fixed term is missing.
  bool regressors(std::int32_t i, float* x, float& o) const;
  /// The response of observation i (not-a-number when missing).
  float response(std::int32_t i) const;
  /// Takes the regressors about their means when the fit is centred.
  void centre(float* x) const;
};

/// x . b over p values, summed from the first.
inline float dot(const float* x, const float* b, std::int32_t p) {
  float s = 0.0F;
  for (std::int32_t k = 0; k < p; ++k) s += x[k] * b[k];
  return s;
}

/// The passes over the observations. Fits of an intercept and three regressors go a block of
/// observations at a time (unless `block_passes` is false; the passes after the preparation
/// only when every response used is 0 or 1), every other fit one observation after the other;
/// the results are the same bit for bit.
///
/// Preparation: OBSCODE and NMISSING, `binary`, and REGMEAN over the observations used.
void prepare_observations(FitContext& fit);
/// The rows of the initial fit (each used observation's starting linear predictor on its
/// centred regressors) rotated into `fit.factor`, already initialised.
void add_initial_rows(FitContext& fit);
/// The pass of C4GLM: every used row, weighted for `method`, is rotated into `fit.factor`
/// (already initialised); returns the log-likelihood at `beta`, summed accurately in single
/// precision.
float accumulate_rows(FitContext& fit, const float* beta, std::int32_t method);
/// CASESTAT at `beta`, with the leverages from the factor R stored in COVEST.
void compute_case_statistics(FitContext& fit, const float* beta);

/// Preparation, initial estimates, iteration, final evaluation and statistics.
void C3GLM(FitContext& fit);

/// Log-likelihood (into LOGLIK) and the update (into LASTUPD) at `beta`, leaving the
/// regression factor of the evaluation in `fit.factor`.
void C4GLM(FitContext& fit, const float* beta, std::int32_t method);

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

// What one fit of CTGLM works on: the caller's arguments, the regression factor and the work
// tables, with the ways to read an observation's values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "glm/ctglm.hpp"
#include "glm/givens.hpp"
#include "glm/logit_model.hpp"
#include "glm/row_classes.hpp"

namespace itemdif::glm {

/// Evaluation methods of C4GLM.
inline constexpr std::int32_t kQuasiNewton = 0;   // "Q-N": every curvature taken as 1
inline constexpr std::int32_t kNewtonRaphson = 1; // "N-R": observed curvature

/// Everything one fit works on. X is read in place, column by column, and never written.
/// The engine fits one trial per observation with frequency 1 (CTGLM refuses trials and
/// frequency columns), so an observation's values are its regressors, its response and the
/// fixed term of its linear predictor; and every effect is one variable (CTGLM refuses effects
/// of more), so regressor k after the intercept reads the column INDEF(k).
struct FitContext {
  CtglmArguments& args;
  std::int32_t p = 0;         // NCOEF
  bool centred = false;       // regressors are taken about REGMEAN
  bool binary = true;         // every response used is 0 or 1
  float eps = 0.0F;           // the convergence criterion in use
  RegressionFactor factor;
  LogitModel model;
  float* beta_trial = nullptr;  // p
  float* direction = nullptr;   // p
  float* row = nullptr;         // p + 1
  float* scratch = nullptr;     // p * p
  // The distinct observations of a fit of the procedure's shape, found at its first pass
  // (`classed`); none when they are too many.
  bool classed = false;
  std::optional<RowClasses> row_classes;

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

}  // namespace itemdif::glm

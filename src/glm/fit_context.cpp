// The context of one fit: its work tables laid out in the workspace, and the reading of an
// observation's regressors, fixed term and response from X.
#include "glm/fit_context.hpp"

#include <cmath>
#include <cstddef>

namespace itemdif::glm {

std::size_t FitContext::workspace_size(std::int32_t p) {
  const auto n = static_cast<std::size_t>(p);
  return RegressionFactor::storage_size(p) + 3 * n + 1 + n * n;
}

FitContext::FitContext(CtglmArguments& a, std::int32_t ncoef, float* workspace)
    : args(a), p(ncoef), eps(a.EPS) {
  const auto n = static_cast<std::size_t>(p);
  factor = RegressionFactor(p, workspace);
  workspace += RegressionFactor::storage_size(p);
  beta_trial = workspace;
  direction = beta_trial + n;
  row = direction + n;
  scratch = row + n + 1;
}

const float* FitContext::column(std::int32_t k) const {
  const CtglmArguments& a = args;
  const std::int32_t effect = k - a.INTCEP;
  if (effect < 0) return nullptr;
  // Every effect is one variable (CTGLM refuses others), so effect e is INDEF(e + 1).
  return x_column(a.INDEF[effect]);
}

const float* FitContext::x_column(std::int32_t number) const {
  return args.X + static_cast<std::size_t>(number - 1) * static_cast<std::size_t>(args.LDX);
}

bool FitContext::regressors(std::int32_t i, float* x, float& o) const {
  const CtglmArguments& a = args;
  const auto row_index = static_cast<std::size_t>(i);
  const auto ldx = static_cast<std::size_t>(a.LDX);
  bool complete = true;
  std::int32_t k = 0;
  if (a.INTCEP == 1) x[k++] = 1.0F;
  for (std::int32_t e = 0; e < a.NEF; ++e) {
    const float v = a.X[row_index + static_cast<std::size_t>(a.INDEF[e] - 1) * ldx];
    complete = complete && !std::isnan(v);
    x[k++] = v;
  }
  o = a.IFIX > 0 ? a.X[row_index + static_cast<std::size_t>(a.IFIX - 1) * ldx] : 0.0F;
  return complete && !std::isnan(o);
}

float FitContext::response(std::int32_t i) const {
  return args.X[static_cast<std::size_t>(i) +
                static_cast<std::size_t>(args.IRT - 1) * static_cast<std::size_t>(args.LDX)];
}

void FitContext::centre(float* x) const {
  if (!centred) return;
  for (std::int32_t k = 1; k < p; ++k) x[k] -= args.REGMEAN[k - 1];
}

}  // namespace itemdif::glm

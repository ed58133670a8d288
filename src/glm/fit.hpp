// The fitting core of CTGLM: preparation, initial estimates, the iteration with step halving
// (C3GLM) and the evaluation at given estimates (C4GLM).
#pragma once

#include <cstdint>

#include "glm/fit_context.hpp"
#include "glm/passes.hpp"

namespace itemdif::glm {

/// Whether the final evaluation is made when the iteration ended on the same one.
enum class FinalEvaluation {
  kWhenNeeded,  ///< left out when the last evaluation was N-R at the final estimates
  kAlways,      ///< made every time (the plain way, to check the other against)
};

/// Preparation, initial estimates, iteration, final evaluation and statistics, every pass
/// over the observations made the way `traversal` says. The case statistics are left out when
/// CASESTAT is null.
void C3GLM(FitContext& fit, Traversal traversal,
           FinalEvaluation final_evaluation = FinalEvaluation::kWhenNeeded);

/// Log-likelihood (into LOGLIK) and the update (into LASTUPD) at `beta`, leaving the
/// regression factor of the evaluation in `fit.factor`.
void C4GLM(FitContext& fit, const float* beta, std::int32_t method, Traversal traversal);

}  // namespace itemdif::glm

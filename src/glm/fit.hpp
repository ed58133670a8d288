// The fitting core of CTGLM: preparation, initial estimates, the iteration with step halving
// (C3GLM) and the evaluation at given estimates (C4GLM).
#pragma once

#include <cstdint>

#include "glm/fit_context.hpp"
#include "glm/passes.hpp"

namespace itemdif::glm {

/// Preparation, initial estimates, iteration, final evaluation and statistics, every pass
/// over the observations made the way `traversal` says.
void C3GLM(FitContext& fit, Traversal traversal);

/// Log-likelihood (into LOGLIK) and the update (into LASTUPD) at `beta`, leaving the
/// regression factor of the evaluation in `fit.factor`.
void C4GLM(FitContext& fit, const float* beta, std::int32_t method, Traversal traversal);

}  // namespace itemdif::glm

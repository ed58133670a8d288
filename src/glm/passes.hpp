// The passes of a fit over the observations: preparation, the rows of the initial fit, the
// rows of an evaluation and the case statistics.
#pragma once

#include <cstdint>

#include "glm/fit_context.hpp"

namespace itemdif::glm {

/// How a pass goes over the observations. Both ways give the same results bit for bit.
enum class Traversal {
  /// Fits of an intercept and three regressors a block of observations at a time (the passes
  /// after the preparation only when every response used is 0 or 1), every other fit one
  /// observation after the other. The way of every fit that CTGLM makes.
  kBlocks,
  /// Every fit one observation after the other, whatever its shape.
  kObservations,
};

/// Preparation: OBSCODE and NMISSING, `binary`, and REGMEAN over the observations used.
void prepare_observations(FitContext& fit, Traversal traversal);
/// The rows of the initial fit (each used observation's starting linear predictor on its
/// centred regressors) rotated into `fit.factor`, already initialised.
void add_initial_rows(FitContext& fit, Traversal traversal);
/// The pass of C4GLM: every used row, weighted for `method`, is rotated into `fit.factor`
/// (already initialised); returns the log-likelihood at `beta`, summed accurately in single
/// precision.
float accumulate_rows(FitContext& fit, const float* beta, std::int32_t method,
                      Traversal traversal);
/// CASESTAT at `beta`, with the leverages from the factor R stored in COVEST.
void compute_case_statistics(FitContext& fit, const float* beta, Traversal traversal);
/// Only the model evaluations of compute_case_statistics, in its order, for a fit that does
/// not ask for the statistics: with responses other than 0 and 1 they can reach the error
/// facility (the constant of a new response value), which must see them all the same.
void evaluate_case_models(FitContext& fit, const float* beta);

}  // namespace itemdif::glm

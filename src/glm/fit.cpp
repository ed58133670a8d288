// C3GLM and C4GLM: preparation, initial estimates, the iteration with step halving and the
// evaluation of the log-likelihood with its update.
#include "glm/fit.hpp"

#include <cmath>
#include <cstddef>

#include "dist/amach.hpp"
#include "glm/statistics.hpp"
#include "numerr/error_stack.hpp"

namespace itemdif::glm {
namespace {

constexpr float kStepFactor = 0.5F;
constexpr float kSmallestStep = 1.0E-4F;
constexpr float kSwitchThreshold = 0.1F;

// Messages of the rank-tolerance routine are noise inside a fit (a dependent column is an
// expected outcome there), so type-6 messages are silenced for the span of one step and the
// caller's settings are put back afterwards.
class QuietType6 {
 public:
  QuietType6() {
    numerr::ERRATTR(-numerr::kWarningImmediate, print_, stop_);
    std::int32_t off_print = 0;
    std::int32_t off_stop = 0;
    numerr::ERRATTR(numerr::kWarningImmediate, off_print, off_stop);
  }
  ~QuietType6() { numerr::ERRATTR(numerr::kWarningImmediate, print_, stop_); }
  QuietType6(const QuietType6&) = delete;
  QuietType6& operator=(const QuietType6&) = delete;

  /// Drops a type-6 message that the regression routine left at the current level.
  static void clear_pending() {
    if (numerr::N1RTY(0) == numerr::kWarningImmediate) numerr::E1MES(0, 0, "");
  }

 private:
  std::int32_t print_ = 0;
  std::int32_t stop_ = 0;
};

void convert_intercept(FitContext& fit, float* beta);

}  // namespace

void C4GLM(FitContext& fit, const float* beta, std::int32_t method, Traversal traversal) {
  numerr::RoutineScope scope{"C4GLM "};
  QuietType6 quiet;
  fit.factor.init(std::sqrt(dist::AMACH(4)));
  fit.args.LOGLIK = accumulate_rows(fit, beta, method, traversal);
  fit.factor.finish(fit.args.LASTUPD);
  QuietType6::clear_pending();
}

void C3GLM(FitContext& fit, Traversal traversal, FinalEvaluation final_evaluation) {
  numerr::RoutineScope scope{"C3GLM "};
  CtglmArguments& a = fit.args;
  const std::int32_t p = fit.p;
  float* beta = a.ESTTAB;  // column 1

  prepare_observations(fit, traversal);
  const std::int32_t usable = a.NOBS - a.NMISSING;
  fit.centred = a.INTCEP == 1 && usable > 1;

  if (a.MAXIT > 0 && a.INIT == 0) {
    // Initial estimates: least squares of each observation's starting linear predictor.
    QuietType6 quiet;
    for (std::int32_t k = 0; k < p; ++k) beta[k] = 0.0F;
    fit.factor.init(10.0F * dist::AMACH(4));
    add_initial_rows(fit, traversal);
    fit.factor.finish(beta);
    QuietType6::clear_pending();
  } else if (a.INIT == 1 && fit.centred) {
    for (std::int32_t k = 1; k < p; ++k) beta[0] += a.REGMEAN[k - 1] * beta[k];
  }

  // Whether the last evaluation was N-R at beta as it stands with nothing done since: the
  // final evaluation would then repeat it, to the last bit and the last effect on the error
  // facility (an evaluation done twice leaves the facility as once).
  bool last_is_final = false;
  if (a.MAXIT > 0) {
    std::int32_t method = usable == 1 ? kNewtonRaphson : kQuasiNewton;
    const float loglik_tolerance = fit.eps / 100.0F;
    C4GLM(fit, beta, method, traversal);
    float previous = a.LOGLIK;
    for (std::int32_t iteration = 1; iteration <= a.MAXIT; ++iteration) {
      float r = 0.0F;
      for (std::int32_t k = 0; k < p; ++k) {
        const float ratio = beta[k] != 0.0F ? std::fabs(a.LASTUPD[k] / beta[k])
                                            : std::fabs(a.LASTUPD[k]);
        if (ratio > r) r = ratio;
      }
      for (std::int32_t k = 0; k < p; ++k) fit.direction[k] = a.LASTUPD[k];

      float step = 1.0F;
      float change;
      bool halted = false;
      for (;;) {
        for (std::int32_t k = 0; k < p; ++k) fit.beta_trial[k] = beta[k] + step * fit.direction[k];
        C4GLM(fit, fit.beta_trial, method, traversal);
        change = a.LOGLIK - previous;
        if (std::fabs(previous) > 0.1F) change /= std::fabs(previous);
        if (!(change < -loglik_tolerance)) break;
        step *= kStepFactor;
        if (step <= kSmallestStep) {
          numerr::E1MES(numerr::kWarning, 1, "Too many step halvings. Convergence is assumed.");
          a.LOGLIK = previous;
          halted = true;
          break;
        }
      }
      if (halted) break;

      for (std::int32_t k = 0; k < p; ++k) beta[k] = fit.beta_trial[k];
      previous = a.LOGLIK;
      last_is_final = method == kNewtonRaphson;
      if (r <= fit.eps || std::fabs(change) <= loglik_tolerance) break;
      last_is_final = false;
      if (method == kQuasiNewton && std::fabs(change) < kSwitchThreshold) method = kNewtonRaphson;
      if (iteration == a.MAXIT) {
        numerr::E1MES(numerr::kWarning, 2, "Too many iterations.  Convergence is assumed.");
        break;
      }
    }
  }

  // The final evaluation gives the log-likelihood, the last update and the information.
  if (!last_is_final || final_evaluation == FinalEvaluation::kAlways)
    C4GLM(fit, beta, kNewtonRaphson, traversal);
  fit.factor.store_factor(a.COVEST, a.LDCOV);
  if (a.CASESTAT != nullptr) {
    compute_case_statistics(fit, beta, traversal);
  } else if (!fit.binary) {
    evaluate_case_models(fit, beta);
  }
  RCOVB(p, a.COVEST, a.LDCOV, 1.0F, a.COVEST, a.LDCOV, fit.scratch);
  if (fit.centred) convert_intercept(fit, beta);
  const auto ldcoef = static_cast<std::size_t>(a.LDCOEF);
  const auto ldcov = static_cast<std::size_t>(a.LDCOV);
  float* stdb = a.ESTTAB + ldcoef;
  for (std::size_t k = 0; k < static_cast<std::size_t>(p); ++k) {
    stdb[k] = std::sqrt(a.COVEST[k + k * ldcov]);
  }
  RCOEF(p, beta, stdb, 1000.0F, a.ESTTAB, a.LDCOEF);
}

namespace {

void convert_intercept(FitContext& fit, float* beta) {
  CtglmArguments& a = fit.args;
  const std::int32_t p = fit.p;
  const float* mean = a.REGMEAN;
  const auto ld = static_cast<std::size_t>(a.LDCOV);
  float* cov = a.COVEST;
  auto at = [&](std::int32_t l, std::int32_t j) -> float& {
    return cov[static_cast<std::size_t>(l) + static_cast<std::size_t>(j) * ld];
  };

  for (std::int32_t k = 1; k < p; ++k) beta[0] -= mean[k - 1] * beta[k];

  // c = (1, -mean): the new first row is c' COV, its diagonal c' COV c, both from the old table.
  float* first_row = fit.scratch;
  for (std::int32_t j = 0; j < p; ++j) {
    float s = at(0, j);
    for (std::int32_t l = 1; l < p; ++l) s -= mean[l - 1] * at(l, j);
    first_row[j] = s;
  }
  float variance = first_row[0];
  for (std::int32_t j = 1; j < p; ++j) variance -= mean[j - 1] * first_row[j];
  for (std::int32_t j = 1; j < p; ++j) {
    at(0, j) = first_row[j];
    at(j, 0) = first_row[j];
  }
  at(0, 0) = variance;
}

}  // namespace
}  // namespace itemdif::glm

// The pass of an evaluation over the observations: every usable row is weighted for the
// method, rotated into the regression factor, and its log-likelihood summed.
#include <array>
#include <cmath>
#include <cstddef>

#include "glm/accurate_sum.hpp"
#include "glm/fit.hpp"

namespace itemdif::glm {
namespace {

// The shape of every fit of the logistic procedure: an intercept and three effects.
constexpr std::int32_t kProcedureShape = 4;

// Observations evaluated together: enough for the exponential and the logarithms to be called
// back to back and for the arithmetic around them to run on several lanes at once, few enough
// for the block to stay in the first-level cache.
constexpr std::size_t kBlock = 256;

// The row of one observation as the method weighs it: regressors times w, response z, sign.
struct Weighting {
  float w;
  float z;
  float sign;
};

// "N-R": w = sqrt|d2|, z = d1 / w, a row of positive curvature removed; "Q-N": every
// curvature taken as 1.
Weighting weigh(float d1, float d2, std::int32_t method) {
  if (method != kNewtonRaphson) return {1.0F, d1, 1.0F};
  const float w = std::sqrt(std::fabs(d2));
  return {w, w != 0.0F ? d1 / w : 0.0F, d2 > 0.0F ? -1.0F : 1.0F};
}

// Any model shape and any response, one observation after the other.
float general_pass(FitContext& fit, const float* beta, std::int32_t method) {
  const CtglmArguments& a = fit.args;
  float* x = fit.row;
  AccurateSum loglik;
  for (std::int32_t i = 0; i < a.NOBS; ++i) {
    if (a.OBSCODE[i] != 0) continue;
    float o = 0.0F;
    fit.regressors(i, x, o);
    fit.centre(x);
    const float eta = dot(x, beta, fit.p) + o;
    const ModelValues v = fit.model.evaluate(eta, fit.response(i), 1.0F);
    loglik.add(v.loglik);
    const Weighting r = weigh(v.d1, v.d2, method);
    for (std::int32_t k = 0; k < fit.p; ++k) x[k] *= r.w;
    fit.factor.add_row(x, r.z, r.sign);
  }
  return loglik.value();
}

// The fits of the logistic procedure (an intercept, three regressors, responses 0 and 1), a
// block of observations at a time: the regressors are read straight from their columns, the
// model's stages run over the whole block (the exponential and the logarithms as runs of
// calls, the arithmetic in loops the compiler can vectorise), and only the rotations go one
// row after the other, in a factor held in registers. Every value is the one the general pass
// computes.
float procedure_pass(FitContext& fit, const float* beta_in, std::int32_t method) {
  constexpr std::size_t P = kProcedureShape;
  const CtglmArguments& a = fit.args;
  std::array<const float*, P> column{};
  std::array<float, P> offset{};
  std::array<float, P> beta{};
  for (std::size_t k = 0; k < P; ++k) {
    column[k] = fit.column(static_cast<std::int32_t>(k));
    offset[k] = fit.centred && k > 0 ? a.REGMEAN[k - 1] : 0.0F;
    beta[k] = beta_in[k];
  }
  const float* response = fit.x_column(a.IRT);
  const float* fixed = a.IFIX > 0 ? fit.x_column(a.IFIX) : nullptr;
  const LogitModel::BinaryConstants constants = fit.model.binary_constants();

  LocalFactor<P> factor(fit.factor);
  AccurateSum loglik;
  std::array<float, kBlock> x1, x2, x3, mu, q, ratio, log_ratio, log_q, l, d1, d2;
  std::array<std::size_t, kBlock> successes;

  const auto n = static_cast<std::size_t>(a.NOBS);
  for (std::size_t start = 0; start < n; start += kBlock) {
    const std::size_t len = n - start < kBlock ? n - start : kBlock;
    const float* y = response + start;

    for (std::size_t j = 0; j < len; ++j) {
      x1[j] = column[1][start + j] - offset[1];
      x2[j] = column[2][start + j] - offset[2];
      x3[j] = column[3][start + j] - offset[3];
      float s = 0.0F;
      s += 1.0F * beta[0];
      s += x1[j] * beta[1];
      s += x2[j] * beta[2];
      s += x3[j] * beta[3];
      mu[j] = LogitModel::clamped(s + (fixed != nullptr ? fixed[start + j] : 0.0F));
    }
    for (std::size_t j = 0; j < len; ++j) mu[j] = std::exp(mu[j]);
    for (std::size_t j = 0; j < len; ++j) {
      mu[j] = LogitModel::mean_of_exp(mu[j]);
      q[j] = LogitModel::floored_complement(mu[j]);
      ratio[j] = mu[j] / q[j];
    }
    for (std::size_t j = 0; j < len; ++j) log_q[j] = std::log(q[j]);
    // ln(mu / q) is weighted by the response, so only a response of 1 needs it; a failure
    // adds 0 times a finite logarithm, which is the 0 taken here.
    std::size_t count = 0;
    for (std::size_t j = 0; j < len; ++j) {
      successes[count] = j;
      count += y[j] == 1.0F ? 1 : 0;
      log_ratio[j] = 0.0F;
    }
    for (std::size_t t = 0; t < count; ++t) {
      log_ratio[successes[t]] = std::log(ratio[successes[t]]);
    }
    for (std::size_t j = 0; j < len; ++j) {
      const float c = y[j] == 1.0F ? constants.one : constants.zero;
      const ModelValues v = LogitModel::combine(mu[j], q[j], y[j], 1.0F, c, log_ratio[j], log_q[j]);
      l[j] = v.loglik;
      d1[j] = v.d1;
      d2[j] = v.d2;
    }

    const std::int32_t* code = a.OBSCODE + start;
    for (std::size_t j = 0; j < len; ++j) {
      if (code[j] != 0) continue;
      loglik.add(l[j]);
      const Weighting r = weigh(d1[j], d2[j], method);
      std::array<float, P> row = {1.0F * r.w, x1[j] * r.w, x2[j] * r.w, x3[j] * r.w};
      factor.add_row(row.data(), r.z, r.sign);
    }
  }
  factor.store();
  return loglik.value();
}

}  // namespace

float accumulate_rows(FitContext& fit, const float* beta, std::int32_t method) {
  if (fit.p == kProcedureShape && fit.args.INTCEP == 1 && fit.binary) {
    return procedure_pass(fit, beta, method);
  }
  return general_pass(fit, beta, method);
}

}  // namespace itemdif::glm

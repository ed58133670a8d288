// The passes of a fit over the observations: preparation, the rows of the initial fit, the
// rows of an evaluation and the case statistics. Each has a general form, which takes one
// observation after the other through FitContext::regressors, and a form for the fits of the
// logistic procedure (an intercept and three regressors), which reads the columns of X a block
// of observations at a time and runs the model's stages over the whole block. Both forms do
// the same operations in the same order on every value, so they agree bit for bit.
#include "glm/passes.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

#include "dist/amach.hpp"
#include "glm/accurate_sum.hpp"
#include "glm/row_classes.hpp"
#include "glm/skewed_factor.hpp"
#include "glm/statistics.hpp"

namespace itemdif::glm {
namespace {

// The shape of every fit of the logistic procedure: an intercept and three effects.
constexpr std::size_t P = 4;

// The factor a pass of the procedure's shape rotates its rows into.
#if defined(ITEMDIF_SKEWED_FACTOR)
using ProcedureFactor = SkewedFactor4;
#else
using ProcedureFactor = LocalFactor<P>;
#endif

// Observations taken together: enough for the exponential and the logarithms to be called
// back to back and for the arithmetic around them to run on several lanes at once, few enough
// for a block to stay in the first-level cache.
constexpr std::size_t kBlock = 256;

bool procedure_shape(const FitContext& fit, Traversal traversal) {
  return traversal == Traversal::kBlocks && fit.p == static_cast<std::int32_t>(P) &&
         fit.args.INTCEP == 1;
}

// The passes that weigh a response by the constants of 0 and 1 need every used one binary.
bool procedure_shape_binary(const FitContext& fit, Traversal traversal) {
  return procedure_shape(fit, traversal) && fit.binary;
}

// The observations of a fit of the procedure's shape, a block at a time, read straight from
// the columns of X: the three regressors after the intercept (taken about their means when
// `centred`), the fixed term, the response and the code of each. Used as
//     for (Block b(fit, centred); b.next();) ... observations b.start + j, j < b.size ...
class Block {
 public:
  Block(const FitContext& fit, bool centred) {
    const CtglmArguments& a = fit.args;
    for (std::size_t k = 0; k + 1 < P; ++k) {
      column_[k] = fit.column(static_cast<std::int32_t>(k + 1));
      offset_[k] = centred ? a.REGMEAN[k] : 0.0F;
    }
    fixed_ = a.IFIX > 0 ? fit.x_column(a.IFIX) : nullptr;
    response_ = fit.x_column(a.IRT);
    codes_ = a.OBSCODE;
    observations_ = static_cast<std::size_t>(a.NOBS);
  }

  /// Reads the next block; false when every observation has been read.
  bool next() {
    start += size;
    if (start >= observations_) return false;
    size = std::min(kBlock, observations_ - start);
    for (std::size_t k = 0; k + 1 < P; ++k) {
      for (std::size_t j = 0; j < size; ++j) x[k][j] = column_[k][start + j] - offset_[k];
    }
    for (std::size_t j = 0; j < size; ++j) o[j] = fixed_ != nullptr ? fixed_[start + j] : 0.0F;
    y = response_ + start;
    code = codes_ + start;
    return true;
  }

  /// The regressors of observation start + j, intercept first.
  std::array<float, P> row(std::size_t j) const { return {1.0F, x[0][j], x[1][j], x[2][j]}; }

  std::size_t start = 0;
  std::size_t size = 0;
  std::array<std::array<float, kBlock>, P - 1> x;
  std::array<float, kBlock> o;
  const float* y = nullptr;
  std::int32_t* code = nullptr;

 private:
  std::array<const float*, P - 1> column_{};
  std::array<float, P - 1> offset_{};
  const float* fixed_ = nullptr;
  const float* response_ = nullptr;
  std::int32_t* codes_ = nullptr;
  std::size_t observations_ = 0;
};

// The model's values at beta for every observation of a block: the exponential and the
// logarithms as runs of calls, the arithmetic around them in loops the compiler can vectorise.
// Without `with_loglik` the logarithms are left out and l is not filled (d1 and d2 do not
// depend on them).
struct BlockValues {
  std::array<float, kBlock> mu, q, l, d1, d2;

  void evaluate(const Block& b, const std::array<float, P>& beta,
                LogitModel::BinaryConstants constants, bool with_loglik) {
    std::array<float, kBlock> t, log_ratio, log_q;
    std::array<std::size_t, kBlock> successes;
    const std::size_t n = b.size;
    for (std::size_t j = 0; j < n; ++j) {
      float s = 0.0F;
      s += 1.0F * beta[0];
      s += b.x[0][j] * beta[1];
      s += b.x[1][j] * beta[2];
      s += b.x[2][j] * beta[3];
      t[j] = LogitModel::clamped(s + b.o[j]);
    }
    for (std::size_t j = 0; j < n; ++j) t[j] = std::exp(t[j]);
    for (std::size_t j = 0; j < n; ++j) {
      mu[j] = LogitModel::mean_of_exp(t[j]);
      q[j] = LogitModel::floored_complement(mu[j]);
      log_ratio[j] = 0.0F;
      log_q[j] = 0.0F;
    }
    if (with_loglik) {
      for (std::size_t j = 0; j < n; ++j) log_q[j] = std::log(q[j]);
      // ln(mu / q) is weighted by the response, so only a response of 1 needs it; a failure
      // adds 0 times a finite logarithm, which is the 0 taken here.
      std::size_t count = 0;
      for (std::size_t j = 0; j < n; ++j) {
        successes[count] = j;
        count += b.y[j] == 1.0F ? 1 : 0;
      }
      for (std::size_t s = 0; s < count; ++s) {
        const std::size_t j = successes[s];
        log_ratio[j] = std::log(mu[j] / q[j]);
      }
    }
    for (std::size_t j = 0; j < n; ++j) {
      const float c = b.y[j] == 1.0F ? constants.one : constants.zero;
      const ModelValues v = LogitModel::combine(mu[j], q[j], b.y[j], 1.0F, c, log_ratio[j], log_q[j]);
      l[j] = v.loglik;
      d1[j] = v.d1;
      d2[j] = v.d2;
    }
  }
};

// The classes of the fit's observations, found at its first pass.
void classify_once(FitContext& fit) {
  if (fit.classed) return;
  fit.row_classes = classify_rows(fit);
  fit.classed = true;
}

std::array<float, P> procedure_beta(const float* beta) {
  return {beta[0], beta[1], beta[2], beta[3]};
}

// The starting linear predictor of one trial; a response of 0 and of 1 have one each.
struct StartingValues {
  float failure = LogitModel::initial_eta(0.0F, 1.0F);
  float success = LogitModel::initial_eta(1.0F, 1.0F);

  float operator()(float y, bool binary) const {
    if (!binary) return LogitModel::initial_eta(y, 1.0F);
    return y == 1.0F ? success : failure;
  }
};

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

// The model's values of each class of observations at beta, as BlockValues and the pass
// form them for an observation of the class: its log-likelihood and its row as weighted.
struct ClassValues {
  float loglik;
  std::array<float, P> row;
  float z;
  float sign;
};

void evaluate_classes(const FitContext& fit, const RowClasses& classes,
                      const std::array<float, P>& beta, LogitModel::BinaryConstants constants,
                      std::int32_t method, std::vector<ClassValues>& out) {
  const CtglmArguments& a = fit.args;
  std::array<float, P - 1> offset{};
  for (std::size_t k = 0; k + 1 < P; ++k) offset[k] = fit.centred ? a.REGMEAN[k] : 0.0F;
  out.resize(classes.values.size());
  for (std::size_t c = 0; c < classes.values.size(); ++c) {
    const std::array<float, 5>& value = classes.values[c];
    const float x0 = value[0] - offset[0];
    const float x1 = value[1] - offset[1];
    const float x2 = value[2] - offset[2];
    const float o = value[3];
    const float y = value[4];
    float s = 0.0F;
    s += 1.0F * beta[0];
    s += x0 * beta[1];
    s += x1 * beta[2];
    s += x2 * beta[3];
    const float t = std::exp(LogitModel::clamped(s + o));
    const float mu = LogitModel::mean_of_exp(t);
    const float q = LogitModel::floored_complement(mu);
    const float log_q = std::log(q);
    const float log_ratio = y == 1.0F ? std::log(mu / q) : 0.0F;
    const float constant = y == 1.0F ? constants.one : constants.zero;
    const ModelValues v = LogitModel::combine(mu, q, y, 1.0F, constant, log_ratio, log_q);
    const Weighting r = weigh(v.d1, v.d2, method);
    out[c] = {v.loglik, {1.0F * r.w, x0 * r.w, x1 * r.w, x2 * r.w}, r.z, r.sign};
  }
}

// Columns 1 to 5 of a used observation's case statistics from its model values and centred
// regressors x: the leverage solves R'v = x over the coefficients that the factor kept.
void store_case(const FitContext& fit, float* stat, float mu, float d1, float d2, const float* x) {
  const CtglmArguments& a = fit.args;
  const auto ldcase = static_cast<std::size_t>(a.LDCASE);
  const auto ldr = static_cast<std::size_t>(a.LDCOV);
  const float* r = a.COVEST;
  float* v = fit.scratch;
  const float curvature = std::fabs(d2);
  stat[0] = mu;
  stat[ldcase] = d1;
  stat[2 * ldcase] = std::sqrt(curvature);
  stat[4 * ldcase] = safe_divide(d1, stat[2 * ldcase]);

  float vv = 0.0F;
  for (std::int32_t k = 0; k < fit.p; ++k) {
    const auto kk = static_cast<std::size_t>(k);
    const float diagonal = r[kk + kk * ldr];
    if (!(diagonal > 0.0F)) {
      v[k] = 0.0F;
      continue;
    }
    float s = x[k];
    for (std::int32_t l = 0; l < k; ++l) s -= r[static_cast<std::size_t>(l) + kk * ldr] * v[l];
    v[k] = s / diagonal;
    vv += v[k] * v[k];
  }
  stat[3 * ldcase] = curvature * vv;
}

// The case statistics of observation i on its own, whatever its code.
void case_statistics_of(FitContext& fit, std::int32_t i, const float* beta) {
  const CtglmArguments& a = fit.args;
  const auto ldcase = static_cast<std::size_t>(a.LDCASE);
  float* stat = a.CASESTAT + i;
  for (std::size_t c = 0; c < 5; ++c) stat[c * ldcase] = dist::AMACH(6);
  if (a.OBSCODE[i] == 2) return;
  float* x = fit.row;
  float o = 0.0F;
  if (!fit.regressors(i, x, o)) return;
  fit.centre(x);
  const float eta = dot(x, beta, fit.p) + o;
  const float y = fit.response(i);
  if (std::isnan(y)) {
    stat[0] = LogitModel::mean(eta);
    return;
  }
  const ModelValues m = fit.model.evaluate(eta, y, 1.0F);
  store_case(fit, stat, m.mu, m.d1, m.d2, x);
}

}  // namespace

void prepare_observations(FitContext& fit, Traversal traversal) {
  CtglmArguments& a = fit.args;
  const std::int32_t p = fit.p;
  float total = 0.0F;
  a.NMISSING = 0;
  for (std::int32_t k = 0; k + 1 < p; ++k) a.REGMEAN[k] = 0.0F;

  // One observation: its code, and its regressors x (intercept first) in the sums of the means
  // when it is used.
  auto take = [&](std::int32_t& code, bool complete, const float* x, float y) {
    if (a.MAXIT > 0) {
      code = 0;
    } else if (code != 0) {
      // With no iterations the codes are the caller's list of observations to skip.
      if (code == 1) ++a.NMISSING;
      return;
    }
    if (!complete || std::isnan(y)) {
      code = 1;
      ++a.NMISSING;
      return;
    }
    fit.binary = fit.binary && (y == 0.0F || y == 1.0F);
    total += 1.0F;
    for (std::int32_t k = 1; k < p; ++k) a.REGMEAN[k - 1] += x[k];
  };

  if (procedure_shape(fit, traversal)) {
    for (Block b(fit, false); b.next();) {
      for (std::size_t j = 0; j < b.size; ++j) {
        const std::array<float, P> x = b.row(j);
        const bool complete =
            !std::isnan(x[1]) && !std::isnan(x[2]) && !std::isnan(x[3]) && !std::isnan(b.o[j]);
        take(b.code[j], complete, x.data(), b.y[j]);
      }
    }
  } else {
    for (std::int32_t i = 0; i < a.NOBS; ++i) {
      float o = 0.0F;
      const bool complete = fit.regressors(i, fit.row, o);
      take(a.OBSCODE[i], complete, fit.row, fit.response(i));
    }
  }
  const float scale = total > 0.0F ? 1.0F / total : dist::AMACH(6);
  for (std::int32_t k = 0; k + 1 < p; ++k) a.REGMEAN[k] *= scale;
}

void add_initial_rows(FitContext& fit, Traversal traversal) {
  const CtglmArguments& a = fit.args;
  const StartingValues start;
  if (procedure_shape_binary(fit, traversal)) classify_once(fit);
  if (procedure_shape_binary(fit, traversal) && fit.row_classes) {
    // Each class's row and starting value once; the rows then go in in their order.
    const RowClasses& classes = *fit.row_classes;
    std::vector<std::array<float, P + 1>> rows(classes.values.size());
    for (std::size_t c = 0; c < rows.size(); ++c) {
      const std::array<float, 5>& value = classes.values[c];
      for (std::size_t k = 0; k + 1 < P; ++k)
        rows[c][k + 1] = value[k] - (fit.centred ? a.REGMEAN[k] : 0.0F);
      rows[c][0] = 1.0F;
      rows[c][P] = start(value[4], true);
    }
    ProcedureFactor factor(fit.factor);
    for (std::size_t i = 0; i < static_cast<std::size_t>(a.NOBS); ++i) {
      if (a.OBSCODE[i] != 0) continue;
      std::array<float, P + 1> row = rows[classes.of[i]];
      factor.add_row(row.data(), row[P], 1.0F);
    }
    factor.store();
    return;
  }
  if (procedure_shape_binary(fit, traversal)) {
    ProcedureFactor factor(fit.factor);
    for (Block b(fit, fit.centred); b.next();) {
      for (std::size_t j = 0; j < b.size; ++j) {
        if (b.code[j] != 0) continue;
        std::array<float, P> x = b.row(j);
        factor.add_row(x.data(), start(b.y[j], true), 1.0F);
      }
    }
    factor.store();
    return;
  }
  float* x = fit.row;
  for (std::int32_t i = 0; i < a.NOBS; ++i) {
    if (a.OBSCODE[i] != 0) continue;
    float o = 0.0F;
    fit.regressors(i, x, o);
    fit.centre(x);
    fit.factor.add_row(x, start(fit.response(i), fit.binary), 1.0F);
  }
}

float accumulate_rows(FitContext& fit, const float* beta, std::int32_t method,
                      Traversal traversal) {
  const CtglmArguments& a = fit.args;
  AccurateSum loglik;
  if (procedure_shape_binary(fit, traversal)) classify_once(fit);
  if (procedure_shape_binary(fit, traversal) && fit.row_classes) {
    // Each distinct observation is evaluated once; the observations then take their values in
    // their order, into the sum and the factor as the block pass below would.
    std::vector<ClassValues> values;
    evaluate_classes(fit, *fit.row_classes, procedure_beta(beta), fit.model.binary_constants(),
                     method, values);
    const std::vector<std::uint16_t>& of = fit.row_classes->of;
    ProcedureFactor factor(fit.factor);
    for (std::size_t i = 0; i < static_cast<std::size_t>(a.NOBS); ++i) {
      if (a.OBSCODE[i] != 0) continue;
      const ClassValues& v = values[of[i]];
      loglik.add(v.loglik);
      std::array<float, P> row = v.row;
      factor.add_row(row.data(), v.z, v.sign);
    }
    factor.store();
    return loglik.value();
  }
  if (procedure_shape_binary(fit, traversal)) {
    // The log-likelihood and the weights of a block's rows are formed first, so that the loop
    // that must go one row after the other, the rotations into a factor held in registers,
    // does nothing else.
    const std::array<float, P> b_in = procedure_beta(beta);
    const LogitModel::BinaryConstants constants = fit.model.binary_constants();
    ProcedureFactor factor(fit.factor);
    BlockValues v;
    std::array<Weighting, kBlock> weights;
    for (Block b(fit, fit.centred); b.next();) {
      v.evaluate(b, b_in, constants, true);
      for (std::size_t j = 0; j < b.size; ++j) {
        if (b.code[j] == 0) loglik.add(v.l[j]);
      }
      for (std::size_t j = 0; j < b.size; ++j) weights[j] = weigh(v.d1[j], v.d2[j], method);
      for (std::size_t j = 0; j < b.size; ++j) {
        if (b.code[j] != 0) continue;
        const Weighting& r = weights[j];
        std::array<float, P> row = {1.0F * r.w, b.x[0][j] * r.w, b.x[1][j] * r.w, b.x[2][j] * r.w};
        factor.add_row(row.data(), r.z, r.sign);
      }
    }
    factor.store();
    return loglik.value();
  }
  float* x = fit.row;
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

void compute_case_statistics(FitContext& fit, const float* beta, Traversal traversal) {
  const CtglmArguments& a = fit.args;
  if (!procedure_shape_binary(fit, traversal)) {
    for (std::int32_t i = 0; i < a.NOBS; ++i) case_statistics_of(fit, i, beta);
    return;
  }
  const std::array<float, P> b_in = procedure_beta(beta);
  const LogitModel::BinaryConstants constants = fit.model.binary_constants();
  BlockValues v;
  for (Block b(fit, fit.centred); b.next();) {
    v.evaluate(b, b_in, constants, false);
    for (std::size_t j = 0; j < b.size; ++j) {
      const auto i = static_cast<std::int32_t>(b.start + j);
      // Observations that are not used are rare and take the general way.
      if (b.code[j] != 0) {
        case_statistics_of(fit, i, beta);
        continue;
      }
      const std::array<float, P> x = b.row(j);
      store_case(fit, a.CASESTAT + i, v.mu[j], v.d1[j], v.d2[j], x.data());
    }
  }
}

void evaluate_case_models(FitContext& fit, const float* beta) {
  const CtglmArguments& a = fit.args;
  float* x = fit.row;
  for (std::int32_t i = 0; i < a.NOBS; ++i) {
    if (a.OBSCODE[i] == 2) continue;
    float o = 0.0F;
    if (!fit.regressors(i, x, o)) continue;
    const float y = fit.response(i);
    if (std::isnan(y)) continue;
    fit.centre(x);
    fit.model.evaluate(dot(x, beta, fit.p) + o, y, 1.0F);
  }
}

}  // namespace itemdif::glm

// The binomial model with the logit link (model number 3): the initial linear predictor and the
// log-likelihood of one observation with its first two derivatives.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace itemdif::glm {

/// One observation's values at a linear predictor eta.
struct ModelValues {
  float loglik = 0.0F;  ///< l
  float d1 = 0.0F;      ///< dl / d eta
  float d2 = 0.0F;      ///< d2l / d eta2
  float mu = 0.0F;      ///< success probability of one trial
};

/// Model 3. The constant of the log-likelihood, -ln(n + 1) - lnB(y + 1, n - y + 1), is kept
/// for the few distinct (y, n) pairs that a data set holds, so evaluating an observation does
/// not go through the error stack once the pair has been seen.
class LogitModel {
 public:
  /// Mode -1: ln t with t = (y + 0.5) / (n - y + 0.5), raised to 0.001 when smaller.
  static float initial_eta(float y, float n);

  /// The success probability at eta (clamped to [-7, 7]).
  static float mean(float eta) { return mean_of_exp(std::exp(clamped(eta))); }

  /// Mode 1: log-likelihood and derivatives at eta (clamped to [-7, 7]); 1 - mu is floored at
  /// 0.001 in l, d1 and d2.
  ModelValues evaluate(float eta, float y, float n) { return values(eta, y, n, constant(y, n)); }

  /// The constants of a response of 0 and of 1 in one trial, for `combine`.
  struct BinaryConstants {
    float zero;
    float one;
  };
  BinaryConstants binary_constants() { return {constant(0.0F, 1.0F), constant(1.0F, 1.0F)}; }

  /// The stages of mode 1, for a caller that evaluates many observations at once and calls
  /// the exponential and the logarithms in batches: eta is clamped, e = exp(eta) gives mu,
  /// q is 1 - mu floored, and `combine` takes ln(mu / q) and ln q. Composed in this order they
  /// give `evaluate` bit for bit.
  static float clamped(float eta) { return std::clamp(eta, -kEtaBound, kEtaBound); }
  static float mean_of_exp(float e) { return e / (e + 1.0F); }
  static float floored_complement(float mu) {
    const float q = 1.0F - mu;
    return q < kFloor ? kFloor : q;
  }
  static ModelValues combine(float mu, float q, float y, float n, float constant,
                             float log_ratio, float log_q) {
    ModelValues v;
    const float dmu = mu * (1.0F - mu);
    const float d2mu = dmu * (1.0F - 2.0F * mu);
    const float muq = mu * q;
    const float r = y - n * mu;
    v.mu = mu;
    v.loglik = constant + y * log_ratio + n * log_q;
    v.d1 = r * dmu / muq;
    v.d2 = (r / muq) * d2mu - dmu * dmu * ((1.0F - 2.0F * mu) * y + n * mu * mu) / (muq * muq);
    return v;
  }

 private:
  // Beyond |eta| = 7 the likelihood of a separated observation is flat to single precision;
  // clamping keeps mu away from 0 and 1 so that the derivatives stay finite.
  static constexpr float kEtaBound = 7.0F;
  static constexpr float kFloor = 0.001F;

  float constant(float y, float n);

  static ModelValues values(float eta, float y, float n, float constant) {
    const float mu = mean(eta);
    const float q = floored_complement(mu);
    return combine(mu, q, y, n, constant, std::log(mu / q), std::log(q));
  }

  static constexpr int kKept = 16;
  struct Kept {
    float y;
    float n;
    float value;
  };
  Kept kept_[kKept] = {};
  int used_ = 0;
};

}  // namespace itemdif::glm

// The binomial model with the logit link (model number 3): the initial linear predictor and the
// log-likelihood of one observation with its first two derivatives.
#pragma once

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
  static float mean(float eta);

  /// Mode 1: log-likelihood and derivatives at eta (clamped to [-7, 7]); 1 - mu is floored at
  /// 0.001 in l, d1 and d2.
  ModelValues evaluate(float eta, float y, float n);

  /// Forgets the kept constants (a new data set).
  void clear() { used_ = 0; }

 private:
  float constant(float y, float n);

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

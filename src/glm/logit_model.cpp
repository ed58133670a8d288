// Model 3 of the fitter: binomial response, logit link.
#include "glm/logit_model.hpp"

#include <algorithm>
#include <cmath>

#include "dist/albeta.hpp"

namespace itemdif::glm {
namespace {

// Beyond |eta| = 7 the likelihood of a separated observation is flat to single precision;
// clamping keeps mu away from 0 and 1 so that the derivatives stay finite.
constexpr float kEtaBound = 7.0F;
constexpr float kFloor = 0.001F;

}  // namespace

float LogitModel::initial_eta(float y, float n) {
  float t = (y + 0.5F) / (n - y + 0.5F);
  if (t < kFloor) t = kFloor;
  return std::log(t);
}

float LogitModel::mean(float eta) {
  const float e = std::exp(std::clamp(eta, -kEtaBound, kEtaBound));
  return e / (e + 1.0F);
}

float LogitModel::constant(float y, float n) {
  for (int i = 0; i < used_; ++i) {
    if (kept_[i].y == y && kept_[i].n == n) return kept_[i].value;
  }
  const float value = -std::log(n + 1.0F) - dist::ALBETA(y + 1.0F, n - y + 1.0F);
  if (used_ < kKept) kept_[used_++] = Kept{y, n, value};
  return value;
}

ModelValues LogitModel::evaluate(float eta, float y, float n) {
  ModelValues v;
  const float mu = mean(eta);
  const float dmu = mu * (1.0F - mu);
  const float d2mu = dmu * (1.0F - 2.0F * mu);
  float q = 1.0F - mu;
  if (q < kFloor) q = kFloor;
  const float muq = mu * q;
  const float r = y - n * mu;
  v.mu = mu;
  v.loglik = constant(y, n) + y * std::log(mu / q) + n * std::log(q);
  v.d1 = r * dmu / muq;
  v.d2 = (r / muq) * d2mu - dmu * dmu * ((1.0F - 2.0F * mu) * y + n * mu * mu) / (muq * muq);
  return v;
}

}  // namespace itemdif::glm

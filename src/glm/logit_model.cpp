// Model 3 of the fitter: binomial response, logit link.
#include "glm/logit_model.hpp"

#include <cmath>

#include "dist/albeta.hpp"

namespace itemdif::glm {

float LogitModel::initial_eta(float y, float n) {
  float t = (y + 0.5F) / (n - y + 0.5F);
  if (t < kFloor) t = kFloor;
  return std::log(t);
}

float LogitModel::constant(float y, float n) {
  for (int i = 0; i < used_; ++i) {
    if (kept_[i].y == y && kept_[i].n == n) return kept_[i].value;
  }
  const float value = -std::log(n + 1.0F) - dist::ALBETA(y + 1.0F, n - y + 1.0F);
  if (used_ < kKept) kept_[used_++] = Kept{y, n, value};
  return value;
}

}  // namespace itemdif::glm

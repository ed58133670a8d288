// The regression factor R2IVN (square-root-free Givens rotations with signed row weights).
#include "glm/givens.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "numerr/error_stack.hpp"

namespace itemdif::glm {

std::size_t RegressionFactor::storage_size(std::int32_t p) {
  const auto n = static_cast<std::size_t>(p);
  return n * n + 6 * n + 1;
}

RegressionFactor::RegressionFactor(std::int32_t p, float* storage) : p_(p) {
  const auto n = static_cast<std::size_t>(p);
  u_ = storage;
  d_ = u_ + n * n;
  theta_ = d_ + n;
  colmin_ = theta_ + n;
  colmax_ = colmin_ + n;
  dep_ = colmax_ + n;
  sserr_ = dep_ + n;
}

void RegressionFactor::init(float tolerance) {
  tolerance_ = tolerance;
  const auto n = static_cast<std::size_t>(p_);
  std::fill(u_, u_ + n * n, 0.0F);
  std::fill(d_, d_ + n, 0.0F);
  std::fill(theta_, theta_ + n, 0.0F);
  std::fill(colmin_, colmin_ + n, std::numeric_limits<float>::infinity());
  std::fill(colmax_, colmax_ + n, -std::numeric_limits<float>::infinity());
  std::fill(dep_, dep_ + n, 0.0F);
  *sserr_ = 0.0F;
}

void RegressionFactor::add_row(float* a, float z, float sign) {
  for (std::int32_t k = 0; k < p_; ++k) {
    colmin_[k] = std::min(colmin_[k], a[k]);
    colmax_[k] = std::max(colmax_[k], a[k]);
  }
  detail::rotate_row<0>(p_, d_, u_, theta_, *sserr_, a, z, sign, 0);
}

void RegressionFactor::finish(float* coefficients) {
  numerr::RoutineScope scope{"R2IVN"};
  const auto n = static_cast<std::size_t>(p_);
  bool constant_nonzero_seen = false;
  for (std::int32_t j = 0; j < p_; ++j) {
    bool dependent;
    if (colmin_[j] == colmax_[j]) {
      // A constant column: the first nonzero one (normally the intercept) carries the level,
      // every later one, and any column of zeros, adds nothing to it.
      dependent = colmin_[j] == 0.0F || constant_nonzero_seen;
      if (colmin_[j] != 0.0F) constant_nonzero_seen = true;
    } else {
      float explained = 0.0F;
      for (std::int32_t k = 0; k < j; ++k) {
        const float ukj = u_[static_cast<std::size_t>(k) * n + static_cast<std::size_t>(j)];
        explained += d_[k] * ukj * ukj;
      }
      dependent = d_[j] <= tolerance_ * explained;
    }
    // A weight that is not positive leaves no usable pivot, whatever the column looks like.
    if (d_[j] <= 0.0F) dependent = true;
    if (!dependent) continue;

    // Take column j out of the factor: its row still couples the later columns, so that part
    // is rotated back into the rows below before the row is cleared.
    float* uj = u_ + static_cast<std::size_t>(j) * n;
    const float wj = d_[j];
    const float zj = theta_[j];
    d_[j] = 0.0F;
    theta_[j] = 0.0F;
    dep_[j] = 1.0F;
    if (wj != 0.0F) detail::rotate_row<0>(p_, d_, u_, theta_, *sserr_, uj, zj, wj, j + 1);
    std::fill(uj, uj + n, 0.0F);
  }

  for (std::int32_t j = p_ - 1; j >= 0; --j) {
    if (dep_[j] != 0.0F) {
      coefficients[j] = 0.0F;
      continue;
    }
    const float* uj = u_ + static_cast<std::size_t>(j) * n;
    float b = theta_[j];
    for (std::int32_t k = j + 1; k < p_; ++k) b -= uj[k] * coefficients[k];
    coefficients[j] = b;
  }
}

void RegressionFactor::store_factor(float* r, std::int32_t ldr) const {
  const auto ld = static_cast<std::size_t>(ldr);
  const auto n = static_cast<std::size_t>(p_);
  for (std::size_t k = 0; k < n; ++k) {
    const bool usable = dep_[k] == 0.0F && d_[k] > 0.0F;
    const float root = usable ? std::sqrt(d_[k]) : 0.0F;
    for (std::size_t j = 0; j < n; ++j) {
      float value = 0.0F;
      if (usable && j == k) value = root;
      if (usable && j > k) value = root * u_[k * n + j];
      r[k + j * ld] = value;
    }
  }
}

}  // namespace itemdif::glm

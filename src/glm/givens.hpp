// The regression factor R2IVN: weighted rows rotated one at a time into a triangular factor,
// the linear-dependence rule and the back substitution.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace itemdif::glm {

/// A least-squares factor of p regressor columns and one response column, kept in the
/// square-root-free form R = D^(1/2) U: U unit upper triangular, D a diagonal of weights. After
/// rows a_i (regressors) and z_i (response) with signs s_i have been added,
///     U' D U = sum s_i a_i a_i'   and   U' D theta = sum s_i a_i z_i.
/// A row with sign -1 is removed (the hyperbolic counterpart of a Givens rotation); a weight of
/// D may then become zero or negative, and such a column counts as linearly dependent.
///
/// The factor never owns memory: it works in `storage_size(p)` floats that the caller reserves,
/// so one workspace serves every evaluation of a fit.
class RegressionFactor {
 public:
  static std::size_t storage_size(std::int32_t p);

  RegressionFactor() = default;
  RegressionFactor(std::int32_t p, float* storage);

  /// Empties the factor; `tolerance` is the rank tolerance of `finish`.
  void init(float tolerance);

  /// Rotates the row (a[0 .. p-1], z) into the factor with sign +1 (add) or -1 (remove).
  /// The row buffer `a` is used as scratch and is left changed.
  void add_row(float* a, float z, float sign);

  /// Decides which columns are linearly dependent (in column order) and solves for the
  /// coefficients: dependent ones are 0 and take no part in the others' back substitution.
  /// Registers itself on the error stack once (this is not the per-observation path).
  void finish(float* coefficients);

  std::int32_t columns() const { return p_; }
  bool dependent(std::int32_t k) const { return dep_[k] != 0.0F; }
  float weight(std::int32_t k) const { return d_[k]; }
  float unit(std::int32_t k, std::int32_t j) const { return u_[k * p_ + j]; }
  float residual_sum_of_squares() const { return *sserr_; }

  /// Writes the triangular factor R = D^(1/2) U (upper triangle, zeros below) into the
  /// column-major table `r` with leading dimension `ldr`. Rows of columns found dependent, or
  /// whose weight is not positive, are all 0.
  void store_factor(float* r, std::int32_t ldr) const;

 private:
  template <int P>
  friend class LocalFactor;
  friend class SkewedFactor4;

  std::int32_t p_ = 0;
  float tolerance_ = 0.0F;
  float* d_ = nullptr;       // p weights
  float* u_ = nullptr;       // p x p, row k holds U(k, j) for j > k
  float* theta_ = nullptr;   // p
  float* colmin_ = nullptr;  // p: smallest value seen in each column
  float* colmax_ = nullptr;  // p: largest value seen
  float* dep_ = nullptr;     // p: 1 when the column was found dependent
  float* sserr_ = nullptr;   // 1: residual sum of squares
};

namespace detail {

// One row of weight w meets row k of the factor: with d' = d + w a_k^2 the pair is replaced by
// row k' = (d/d') U_k + (w a_k/d') a and the remainder a - a_k U_k, which carries the weight
// w d/d' into the rows below. A negative w removes the row; the same formulas then describe
// the hyperbolic rotation, and only a weight that cancels exactly (d' = 0) cannot be carried on.
// Rows first .. p-1 take part (the row's entries before `first` are 0); P > 0 fixes p at
// compile time. U is stored row after row, p entries each.
template <int P>
inline void rotate_row(std::int32_t p_run, float* d, float* u, float* theta, float& sserr,
                       float* a, float z, float w, std::int32_t first) {
  const std::int32_t p = P > 0 ? P : p_run;
  for (std::int32_t k = first; k < p; ++k) {
    if (w == 0.0F) return;
    const float ak = a[k];
    if (ak == 0.0F) continue;
    const float di = d[k];
    const float dpi = di + w * ak * ak;
    if (dpi == 0.0F) {
      // The row and row k annihilate each other in this direction: nothing is left to carry.
      d[k] = 0.0F;
      return;
    }
    const float cbar = di / dpi;
    const float sbar = w * ak / dpi;
    w = cbar * w;
    d[k] = dpi;
    float* uk = u + static_cast<std::size_t>(k) * static_cast<std::size_t>(p);
    for (std::int32_t j = k + 1; j < p; ++j) {
      const float aj = a[j];
      a[j] = aj - ak * uk[j];
      uk[j] = cbar * uk[j] + sbar * aj;
    }
    const float zk = z;
    z = zk - ak * theta[k];
    theta[k] = cbar * theta[k] + sbar * zk;
  }
  sserr += w * z * z;
}

}  // namespace detail

/// The factor of P columns (P known at compile time) held in local arrays for one pass over
/// the observations: the rotations then run in registers instead of through the workspace.
/// `store` puts the state back into the factor it was taken from.
template <int P>
class LocalFactor {
 public:
  explicit LocalFactor(RegressionFactor& factor) : factor_(factor) {
    std::copy_n(factor.d_, P, d_.begin());
    std::copy_n(factor.u_, P * P, u_.begin());
    std::copy_n(factor.theta_, P, theta_.begin());
    std::copy_n(factor.colmin_, P, colmin_.begin());
    std::copy_n(factor.colmax_, P, colmax_.begin());
    sserr_ = *factor.sserr_;
  }

  /// As RegressionFactor::add_row.
  void add_row(float* a, float z, float sign) {
    for (std::size_t k = 0; k < P; ++k) {
      colmin_[k] = std::min(colmin_[k], a[k]);
      colmax_[k] = std::max(colmax_[k], a[k]);
    }
    detail::rotate_row<P>(P, d_.data(), u_.data(), theta_.data(), sserr_, a, z, sign, 0);
  }

  void store() const {
    std::copy_n(d_.begin(), P, factor_.d_);
    std::copy_n(u_.begin(), P * P, factor_.u_);
    std::copy_n(theta_.begin(), P, factor_.theta_);
    std::copy_n(colmin_.begin(), P, factor_.colmin_);
    std::copy_n(colmax_.begin(), P, factor_.colmax_);
    *factor_.sserr_ = sserr_;
  }

 private:
  RegressionFactor& factor_;
  std::array<float, P> d_{};
  std::array<float, P * P> u_{};
  std::array<float, P> theta_{};
  std::array<float, P> colmin_{};
  std::array<float, P> colmax_{};
  float sserr_ = 0.0F;
};

}  // namespace itemdif::glm

// The regression factor R2IVN: weighted rows rotated one at a time into a triangular factor,
// the linear-dependence rule and the back substitution.
#pragma once

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
  // The rotation of one row into rows first .. p-1 (the row's entries before `first` are 0).
  void rotate(float* a, float z, float w, std::int32_t first);

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

}  // namespace itemdif::glm

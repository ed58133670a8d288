// The logit fit of the logistic-regression procedure: a binary response on an intercept and
// three regressors, through CTGLM with the procedure's arguments.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace itemdif::glm {

/// One row of the coefficient table, in single precision as the fit gives it.
struct Coefficient {
  float estimate = 0.0F;
  float standard_error = 0.0F;
  float z = 0.0F;
  float p_value = 0.0F;
};

/// The coefficients (intercept, then the three regressors) and the log-likelihood.
struct LogitFit {
  std::array<Coefficient, 4> coefficients{};
  float log_likelihood = 0.0F;
};

/// The fit's own tables for one design size, kept from one fit to the next: the coefficient
/// table, covariance, regressor means, last update, case statistics (unless left out) and
/// observation codes.
/// A fit that CTGLM ends early (after an error it reports) leaves them as the previous fit
/// left them, and the coefficients returned are then those of the table as it stands.
class LogitFitter {
 public:
  /// Whether the fits compute the case statistics, which nothing returned here shows.
  enum class CaseStatistics { kComputed, kLeftOut };

  /// Reserves the tables of `n_observations` (at least 0) rows; throws std::bad_alloc or
  /// std::length_error when they cannot be had.
  explicit LogitFitter(std::int32_t n_observations,
                       CaseStatistics cases = CaseStatistics::kComputed);

  /// Fits the column-major n x 4 `design`: three regressors, then the response (0 or 1, or
  /// not-a-number when missing), by CTGLM with the arguments of three_effect_logit. Every
  /// problem goes to the error facility, which may end the run. Throws std::invalid_argument
  /// when the design does not hold 4 n values.
  LogitFit fit(std::span<const float> design);

  std::int32_t observations() const { return n_; }

 private:
  std::int32_t n_;
  std::vector<std::int32_t> observation_codes_;
  bool with_cases_;
  std::vector<float> case_statistics_;
  std::array<float, 4 * 4> coefficient_table_{};
  std::array<float, 4 * 4> covariance_{};
  std::array<float, 4> regressor_means_{};
  std::array<float, 4> last_update_{};
};

}  // namespace itemdif::glm

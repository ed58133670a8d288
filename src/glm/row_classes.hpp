// Observations that repeat one another. In the fits of the logistic procedure the regressors
// are a matching score, a group and their product, which take few values, so most
// observations share their regressors, fixed term and response with many others. Such
// observations have the same model values and the same weighted row at any estimates: a pass
// can evaluate each distinct one once.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace itemdif::glm {

struct FitContext;

/// Distinct observations are counted up to this many; a fit with more is not classed.
inline constexpr std::size_t kMaxRowClasses = 1024;

/// The classes of the used observations of a fit with an intercept and three regressors.
struct RowClasses {
  /// Per class: the three regressors as X holds them, the fixed term and the response.
  std::vector<std::array<float, 5>> values;
  /// Per observation: its class (used observations only; the others hold kNotClassed).
  std::vector<std::uint16_t> of;
};

inline constexpr std::uint16_t kNotClassed = 0xFFFF;

/// The classes of the observations whose code is 0, equal when their five values are equal
/// bit for bit; nothing when there are more than kMaxRowClasses.
std::optional<RowClasses> classify_rows(const FitContext& fit);

}  // namespace itemdif::glm

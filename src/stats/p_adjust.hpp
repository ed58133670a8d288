// Multiple-comparison adjustment of p-values across items.
#pragma once

#include <optional>
#include <vector>

#include "stats/analysis_options.hpp"

namespace itemdif::stats {

/// The adjusted p-values, position for position. Only the defined p-values take part and count
/// in the number of tests; an undefined p stays undefined. Holm: step-down, the i-th smallest
/// of n times (n - i + 1), running maximum, at most 1. Benjamini-Hochberg: step-up, the i-th
/// smallest times n / i, running minimum from the largest, at most 1. `none` returns p.
std::vector<std::optional<double>> adjust_p(const std::vector<std::optional<double>>& p,
                                            Adjust method);

}  // namespace itemdif::stats

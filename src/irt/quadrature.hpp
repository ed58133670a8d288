// The fixed quadrature rule: 61 nodes from -6 to 6 in steps of 0.2, each group's weights its
// normal density at the nodes, normalised to sum to one.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

namespace itemdif::irt {

inline constexpr std::size_t kNodes = 61;
/// Rows of node values are padded to this length so that loops over them vectorise cleanly;
/// the padding's log-weight is -infinity, so it never carries posterior mass.
inline constexpr std::size_t kRow = 64;

inline constexpr double node(std::size_t q) { return -6.0 + 0.2 * static_cast<double>(q); }

using NodeRow = std::array<double, kRow>;

/// log w_q of N(mu, sigma^2) on the nodes, and its derivatives in mu and log sigma.
struct GroupWeights {
  NodeRow log_w{}, d_mean{}, d_log_sd{};

  GroupWeights(double mu, double sigma) {
    NodeRow z{};
    double top = -std::numeric_limits<double>::infinity();
    for (std::size_t q = 0; q < kNodes; ++q) {
      z[q] = (node(q) - mu) / sigma;
      log_w[q] = -0.5 * z[q] * z[q];
      top = std::max(top, log_w[q]);
    }
    double sum = 0.0;
    for (std::size_t q = 0; q < kNodes; ++q) sum += std::exp(log_w[q] - top);
    const double log_norm = top + std::log(sum);
    double mean_z = 0.0, mean_z2 = 0.0;
    for (std::size_t q = 0; q < kNodes; ++q) {
      log_w[q] -= log_norm;
      const double w = std::exp(log_w[q]);
      mean_z += w * z[q];
      mean_z2 += w * z[q] * z[q];
    }
    for (std::size_t q = 0; q < kNodes; ++q) {
      d_mean[q] = (z[q] - mean_z) / sigma;
      d_log_sd[q] = z[q] * z[q] - mean_z2;
    }
    for (std::size_t q = kNodes; q < kRow; ++q) log_w[q] = -std::numeric_limits<double>::infinity();
  }
};

}  // namespace itemdif::irt

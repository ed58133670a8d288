// Simulated responses for the IRT tests: 2PL and graded items, groups with their own ability
// distributions and item parameters.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "irt/irt_dif.hpp"

namespace itemdif::irt::testing {

/// An item's slope and decreasing thresholds in one group.
struct SimItem {
  double a;
  std::vector<double> d;
};

struct Simulated {
  std::vector<std::uint8_t> scores, group;
  std::size_t n_items = 0;
  std::vector<int> score_min, score_max;

  IrtData data(std::size_t groups) const {
    IrtData d;
    d.scores = scores;
    d.n_items = n_items;
    d.group = group;
    d.groups = groups;
    d.score_min = score_min;
    d.score_max = score_max;
    return d;
  }
};

/// items[g][j] are group g's parameters of item j; n[g] examinees of group g with ability
/// N(mean[g], sd[g]^2).
inline Simulated simulate(const std::vector<std::vector<SimItem>>& items, const std::vector<std::size_t>& n,
                          const std::vector<double>& mean, const std::vector<double>& sd, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::normal_distribution<double> normal(0.0, 1.0);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  Simulated out;
  out.n_items = items[0].size();
  for (const SimItem& item : items[0]) {
    out.score_min.push_back(0);
    out.score_max.push_back(static_cast<int>(item.d.size()));
  }
  for (std::size_t g = 0; g < n.size(); ++g)
    for (std::size_t i = 0; i < n[g]; ++i) {
      const double theta = mean[g] + sd[g] * normal(rng);
      out.group.push_back(static_cast<std::uint8_t>(g));
      for (const SimItem& item : items[g]) {
        const double u = uniform(rng);
        int y = 0;
        for (double d : item.d)
          if (u < 1.0 / (1.0 + std::exp(-(item.a * theta + d)))) ++y;
        out.scores.push_back(static_cast<std::uint8_t>(y));
      }
    }
  return out;
}

}  // namespace itemdif::irt::testing

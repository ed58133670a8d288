// Multiple-comparison adjustment of p-values across items.
#include "stats/p_adjust.hpp"

#include <algorithm>
#include <cstddef>

namespace itemdif::stats {

std::vector<std::optional<double>> adjust_p(const std::vector<std::optional<double>>& p,
                                            Adjust method) {
  std::vector<std::optional<double>> adjusted = p;
  if (method == Adjust::none) return adjusted;
  std::vector<std::size_t> order;
  for (std::size_t j = 0; j < p.size(); ++j)
    if (p[j]) order.push_back(j);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t x, std::size_t y) { return *p[x] < *p[y]; });
  const std::size_t n = order.size();
  const double tests = static_cast<double>(n);
  if (method == Adjust::holm) {
    double running = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      const double value = std::min(1.0, (tests - static_cast<double>(i)) * *p[order[i]]);
      running = std::max(running, value);
      adjusted[order[i]] = running;
    }
  } else {
    double running = 1.0;
    for (std::size_t i = n; i-- > 0;) {
      const double value = std::min(1.0, tests / static_cast<double>(i + 1) * *p[order[i]]);
      running = std::min(running, value);
      adjusted[order[i]] = running;
    }
  }
  return adjusted;
}

}  // namespace itemdif::stats

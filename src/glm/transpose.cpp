// In-place transposition by following the cycles of the permutation.
#include "glm/transpose.hpp"

#include <cstddef>

namespace itemdif::glm {

void transpose_in_place(float* a, std::int64_t rows, std::int64_t cols, std::vector<bool>& seen) {
  const std::int64_t n = rows * cols;
  if (rows <= 1 || cols <= 1) return;  // a single row or column reads the same both ways
  seen.assign(static_cast<std::size_t>(n), false);
  for (std::int64_t start = 0; start < n; ++start) {
    if (seen[static_cast<std::size_t>(start)]) continue;
    std::int64_t position = start;
    float carried = a[position];
    do {
      const std::int64_t i = position % rows;
      const std::int64_t j = position / rows;
      const std::int64_t target = i * cols + j;
      const float displaced = a[target];
      a[target] = carried;
      carried = displaced;
      seen[static_cast<std::size_t>(target)] = true;
      position = target;
    } while (position != start);
  }
}

}  // namespace itemdif::glm

// Turning a column-major table into observation-major order in place, and back.
#pragma once

#include <cstdint>
#include <vector>

namespace itemdif::glm {

/// Transposes the dense rows x cols table `a` in place: element (i, j) moves from
/// `a[i + j * rows]` to `a[i * cols + j]`. Values are moved, never computed, so every bit
/// pattern (not-a-numbers included) comes through unchanged. `seen` is scratch of rows * cols
/// flags. Transposing with rows and cols exchanged undoes it.
void transpose_in_place(float* a, std::int64_t rows, std::int64_t cols, std::vector<bool>& seen);

}  // namespace itemdif::glm

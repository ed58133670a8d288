// The workspace that CTGLM reserves for one call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace itemdif::glm {

/// The work tables of one call: the floats of the fit (regression factor, trial estimates,
/// row buffer, scratch) and the capacity for NMAX observations set aside.
struct Workspace {
  std::vector<float> floats;

  /// Reserves the tables; false (and nothing held) when they cannot be had.
  bool reserve(std::int32_t ncoef, std::int32_t nmax);
};

/// Caps the workspace at `floats` floats (0: only the memory limits it), so that the failure
/// and the retry rule can be exercised in tests.
void set_workspace_limit(std::size_t floats);

}  // namespace itemdif::glm

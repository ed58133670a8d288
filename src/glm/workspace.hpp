// The workspace that CTGLM reserves for one call, and the call with its workspace capped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "glm/ctglm.hpp"

namespace itemdif::glm {

/// No cap on the workspace but what the memory gives.
inline constexpr std::size_t kUncappedWorkspace = std::numeric_limits<std::size_t>::max();

/// The work tables of one call: the floats of the fit (regression factor, trial estimates,
/// row buffer, scratch) and the capacity for NMAX observations set aside.
struct Workspace {
  std::vector<float> floats;

  /// Reserves the tables; false (and nothing held) when they need more than `max_floats`
  /// floats or cannot be had.
  bool reserve(std::int32_t ncoef, std::int32_t nmax, std::size_t max_floats);
};

/// CTGLM with its workspace held to at most `max_floats` floats: a larger request fails as
/// one the memory cannot meet, and the retry rule takes its course. CTGLM is this call with
/// kUncappedWorkspace.
void ctglm_with_workspace_cap(CtglmArguments& a, std::size_t max_floats);

}  // namespace itemdif::glm

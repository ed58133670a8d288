// The names of the analysis's choices as the command line writes them: one table per choice,
// read by the command line's parser and by the summary.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "stats/analysis_options.hpp"

namespace itemdif::stats {

template <typename Enum>
struct Named {
  const char* name;
  Enum value;
};

inline constexpr std::array<Named<MissingPolicy>, 3> kMissingNames = {{
    {"excluded", MissingPolicy::excluded},
    {"incorrect", MissingPolicy::incorrect},
    {"listwise", MissingPolicy::listwise},
}};
inline constexpr std::array<Named<PurifyMode>, 3> kPurifyNames = {{
    {"iterative", PurifyMode::iterative},
    {"two-pass", PurifyMode::two_pass},
    {"none", PurifyMode::none},
}};
inline constexpr std::array<Named<Adjust>, 3> kAdjustNames = {{
    {"none", Adjust::none},
    {"holm", Adjust::holm},
    {"bh", Adjust::bh},
}};

/// The name of `value` in `table`.
template <typename Enum, std::size_t N>
const char* name_of(const std::array<Named<Enum>, N>& table, Enum value) {
  for (const auto& entry : table)
    if (entry.value == value) return entry.name;
  return "";
}

/// Every name of `table`, in its order.
template <typename Enum, std::size_t N>
std::vector<std::string> names_of(const std::array<Named<Enum>, N>& table) {
  std::vector<std::string> names;
  for (const auto& entry : table) names.emplace_back(entry.name);
  return names;
}

}  // namespace itemdif::stats

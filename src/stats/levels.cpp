// Levels of matching scores.
#include "stats/levels.hpp"

#include <algorithm>
#include <string>

namespace itemdif::stats {

namespace {

std::string level_text(const std::pair<int, int>& level) {
  return std::to_string(level.first) + "-" + std::to_string(level.second);
}

}  // namespace

void check_level_spec(const LevelSpec& spec) {
  switch (spec.kind) {
    case LevelSpec::Kind::thin:
      return;
    case LevelSpec::Kind::equal_width:
      if (spec.count < 1)
        throw data::InputError("the number of levels must be at least 1, not " +
                               std::to_string(spec.count));
      return;
    case LevelSpec::Kind::bounds:
      break;
  }
  std::vector<std::pair<int, int>> kept;
  for (const auto& level : spec.bounds) {
    if (level.first < 0 || level.second < 0)
      throw data::InputError("level " + level_text(level) + " has a negative bound");
    if (level.first <= level.second) kept.push_back(level);
  }
  if (kept.empty()) throw data::InputError("no level has its low at most its high");
  std::sort(kept.begin(), kept.end());
  for (std::size_t k = 1; k < kept.size(); ++k)
    if (kept[k].first <= kept[k - 1].second)
      throw data::InputError("levels " + level_text(kept[k - 1]) + " and " +
                             level_text(kept[k]) + " overlap");
}

std::vector<std::pair<int, int>> level_bounds(const LevelSpec& spec, int m) {
  std::vector<std::pair<int, int>> bounds;
  switch (spec.kind) {
    case LevelSpec::Kind::thin:
      for (int t = 0; t <= m; ++t) bounds.emplace_back(t, t);
      break;
    case LevelSpec::Kind::equal_width: {
      const long long scores = static_cast<long long>(m) + 1;
      const long long count = spec.count;
      for (long long k = 0; k < count; ++k) {
        const long long low = k * scores / count;
        const long long high = (k + 1) * scores / count - 1;
        if (low <= high) bounds.emplace_back(static_cast<int>(low), static_cast<int>(high));
      }
      break;
    }
    case LevelSpec::Kind::bounds:
      for (const auto& level : spec.bounds)
        if (level.first <= level.second) bounds.push_back(level);
      break;
  }
  return bounds;
}

std::vector<LevelRow> level_rows(const ScoreCounts& counts, std::size_t item, int m,
                                 const std::vector<std::pair<int, int>>& bounds,
                                 int min_per_group) {
  std::vector<LevelRow> rows;
  rows.reserve(bounds.size());
  const int top = std::min(m, static_cast<int>(counts.max_score()));
  for (const auto& [low, high] : bounds) {
    LevelRow row;
    row.low = low;
    row.high = high;
    std::uint64_t n[2][2] = {{0, 0}, {0, 0}};
    for (int t = std::max(low, 0); t <= std::min(high, top); ++t)
      for (std::uint8_t g = 0; g < 2; ++g)
        for (std::uint8_t x = 0; x < 2; ++x)
          n[g][x] += counts.at(item, static_cast<std::size_t>(t), g, x);
    row.reference_correct = static_cast<double>(n[data::kReferenceGroup][1]);
    row.reference_incorrect = static_cast<double>(n[data::kReferenceGroup][0]);
    row.focal_correct = static_cast<double>(n[data::kFocalGroup][1]);
    row.focal_incorrect = static_cast<double>(n[data::kFocalGroup][0]);
    const auto least = static_cast<std::uint64_t>(min_per_group);
    row.used = n[0][0] + n[0][1] >= least && n[1][0] + n[1][1] >= least;
    rows.push_back(row);
  }
  return rows;
}

}  // namespace itemdif::stats

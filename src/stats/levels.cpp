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

std::vector<std::pair<int, int>> level_bounds(const LevelSpec& spec, int lo, int hi) {
  std::vector<std::pair<int, int>> bounds;
  switch (spec.kind) {
    case LevelSpec::Kind::thin:
      for (int t = lo; t <= hi; ++t) bounds.emplace_back(t, t);
      break;
    case LevelSpec::Kind::equal_width: {
      const long long scores = static_cast<long long>(hi) - lo + 1;
      const long long count = spec.count;
      for (long long k = 0; k < count; ++k) {
        const long long low = lo + k * scores / count;
        const long long high = lo + (k + 1) * scores / count - 1;
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

std::vector<LevelTable> level_tables(const ScoreCounts& counts, std::size_t item,
                                     const ItemRange& range,
                                     const std::vector<std::size_t>& groups,
                                     const std::vector<std::pair<int, int>>& bounds,
                                     int min_per_group) {
  std::vector<LevelTable> tables;
  tables.reserve(bounds.size());
  // Counts are kept from the lowest matching score on (0 for sums of item scores).
  const int bottom = counts.lowest_sum();
  const int top = bottom + static_cast<int>(counts.max_sum());
  std::vector<std::uint64_t> n(groups.size() * static_cast<std::size_t>(range.score_max + 1));
  for (const auto& [low, high] : bounds) {
    LevelTable table(low, high, groups.size(), range.score_min, range.score_max);
    std::fill(n.begin(), n.end(), 0);
    for (int t = std::max(low, bottom); t <= std::min(high, top); ++t)
      for (std::size_t g = 0; g < groups.size(); ++g)
        for (int y = range.score_min; y <= range.score_max; ++y)
          n[g * static_cast<std::size_t>(range.score_max + 1) + static_cast<std::size_t>(y)] +=
              counts.at(item, static_cast<std::size_t>(t - bottom), groups[g], y);
    table.used = true;
    for (std::size_t g = 0; g < groups.size(); ++g) {
      std::uint64_t size = 0;
      for (int y = range.score_min; y <= range.score_max; ++y) {
        const std::uint64_t k =
            n[g * static_cast<std::size_t>(range.score_max + 1) + static_cast<std::size_t>(y)];
        table.count(g, y) = static_cast<double>(k);
        size += k;
      }
      table.used = table.used && size >= static_cast<std::uint64_t>(min_per_group);
    }
    tables.push_back(std::move(table));
  }
  return tables;
}

}  // namespace itemdif::stats

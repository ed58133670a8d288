// The examinees of an IRT analysis as distinct response patterns with counts.
#include "irt/response_patterns.hpp"

#include <algorithm>
#include <tuple>

#include "data/item_scores.hpp"

namespace itemdif::irt {

std::size_t ResponsePatterns::responses_of(std::size_t k, std::size_t g) const {
  std::size_t n = 0;
  for (std::size_t c : responses[k][g]) n += c;
  return n;
}

ResponsePatterns response_patterns(const IrtData& data) {
  ResponsePatterns out;
  out.scores = data.scores;
  out.n_columns = data.n_items;
  out.groups = data.groups;
  const std::size_t n_rows = data.group.size();
  const bool incorrect = data.missing == MissingPolicy::incorrect;

  // A missing response is read as score_min under `incorrect` and leaves the product otherwise.
  auto score_of = [&](std::size_t j, std::uint8_t b) -> int {
    if (b != data::kMissing) return b;
    return incorrect ? data.score_min[j] : -1;
  };

  std::vector<std::array<bool, 256>> occurs(data.n_items);
  for (auto& o : occurs) o.fill(false);
  for (std::size_t i = 0; i < n_rows; ++i) {
    if (data.group[i] >= data.groups) continue;
    const std::uint8_t* r = data.scores.data() + i * data.n_items;
    for (std::size_t j = 0; j < data.n_items; ++j) {
      const int y = score_of(j, r[j]);
      if (y >= 0) occurs[j][static_cast<std::size_t>(y)] = true;
    }
  }

  out.part_of.assign(data.n_items, -1);
  for (std::size_t j = 0; j < data.n_items; ++j) {
    ItemCategories item;
    item.column = j;
    item.of_byte.fill(-1);
    for (int y = 0; y < 256; ++y)
      if (occurs[j][static_cast<std::size_t>(y)]) {
        item.of_byte[static_cast<std::size_t>(y)] = static_cast<std::int16_t>(item.scores.size());
        item.scores.push_back(y);
      }
    if (item.scores.size() < 2) continue;
    if (incorrect) item.of_byte[data::kMissing] = item.of_byte[static_cast<std::size_t>(data.score_min[j])];
    out.part_of[j] = static_cast<int>(out.items.size());
    out.items.push_back(item);
  }
  const std::size_t n_items = out.items.size();

  // Rows are sorted by group and a hash of their categories; equal rows then sit together.
  auto category = [&](std::size_t i, std::size_t k) {
    return out.items[k].of_byte[data.scores[i * data.n_items + out.items[k].column]];
  };
  std::vector<std::tuple<std::uint8_t, std::uint64_t, std::uint32_t>> keyed;
  keyed.reserve(n_rows);
  for (std::size_t i = 0; i < n_rows; ++i) {
    if (data.group[i] >= data.groups) continue;
    std::uint64_t h = 1469598103934665603ull;
    bool any = false;
    for (std::size_t k = 0; k < n_items; ++k) {
      const int c = category(i, k);
      any = any || c >= 0;
      h = (h ^ static_cast<std::uint64_t>(c + 1)) * 1099511628211ull;
    }
    if (any) keyed.emplace_back(data.group[i], h, static_cast<std::uint32_t>(i));
  }
  std::sort(keyed.begin(), keyed.end());
  auto same = [&](std::size_t a, std::size_t b) {
    for (std::size_t k = 0; k < n_items; ++k)
      if (category(a, k) != category(b, k)) return false;
    return true;
  };
  for (std::size_t s = 0; s < keyed.size();) {
    std::size_t e = s;
    while (e < keyed.size() && std::get<0>(keyed[e]) == std::get<0>(keyed[s]) &&
           std::get<1>(keyed[e]) == std::get<1>(keyed[s]))
      ++e;
    const std::size_t first = out.row.size();
    for (std::size_t t = s; t < e; ++t) {
      const std::uint32_t i = std::get<2>(keyed[t]);
      std::size_t p = first;
      while (p < out.row.size() && !same(out.row[p], i)) ++p;
      if (p == out.row.size()) {
        out.row.push_back(i);
        out.group.push_back(std::get<0>(keyed[t]));
        out.count.push_back(0.0);
      }
      out.count[p] += 1.0;
    }
    s = e;
  }

  out.responses.assign(n_items, std::vector<std::vector<std::size_t>>(data.groups));
  for (std::size_t k = 0; k < n_items; ++k)
    for (auto& r : out.responses[k]) r.assign(out.items[k].scores.size(), 0);
  out.examinees.assign(data.groups, 0);
  for (std::size_t p = 0; p < out.row.size(); ++p) {
    const auto n = static_cast<std::size_t>(out.count[p]);
    out.examinees[out.group[p]] += n;
    for (std::size_t k = 0; k < n_items; ++k) {
      const int c = out.items[k].of_byte[out.byte(p, k)];
      if (c >= 0) out.responses[k][out.group[p]][static_cast<std::size_t>(c)] += n;
    }
  }
  return out;
}

}  // namespace itemdif::irt

// The bundles' counting pass and their values.
#include "stats/bundles.hpp"

#include "stats/method_list.hpp"
#include "stats/notes.hpp"

namespace itemdif::stats {

std::vector<BundleTable> bundle_tables(const AnalysisFrame& frame, const AnalyzeOptions& options,
                                       const std::vector<std::uint8_t>& matching) {
  const data::ItemScores& scores = frame.scores;
  const std::size_t items = scores.n_items();
  std::vector<BundleTable> tables(options.bundles.size());
  std::vector<std::vector<std::uint8_t>> in_bundle(tables.size(),
                                                   std::vector<std::uint8_t>(items, 0));
  for (std::size_t b = 0; b < tables.size(); ++b) {
    BundleTable& t = tables[b];
    t.index = b;
    t.range = {0, 0, true};
    for (const std::size_t j : options.bundles[b].items) {
      in_bundle[b][j] = 1;
      t.range.score_min += frame.ranges[j].score_min;
      t.range.score_max += frame.ranges[j].score_max;
    }
    t.x_low = 0;
    t.x_high = 0;
    for (std::size_t j = 0; j < items; ++j)
      if (matching[j] && !in_bundle[b][j]) {
        t.subtest.push_back(j);
        t.x_low += frame.ranges[j].score_min;
        t.x_high += frame.ranges[j].score_max;
      }
    const auto scores_y = static_cast<std::size_t>(t.range.score_max - t.range.score_min + 1);
    t.n.assign(static_cast<std::size_t>(t.x_high - t.x_low + 1) * 2 * scores_y, 0.0);
    t.moments.assign(2 * t.subtest.size(), Moments{});
  }

  const bool excluded = options.missing == MissingPolicy::excluded;
  const auto value = [&](const std::uint8_t* row, std::size_t j) {
    return row[j] == data::kMissing ? frame.ranges[j].score_min : static_cast<int>(row[j]);
  };
  for (std::size_t i = 0; i < scores.n_examinees; ++i) {
    if (!frame.taking_part[i]) continue;
    const std::size_t code = scores.group[i];
    const std::size_t g = code < frame.counted_group.size() ? frame.counted_group[code] : 2;
    if (g >= 2) continue;
    const std::uint8_t* row = scores.scores.data() + i * items;
    for (BundleTable& t : tables) {
      const std::vector<std::size_t>& bundle_items = options.bundles[t.index].items;
      int y = 0;
      bool answered = true;
      for (const std::size_t j : bundle_items) {
        answered = answered && row[j] != data::kMissing;
        y += value(row, j);
      }
      if (excluded && !answered) continue;
      int x = 0;
      for (std::size_t s = 0; s < t.subtest.size(); ++s) {
        const double v = value(row, t.subtest[s]);
        x += static_cast<int>(v);
        Moments& m = t.moments[g * t.subtest.size() + s];
        m.n += 1;
        m.sum += v;
        m.squares += v * v;
      }
      const auto scores_y = static_cast<std::size_t>(t.range.score_max - t.range.score_min + 1);
      t.n[(static_cast<std::size_t>(x - t.x_low) * 2 + g) * scores_y +
          static_cast<std::size_t>(y - t.range.score_min)] += 1;
    }
  }
  return tables;
}

std::vector<BundleResult> bundle_values(const AnalysisFrame& frame, const AnalyzeOptions& options,
                                        const std::vector<std::uint8_t>& matching) {
  const std::vector<BundleTable> tables = bundle_tables(frame, options, matching);
  const std::span<const Method> list = methods();
  std::vector<BundleResult> results;
  for (const BundleTable& t : tables) {
    BundleResult r;
    r.name = options.bundles[t.index].name;
    for (const std::size_t j : options.bundles[t.index].items)
      r.items.push_back(frame.scores.item_names[j]);
    r.range = t.range;
    const auto scores_y = static_cast<std::size_t>(t.range.score_max - t.range.score_min + 1);
    double n[2] = {0, 0};
    for (std::size_t k = 0; k < t.n.size(); ++k) n[(k / scores_y) % 2] += t.n[k];
    r.n_reference = static_cast<std::size_t>(n[0]);
    r.n_focal = static_cast<std::size_t>(n[1]);
    r.methods.resize(list.size());
    for (const std::size_t m : options.methods) {
      if (!list[m].compute_bundle) continue;
      r.methods[m] = list[m].compute_bundle(t, options);
      add_note(r.note, r.methods[m].note);
    }
    results.push_back(std::move(r));
  }
  return results;
}

}  // namespace itemdif::stats

// The DIF analysis of item scores: options checked, examinees selected, then purification
// rounds, each one counting pass over the scores followed by every item's statistics.
#include "stats/dif_analysis.hpp"

#include <cmath>
#include <limits>
#include <mutex>

#include "stats/breslow_day.hpp"
#include "stats/examinees.hpp"
#include "stats/levels.hpp"
#include "stats/lr_values.hpp"
#include "stats/mh_values.hpp"
#include "stats/p_adjust.hpp"
#include "stats/parallel_items.hpp"
#include "stats/purification.hpp"
#include "stats/score_counts.hpp"
#include "stats/std_values.hpp"

namespace itemdif::stats {

namespace {

void check_options(const AnalyzeOptions& options) {
  check_level_spec(options.levels);
  if (options.min_per_group < 1)
    throw data::InputError("the examinees per group of a used level must be at least 1, not " +
                           std::to_string(options.min_per_group));
  if (options.max_rounds < 1)
    throw data::InputError("the number of purification rounds must be at least 1, not " +
                           std::to_string(options.max_rounds));
  if (!(options.alpha > 0.0 && options.alpha < 1.0))
    throw data::InputError("alpha must lie between 0 and 1");
}

/// The group sizes and proportions correct of one item over all its examinees, whatever their
/// matching score.
void describe_item(const ScoreCounts& counts, std::size_t item, ItemResult& result) {
  std::uint64_t n[2][2] = {{0, 0}, {0, 0}};
  for (std::size_t t = 0; t <= counts.max_score(); ++t)
    for (std::uint8_t g = 0; g < 2; ++g)
      for (std::uint8_t x = 0; x < 2; ++x) n[g][x] += counts.at(item, t, g, x);
  const std::uint64_t reference = n[data::kReferenceGroup][0] + n[data::kReferenceGroup][1];
  const std::uint64_t focal = n[data::kFocalGroup][0] + n[data::kFocalGroup][1];
  result.n_reference = static_cast<std::size_t>(reference);
  result.n_focal = static_cast<std::size_t>(focal);
  if (reference > 0)
    result.p_reference = static_cast<double>(n[data::kReferenceGroup][1]) /
                         static_cast<double>(reference);
  else
    add_note(result.note, "no reference examinee answered the item");
  if (focal > 0)
    result.p_focal =
        static_cast<double>(n[data::kFocalGroup][1]) / static_cast<double>(focal);
  else
    add_note(result.note, "no focal examinee answered the item");
}

/// One item's values in a round, written only to `r`.
void item_statistics(const data::ItemScores& scores, const ScoreCounts& counts,
                     const AnalyzeOptions& options, std::size_t j, int m, ItemResult& r) {
  r.name = scores.item_names[j];
  describe_item(counts, j, r);
  r.levels = level_rows(counts, j, m, level_bounds(options.levels, m), options.min_per_group);
  r.mh = mh_values(r.levels, options.alpha, r.note);
  if (options.methods.standardization) r.std_dif = std_values(r.levels);
  if (options.methods.breslow_day) r.bd = breslow_day(r.levels, r.mh.alpha, r.note);
  if (options.methods.logistic_regression)
    r.lr = lr_values(binomial_cells(counts, j), options.alpha, r.coefficients, r.note);
}

/// One test's p-values adjusted across the items: read by `raw`, stored by `adjusted`.
template <typename Get, typename Set>
void adjust_across_items(std::vector<ItemResult>& results, Adjust method, Get raw, Set adjusted) {
  std::vector<std::optional<double>> p(results.size());
  for (std::size_t j = 0; j < results.size(); ++j) p[j] = raw(results[j]);
  const std::vector<std::optional<double>> values = adjust_p(p, method);
  for (std::size_t j = 0; j < results.size(); ++j) adjusted(results[j], values[j]);
}

/// One round: the counting pass and every item's results, with p adjusted and flags set.
std::vector<ItemResult> run_round(const data::ItemScores& scores, const Examinees& examinees,
                                  const AnalyzeOptions& options,
                                  const std::vector<std::size_t>& left_out, int round,
                                  const Progress& progress) {
  const std::size_t items = scores.n_items();
  std::vector<std::uint8_t> matching(items, 1);
  for (std::size_t j : left_out) matching[j] = 0;
  const int matched = static_cast<int>(items - left_out.size());

  if (progress) progress(round, 0, items);
  const ScoreCounts counts = count_scores(scores, examinees, options.missing, matching);

  std::vector<ItemResult> results(items);
  std::mutex progress_mutex;
  std::size_t done = 0;
  for_each_item(items, options.threads, [&](std::size_t j) {
    const int m = matched + (matching[j] ? 0 : 1);
    item_statistics(scores, counts, options, j, m, results[j]);
    if (!progress) return;
    const std::lock_guard<std::mutex> lock(progress_mutex);
    progress(round, ++done, items);
  });

  adjust_across_items(
      results, options.adjust, [](const ItemResult& r) { return r.mh.p; },
      [](ItemResult& r, const std::optional<double>& p) { r.mh.p_adjusted = p; });
  if (options.methods.logistic_regression)
    adjust_across_items(
        results, options.adjust, [](const ItemResult& r) { return r.lr.p; },
        [](ItemResult& r, const std::optional<double>& p) { r.lr.p_adjusted = p; });
  for (ItemResult& r : results) r.flagged = meets_flag_rule(r.mh, options.flag, options.alpha);
  return results;
}

}  // namespace

DifAnalysis analyze_scores(const data::ItemScores& scores, const AnalyzeOptions& options,
                           const Progress& progress) {
  check_options(options);
  if (scores.n_examinees > std::numeric_limits<std::uint32_t>::max())
    throw data::InputError("more examinees than one analysis counts");
  const Examinees examinees = select_examinees(scores, options.missing);

  DifAnalysis analysis;
  analysis.n_reference = examinees.n_reference;
  analysis.n_focal = examinees.n_focal;
  analysis.listwise_left_out = examinees.left_out;

  const Purification rounds = purify(
      options.purify, options.max_rounds,
      [&](int round, const std::vector<std::size_t>& left_out) {
        analysis.items = run_round(scores, examinees, options, left_out, round, progress);
        std::vector<std::size_t> flagged;
        for (std::size_t j = 0; j < analysis.items.size(); ++j)
          if (analysis.items[j].flagged) flagged.push_back(j);
        return flagged;
      });
  analysis.rounds = rounds.rounds;
  analysis.converged = rounds.converged;
  return analysis;
}

}  // namespace itemdif::stats

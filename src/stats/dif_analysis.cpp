// The DIF analysis of item scores: options checked, examinees selected and item ranges fixed
// over every group, then per focal group its comparison with the reference group, and with
// several focal groups the overall analysis of every group together: purification rounds, each
// one counting pass over the groups' scores followed by every item's values.
#include "stats/dif_analysis.hpp"

#include <algorithm>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "stats/examinees.hpp"
#include "stats/levels.hpp"
#include "stats/method_list.hpp"
#include "stats/notes.hpp"
#include "stats/overall_analysis.hpp"
#include "stats/p_adjust.hpp"
#include "stats/parallel_items.hpp"
#include "stats/purification.hpp"
#include "stats/score_cells.hpp"
#include "stats/score_counts.hpp"

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
  const std::size_t known = methods().size();
  bool in_order = !options.methods.empty() && options.methods.front() == 0;
  for (std::size_t k = 1; k < options.methods.size(); ++k)
    in_order = in_order && options.methods[k - 1] < options.methods[k];
  if (!in_order || options.methods.back() >= known)
    throw data::InputError("the methods must be listed once each, in list order, mh first");
}

/// What one comparison counts: the examinees of its two groups, mapped by `counted_group` from
/// their group codes to 0 (reference) and 1 (focal), every other group left out; `groups` are
/// their codes in the counts, the reference group first.
struct ComparisonFrame {
  const data::ItemScores& scores;
  const std::vector<std::uint8_t>& taking_part;
  const std::vector<ItemRange>& ranges;
  std::vector<std::uint8_t> counted_group;
  std::vector<std::size_t> groups;
};

/// A round's matching set: the items matched on and the range of their score sum.
struct MatchingSet {
  std::vector<std::uint8_t> matching;
  const std::vector<ItemRange>& ranges;
  int lo = 0, hi = 0;

  /// Item j's range of matching scores: an item outside the set is matched on the sum plus
  /// its own score.
  std::pair<int, int> bounds(std::size_t j) const {
    if (matching[j]) return {lo, hi};
    return {lo + ranges[j].score_min, hi + ranges[j].score_max};
  }
};

MatchingSet matching_set(const std::vector<ItemRange>& ranges,
                         const std::vector<std::size_t>& left_out) {
  MatchingSet set{std::vector<std::uint8_t>(ranges.size(), 1), ranges};
  for (std::size_t j : left_out) set.matching[j] = 0;
  for (std::size_t j = 0; j < ranges.size(); ++j)
    if (set.matching[j]) {
      set.lo += ranges[j].score_min;
      set.hi += ranges[j].score_max;
    }
  return set;
}

/// The items a round flags, in item order.
template <typename Item>
std::vector<std::size_t> flagged_items(const std::vector<Item>& items) {
  std::vector<std::size_t> flagged;
  for (std::size_t j = 0; j < items.size(); ++j)
    if (items[j].flagged) flagged.push_back(j);
  return flagged;
}

/// The group sizes and mean scores of one item over all its examinees, whatever their
/// matching score.
void describe_item(std::span<const ScoreCell> cells, ItemResult& result) {
  double n[2] = {0, 0}, sum[2] = {0, 0};
  for (const ScoreCell& cell : cells) {
    n[cell.group] += cell.count;
    sum[cell.group] += cell.score * cell.count;
  }
  result.n_reference = static_cast<std::size_t>(n[0]);
  result.n_focal = static_cast<std::size_t>(n[1]);
  if (n[0] > 0)
    result.mean_reference = sum[0] / n[0];
  else
    add_note(result.note, "no reference examinee answered the item");
  if (n[1] > 0)
    result.mean_focal = sum[1] / n[1];
  else
    add_note(result.note, "no focal examinee answered the item");
}

/// One item's values in a round, matched on scores from `lo` to `hi`.
ItemResult item_result(const ComparisonFrame& frame, const ScoreCounts& counts,
                       const AnalyzeOptions& options, std::size_t j, int lo, int hi) {
  ItemResult r;
  r.name = frame.scores.item_names[j];
  r.range = frame.ranges[j];
  r.levels = level_tables(counts, j, r.range, frame.groups, level_bounds(options.levels, lo, hi),
                          options.min_per_group);
  const std::vector<ScoreCell> cells = score_cells(counts, j, r.range, frame.groups);
  describe_item(cells, r);
  const std::span<const Method> list = methods();
  r.methods.resize(list.size());
  for (const std::size_t m : options.methods) {
    const ItemInput input{r.range, r.levels, cells, options.alpha,
                          std::span<const MethodValues>(r.methods.data(), m)};
    r.methods[m] = list[m].compute(input);
    add_note(r.note, r.methods[m].note);
  }
  return r;
}

/// Every adjusted p-value column of the methods run: its raw p-values adjusted across the items.
void adjust_across_items(std::vector<ItemResult>& items, const AnalyzeOptions& options) {
  const std::span<const Method> list = methods();
  for (const std::size_t m : options.methods)
    for (std::size_t c = 0; c < list[m].columns.size(); ++c) {
      const Column& column = list[m].columns[c];
      if (column.adjusts.empty()) continue;
      std::vector<std::optional<double>> p(items.size());
      for (std::size_t j = 0; j < items.size(); ++j) p[j] = items[j].number(column.adjusts);
      const std::vector<std::optional<double>> adjusted = adjust_p(p, options.adjust);
      for (std::size_t j = 0; j < items.size(); ++j)
        items[j].methods[m].cells[c] = number_cell(adjusted[j]);
    }
}

/// One round: the counting pass and every item's results, with p adjusted and flags set.
std::vector<ItemResult> run_round(const ComparisonFrame& frame, const AnalyzeOptions& options,
                                  const std::vector<std::size_t>& left_out, int round,
                                  const Progress& progress) {
  const std::size_t items = frame.scores.n_items();
  const MatchingSet set = matching_set(frame.ranges, left_out);
  if (progress) progress(round, 0, items);
  const ScoreCounts counts = count_scores(frame.scores, frame.taking_part, frame.ranges,
                                          frame.groups.size(), options.missing, set.matching,
                                          frame.counted_group);

  std::vector<ItemResult> results(items);
  std::mutex progress_mutex;
  std::size_t done = 0;
  for_each_item(items, options.threads, [&](std::size_t j) {
    const auto [lo, hi] = set.bounds(j);
    results[j] = item_result(frame, counts, options, j, lo, hi);
    if (!progress) return;
    const std::lock_guard<std::mutex> lock(progress_mutex);
    progress(round, ++done, items);
  });

  adjust_across_items(results, options);
  for (ItemResult& r : results) r.flagged = meets_flag_rule(r, options.flag, options.alpha);
  return results;
}

Comparison run_comparison(const ComparisonFrame& frame, const std::string& focal,
                          const AnalyzeOptions& options, const Progress& progress) {
  Comparison comparison;
  comparison.focal = focal;
  const Purification rounds = purify(
      options.purify, options.max_rounds,
      [&](int round, const std::vector<std::size_t>& left_out) {
        comparison.items = run_round(frame, options, left_out, round, progress);
        return flagged_items(comparison.items);
      });
  comparison.rounds = rounds.rounds;
  comparison.converged = rounds.converged;
  return comparison;
}

/// The comparison of the reference group with focal group `focal_code` among `groups` groups.
ComparisonFrame comparison_frame(const data::ItemScores& scores,
                                 const std::vector<std::uint8_t>& taking_part,
                                 const std::vector<ItemRange>& ranges, std::size_t groups,
                                 std::size_t focal_code) {
  constexpr std::uint8_t kLeftOut = 2;
  std::vector<std::uint8_t> counted(groups, kLeftOut);
  counted[data::kReferenceGroup] = 0;
  counted[focal_code] = 1;
  return {scores, taking_part, ranges, std::move(counted), {0, 1}};
}

bool with_lr(const AnalyzeOptions& options) {
  return std::find(options.methods.begin(), options.methods.end(), method_position("lr")) !=
         options.methods.end();
}

/// One round of the overall analysis: a counting pass over every group and every item's
/// overall values, with p adjusted and flags set.
std::vector<OverallItem> overall_round(const data::ItemScores& scores,
                                       const std::vector<std::uint8_t>& taking_part,
                                       const std::vector<ItemRange>& ranges,
                                       std::span<const std::string> focal_values,
                                       const AnalyzeOptions& options,
                                       const std::vector<std::size_t>& left_out, int round,
                                       const Progress& progress) {
  const std::size_t items = scores.n_items();
  std::vector<std::size_t> groups(1 + focal_values.size());
  for (std::size_t g = 0; g < groups.size(); ++g) groups[g] = g;
  const MatchingSet set = matching_set(ranges, left_out);
  if (progress) progress(round, 0, items);
  const ScoreCounts counts =
      count_scores(scores, taking_part, ranges, groups.size(), options.missing, set.matching);

  const bool logistic = with_lr(options);
  std::vector<OverallItem> results(items);
  std::mutex progress_mutex;
  std::size_t done = 0;
  for_each_item(items, options.threads, [&](std::size_t j) {
    const auto [lo, hi] = set.bounds(j);
    std::vector<LevelTable> levels =
        level_tables(counts, j, ranges[j], groups, level_bounds(options.levels, lo, hi),
                     options.min_per_group);
    const std::vector<ScoreCell> cells = score_cells(counts, j, ranges[j], groups);
    results[j] = overall_item(scores.item_names[j], ranges[j], std::move(levels), cells,
                              focal_values, logistic, options.alpha);
    if (!progress) return;
    const std::lock_guard<std::mutex> lock(progress_mutex);
    progress(round, ++done, items);
  });
  adjust_and_flag(results, options.adjust, options.alpha);
  return results;
}

OverallAnalysis run_overall(const data::ItemScores& scores,
                            const std::vector<std::uint8_t>& taking_part,
                            const std::vector<ItemRange>& ranges,
                            std::span<const std::string> focal_values,
                            const AnalyzeOptions& options, const Progress& progress) {
  OverallAnalysis overall;
  overall.columns = overall_columns_run(with_lr(options));
  const Purification rounds = purify(
      options.purify, options.max_rounds,
      [&](int round, const std::vector<std::size_t>& left_out) {
        overall.items = overall_round(scores, taking_part, ranges, focal_values, options,
                                      left_out, round, progress);
        return flagged_items(overall.items);
      });
  overall.rounds = rounds.rounds;
  overall.converged = rounds.converged;
  return overall;
}

/// Threads for the items of comparison `k` when `outer` comparisons run side by side on
/// `threads` threads: the threads shared out, so that never more than `threads` run at once.
unsigned item_threads(unsigned threads, std::size_t outer, std::size_t k) {
  const auto share = static_cast<unsigned>(threads / outer);
  const auto extra = static_cast<unsigned>(threads % outer);
  return std::max(1u, share + (k < extra ? 1u : 0u));
}

}  // namespace

DifAnalysis analyze_scores(const data::ItemScores& scores, const AnalyzeOptions& options,
                           const Progress& progress) {
  check_options(options);
  if (scores.n_examinees > std::numeric_limits<std::uint32_t>::max())
    throw data::InputError("more examinees than one analysis counts");
  // Scores put together without their values still hold one focal group.
  const std::size_t n_focal = std::max<std::size_t>(1, scores.focal_values.size());
  if (n_focal > data::kMostFocalGroups)
    throw data::InputError(std::to_string(n_focal) + " focal groups; an analysis takes at most " +
                           std::to_string(data::kMostFocalGroups));
  const std::size_t groups = 1 + n_focal;
  const auto focal_value = [&](std::size_t k) {
    return k < scores.focal_values.size() ? scores.focal_values[k] : std::string();
  };
  const Examinees examinees = select_examinees(scores, groups, options.missing);
  // Ranges over every analysed row: each comparison scores an item on the same range.
  const std::vector<ItemRange> ranges = item_ranges(scores, examinees.taking_part);

  DifAnalysis analysis;
  analysis.reference = {scores.reference_value, examinees.group_sizes[data::kReferenceGroup]};
  for (std::size_t k = 0; k < n_focal; ++k)
    analysis.focal.push_back({focal_value(k), examinees.group_sizes[data::kFocalGroup + k]});
  analysis.listwise_left_out = examinees.left_out;

  const unsigned threads =
      options.threads != 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());
  const std::size_t outer = std::min<std::size_t>(threads, n_focal);
  // Comparisons side by side report from several threads; the caller sees one at a time.
  std::mutex progress_mutex;
  Progress reported = progress;
  if (progress && outer > 1)
    reported = [&](int round, std::size_t done, std::size_t items) {
      const std::lock_guard<std::mutex> lock(progress_mutex);
      progress(round, done, items);
    };
  analysis.comparisons.resize(n_focal);
  for_each_item(n_focal, static_cast<unsigned>(outer), [&](std::size_t k) {
    AnalyzeOptions own = options;
    own.threads = item_threads(threads, outer, k);
    const ComparisonFrame frame = comparison_frame(scores, examinees.taking_part, ranges, groups,
                                                   data::kFocalGroup + k);
    analysis.comparisons[k] = run_comparison(frame, focal_value(k), own, reported);
  });
  if (scores.focal_values.size() >= 2)
    analysis.overall = run_overall(scores, examinees.taking_part, ranges, scores.focal_values,
                                   options, progress);
  return analysis;
}

}  // namespace itemdif::stats

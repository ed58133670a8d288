// The DIF analysis of item scores: options checked, examinees selected and item ranges fixed
// over every group, then per focal group its comparison with the reference group, and with
// several focal groups the overall analysis of every group together: purification rounds, each
// one counting pass over the groups' scores followed by every item's values.
#include "stats/dif_analysis.hpp"

#include <algorithm>
#include <any>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "stats/bundles.hpp"
#include "stats/examinees.hpp"
#include "stats/levels.hpp"
#include "stats/method_list.hpp"
#include "stats/notes.hpp"
#include "stats/p_adjust.hpp"
#include "stats/parallel_items.hpp"
#include "stats/purification.hpp"
#include "stats/score_cells.hpp"
#include "stats/score_counts.hpp"

namespace itemdif::stats {

namespace {

void check_options(const AnalyzeOptions& options, std::size_t items, bool external) {
  check_level_spec(options.levels);
  if (options.min_per_group < 1)
    throw data::InputError("the examinees per group of a used level must be at least 1, not " +
                           std::to_string(options.min_per_group));
  if (options.max_rounds < 1)
    throw data::InputError("the number of purification rounds must be at least 1, not " +
                           std::to_string(options.max_rounds));
  if (!(options.alpha > 0.0 && options.alpha < 1.0))
    throw data::InputError("alpha must lie between 0 and 1");
  const std::span<const Method> list = methods();
  bool in_order = !options.methods.empty() && options.methods.front() == 0;
  for (std::size_t k = 1; k < options.methods.size(); ++k)
    in_order = in_order && options.methods[k - 1] < options.methods[k];
  if (!in_order || options.methods.back() >= list.size())
    throw data::InputError("the methods must be listed once each, in list order, mh first");
  const std::optional<std::size_t> flag_method = flag_rule_method(options.flag);
  if (!flag_method)
    throw data::InputError("\"" + options.flag + "\" is not a flag rule");
  if (!runs(options.methods, list[*flag_method]))
    throw data::InputError("the flag rule " + options.flag + " needs " +
                           std::string(list[*flag_method].name) + " among the methods");
  if (options.sib_min < 2)
    throw data::InputError("the examinees per group of a stratum must be at least 2, not " +
                           std::to_string(options.sib_min));
  if (!options.bundles.empty()) {
    std::string testers;
    bool tested = false;
    for (std::size_t m = 0; m < list.size(); ++m)
      if (list[m].compute_bundle) {
        testers += (testers.empty() ? "" : " or ") + std::string(list[m].name);
        tested = tested || runs(options.methods, list[m]);
      }
    if (!tested) throw data::InputError("bundles need " + testers + " among the methods");
  }
  for (std::size_t b = 0; b < options.bundles.size(); ++b) {
    const AnalyzeOptions::Bundle& bundle = options.bundles[b];
    if (bundle.items.size() < 2)
      throw data::InputError("bundle " + bundle.name + " needs at least two items");
    for (std::size_t a = 0; a < b; ++a)
      if (options.bundles[a].name == bundle.name)
        throw data::InputError("two bundles are named " + bundle.name);
    for (std::size_t k = 0; k < bundle.items.size(); ++k) {
      if (bundle.items[k] >= items)
        throw data::InputError("bundle " + bundle.name + " names an item that is not analysed");
      for (std::size_t l = 0; l < k; ++l)
        if (bundle.items[l] == bundle.items[k])
          throw data::InputError("bundle " + bundle.name + " names an item twice");
    }
  }
  if (external) {
    if (options.anchors)
      throw data::InputError("anchors and a matching score from the data exclude each other");
    for (const std::size_t m : options.methods)
      if (list[m].needs_item_matching)
        throw data::InputError(std::string(list[m].name) +
                               " needs item scores to match on, not a matching score from the data");
  }
  if (options.anchors) {
    if (options.anchors->empty()) throw data::InputError("no anchor item given");
    for (const std::size_t j : *options.anchors)
      if (j >= items) throw data::InputError("an anchor item is not analysed");
  }
}

/// A round's matching set: the items matched on and the range of their score sum.
struct MatchingSet {
  std::vector<std::uint8_t> matching;
  const std::vector<ItemRange>& ranges;
  int lo = 0, hi = 0;

  bool external = false;  ///< a score from the data, to which no item adds its own

  /// Item j's range of matching scores: an item outside the set is matched on the sum plus
  /// its own score.
  std::pair<int, int> bounds(std::size_t j) const {
    if (matching[j] || external) return {lo, hi};
    return {lo + ranges[j].score_min, hi + ranges[j].score_max};
  }
};

MatchingSet matching_set(const std::vector<ItemRange>& ranges,
                         const std::vector<std::size_t>& left_out,
                         const std::optional<ExternalRange>& external = std::nullopt) {
  MatchingSet set{std::vector<std::uint8_t>(ranges.size(), 1), ranges};
  if (external) {
    set.external = true;
    set.lo = external->low;
    set.hi = external->high;
    return set;
  }
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

/// The group sizes and mean scores of one item of a comparison over all its examinees,
/// whatever their matching score.
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

/// The examinees of an item of the overall analysis, of every group.
void describe_item(std::span<const ScoreCell> cells, OverallItem& result) {
  double n = 0;
  for (const ScoreCell& cell : cells) n += cell.count;
  result.n = static_cast<std::size_t>(n);
}

/// The values of the methods at `positions` for item `j` of a round, into `r`.
template <typename Item>
void compute_methods(Item& r, const RoundInput& round, std::span<const std::any> prepared,
                     std::size_t j, std::span<const ScoreCell> cells,
                     std::span<const std::size_t> positions) {
  const std::span<const Method> list = methods();
  r.methods.resize(list.size());
  for (const std::size_t m : positions) {
    const auto compute = round.frame.overall ? list[m].compute_overall : list[m].compute;
    if (!compute) continue;
    const ItemInput input{round,         j,
                          r.range,       r.levels,
                          cells,         round.options.alpha,
                          std::span<const MethodValues>(r.methods.data(), m), prepared[m]};
    r.methods[m] = compute(input);
    add_note(r.note, r.methods[m].note);
  }
}

/// One item's values in a round, matched on scores from `lo` to `hi`.
template <typename Item>
Item item_values(const RoundInput& round, std::span<const std::any> prepared, std::size_t j,
                 int lo, int hi) {
  const AnalysisFrame& frame = round.frame;
  const AnalyzeOptions& options = round.options;
  Item r;
  r.name = frame.scores.item_names[j];
  r.range = frame.ranges[j];
  r.levels = level_tables(round.counts, j, r.range, frame.groups,
                          level_bounds(options.levels, lo, hi), options.min_per_group);
  const std::vector<ScoreCell> cells = score_cells(round.counts, j, r.range, frame.groups);
  describe_item(cells, r);
  compute_methods(r, round, prepared, j, cells, options.methods);
  return r;
}

/// Every adjusted p-value column of the methods run: its raw p-values adjusted across the items.
template <typename Item>
void adjust_across_items(std::vector<Item>& items, const AnalyzeOptions& options, bool overall,
                         std::span<const std::size_t> positions) {
  const std::span<const Method> list = methods();
  for (const std::size_t m : positions) {
    const Columns columns = columns_of(list[m], overall);
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (!columns[c]->adjusts) continue;
      std::vector<std::optional<double>> p(items.size());
      for (std::size_t j = 0; j < items.size(); ++j)
        p[j] = cell_number(value_of(items[j].methods[m], columns, *columns[c]->adjusts));
      const std::vector<std::optional<double>> adjusted = adjust_p(p, options.adjust);
      for (std::size_t j = 0; j < items.size(); ++j)
        if (c < items[j].methods[m].cells.size())
          items[j].methods[m].cells[c] = number_cell(adjusted[j]);
    }
  }
}

/// What the counting pass gathers for the methods run.
CountExtras count_extras(const AnalyzeOptions& options) {
  CountExtras extras;
  for (const std::size_t m : options.methods) extras |= methods()[m].extras;
  return extras;
}

/// What the methods at `positions` prepare for a round, by position in the method list.
std::vector<std::any> prepare_methods(const RoundInput& round,
                                      std::span<const std::size_t> positions) {
  const std::span<const Method> list = methods();
  std::vector<std::any> prepared(list.size());
  for (const std::size_t m : positions)
    if (list[m].prepare && (round.frame.overall ? list[m].compute_overall : list[m].compute))
      prepared[m] = list[m].prepare(round);
  return prepared;
}

/// The methods computed for the last round only: those that ask for it, unless the flag rule
/// reads them in every round.
std::vector<std::size_t> last_round_methods(const AnalyzeOptions& options) {
  std::vector<std::size_t> positions;
  const std::optional<std::size_t> flag_method = flag_rule_method(options.flag);
  for (const std::size_t m : options.methods)
    if (methods()[m].last_round_only && flag_method != m) positions.push_back(m);
  return positions;
}

/// The values of the methods at `positions` for the last round's items, matched on `matching`:
/// one more counting pass, what they prepare, their values and adjusted p.
template <typename Item>
void add_last_round_methods(std::vector<Item>& items, const AnalysisFrame& frame,
                            const AnalyzeOptions& options,
                            const std::vector<std::uint8_t>& matching, int round,
                            std::span<const std::size_t> positions) {
  AnalyzeOptions own = options;
  own.methods.assign(positions.begin(), positions.end());
  const ScoreCounts counts =
      count_scores(frame.scores, frame.taking_part, frame.ranges, frame.groups.size(),
                   options.missing, matching, frame.counted_group, count_extras(own), frame.external);
  const RoundInput input{frame, options, matching, counts, round};
  const std::vector<std::any> prepared = prepare_methods(input, positions);
  for_each_item(items.size(), options.threads, [&](std::size_t j) {
    const std::vector<ScoreCell> cells = score_cells(counts, j, frame.ranges[j], frame.groups);
    compute_methods(items[j], input, prepared, j, cells, positions);
  });
  adjust_across_items(items, options, frame.overall, positions);
}

/// One round: the counting pass, what the methods prepare, and every item's results, with p
/// adjusted and flags set.
template <typename Item>
std::vector<Item> run_round(const AnalysisFrame& frame, const AnalyzeOptions& options,
                            const MatchingSet& set, int round, const Progress& progress) {
  const std::size_t items = frame.scores.n_items();
  if (progress) progress(round, 0, items);
  const ScoreCounts counts =
      count_scores(frame.scores, frame.taking_part, frame.ranges, frame.groups.size(),
                   options.missing, set.matching, frame.counted_group, count_extras(options),
                   frame.external);
  const RoundInput input{frame, options, set.matching, counts, round};
  const std::vector<std::any> prepared = prepare_methods(input, options.methods);

  std::vector<Item> results(items);
  std::mutex progress_mutex;
  std::size_t done = 0;
  for_each_item(items, options.threads, [&](std::size_t j) {
    const auto [lo, hi] = set.bounds(j);
    results[j] = item_values<Item>(input, prepared, j, lo, hi);
    if (!progress) return;
    const std::lock_guard<std::mutex> lock(progress_mutex);
    progress(round, ++done, items);
  });

  adjust_across_items(results, options, frame.overall, options.methods);
  for (Item& r : results)
    r.flagged = frame.overall ? meets_overall_flag_rule(r, options.flag, options.alpha)
                              : meets_flag_rule(r, options.flag, options.alpha);
  return results;
}

/// An analysis's rounds: purified on its own flags, or one round on fixed anchors.
template <typename Item>
struct Rounds {
  Purification purification;
  std::vector<Item> items;
  std::vector<std::uint8_t> matching;  ///< the last round's
};

template <typename Item>
Rounds<Item> purified_rounds(const AnalysisFrame& frame, const AnalyzeOptions& options,
                             const Progress& progress) {
  Rounds<Item> rounds;
  const std::size_t items = frame.scores.n_items();
  // Anchors or a matching column fix the matching: one round, nothing to purify.
  if (frame.external || options.anchors) {
    std::vector<std::size_t> left_out;
    if (options.anchors) {
      std::vector<std::uint8_t> anchor(items, 0);
      for (const std::size_t j : *options.anchors) anchor[j] = 1;
      for (std::size_t j = 0; j < items; ++j)
        if (!anchor[j]) left_out.push_back(j);
    }
    const MatchingSet set = matching_set(frame.ranges, left_out, frame.external);
    rounds.items = run_round<Item>(frame, options, set, 1, progress);
    rounds.matching = set.matching;
    rounds.purification.rounds.push_back(Round{1, flagged_items(rounds.items)});
    rounds.purification.converged = true;
    rounds.purification.stop = Stop::fixed_matching;
    return rounds;
  }
  rounds.purification = purify(
      options.purify, options.max_rounds, items,
      [&](int round, const std::vector<std::size_t>& left_out) {
        const MatchingSet set = matching_set(frame.ranges, left_out);
        rounds.items = run_round<Item>(frame, options, set, round, progress);
        rounds.matching = set.matching;
        return flagged_items(rounds.items);
      });
  return rounds;
}

template <typename Item>
Rounds<Item> run_rounds(const AnalysisFrame& frame, const AnalyzeOptions& all,
                        const Progress& progress) {
  const std::vector<std::size_t> deferred = last_round_methods(all);
  AnalyzeOptions options = all;
  std::erase_if(options.methods, [&](std::size_t m) {
    return std::find(deferred.begin(), deferred.end(), m) != deferred.end();
  });
  Rounds<Item> rounds = purified_rounds<Item>(frame, options, progress);
  if (!deferred.empty())
    add_last_round_methods(rounds.items, frame, all, rounds.matching,
                           static_cast<int>(rounds.purification.rounds.size()), deferred);
  return rounds;
}

Comparison run_comparison(const AnalysisFrame& frame, const AnalyzeOptions& options,
                          const Progress& progress) {
  Rounds<ItemResult> rounds = run_rounds<ItemResult>(frame, options, progress);
  Comparison comparison;
  comparison.focal = frame.group_values[1];
  comparison.rounds = std::move(rounds.purification.rounds);
  comparison.converged = rounds.purification.converged;
  comparison.stop = rounds.purification.stop;
  comparison.items = std::move(rounds.items);
  if (!options.bundles.empty())
    comparison.bundles = bundle_values(frame, options, rounds.matching);
  return comparison;
}

/// The comparison of the reference group with focal group `focal_code` among `groups` groups.
AnalysisFrame comparison_frame(const data::ItemScores& scores,
                               const std::vector<std::uint8_t>& taking_part,
                               const std::vector<ItemRange>& ranges, std::size_t groups,
                               std::size_t focal_code, std::string focal_value,
                               std::optional<ExternalRange> external) {
  constexpr std::uint8_t kLeftOut = 2;
  std::vector<std::uint8_t> counted(groups, kLeftOut);
  counted[data::kReferenceGroup] = 0;
  counted[focal_code] = 1;
  return {scores,
          taking_part,
          ranges,
          std::move(counted),
          {0, 1},
          {scores.reference_value, std::move(focal_value)},
          false,
          external};
}

/// The range of the matching score read from the data over every analysed examinee; none when
/// the items make up the matching score.
std::optional<ExternalRange> external_range(const data::ItemScores& scores,
                                            const std::vector<std::uint8_t>& taking_part) {
  if (scores.match.empty()) return std::nullopt;
  std::optional<ExternalRange> range;
  for (std::size_t i = 0; i < scores.n_examinees; ++i) {
    if (!taking_part[i]) continue;
    const int value = scores.match[i];
    if (!range) range = ExternalRange{value, value};
    range->low = std::min(range->low, value);
    range->high = std::max(range->high, value);
  }
  if (!range) range = ExternalRange{0, 0};
  // The counts and thin levels run over every score from the lowest to the highest.
  constexpr long long kWidestRange = 10000;
  if (static_cast<long long>(range->high) - range->low + 1 > kWidestRange)
    throw data::InputError("the matching scores of column " + scores.match_column + " run from " +
                           std::to_string(range->low) + " to " + std::to_string(range->high) +
                           ": a matching score may span at most " +
                           std::to_string(kWidestRange) + " values");
  return range;
}

OverallAnalysis run_overall(const data::ItemScores& scores,
                            const std::vector<std::uint8_t>& taking_part,
                            const std::vector<ItemRange>& ranges, const AnalyzeOptions& options,
                            std::optional<ExternalRange> external, const Progress& progress) {
  AnalysisFrame frame{scores, taking_part, ranges, {}, {}, {scores.reference_value}, true,
                      external};
  for (std::size_t g = 0; g <= scores.focal_values.size(); ++g) frame.groups.push_back(g);
  for (const std::string& value : scores.focal_values) frame.group_values.push_back(value);
  Rounds<OverallItem> rounds = run_rounds<OverallItem>(frame, options, progress);
  OverallAnalysis overall;
  for (const std::size_t m : options.methods)
    if (methods()[m].compute_overall) overall.methods.push_back(m);
  overall.rounds = std::move(rounds.purification.rounds);
  overall.converged = rounds.purification.converged;
  overall.stop = rounds.purification.stop;
  overall.items = std::move(rounds.items);
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

DifAnalysis analyze_scores(const data::ItemScores& scores, const AnalyzeOptions& given,
                           const Progress& progress) {
  AnalyzeOptions options = given;
  if (options.methods.empty()) options.methods = default_methods();
  check_options(options, scores.n_items(), !scores.match.empty());
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
  const std::optional<ExternalRange> external = external_range(scores, examinees.taking_part);

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
    const AnalysisFrame frame = comparison_frame(scores, examinees.taking_part, ranges, groups,
                                                 data::kFocalGroup + k, focal_value(k), external);
    analysis.comparisons[k] = run_comparison(frame, own, reported);
  });
  if (scores.focal_values.size() >= 2)
    analysis.overall =
        run_overall(scores, examinees.taking_part, ranges, options, external, progress);
  return analysis;
}

}  // namespace itemdif::stats

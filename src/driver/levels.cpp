// Conditioning levels: placing the examinees of both groups by matching score and counting
// correct and incorrect answers per level and item.
//
// Each examinee is placed once per pass: the levels that hold a score are looked up, not
// searched, and the items are then walked along one row of each count table. Only the items
// whose matching score depends on the item itself (items taken out of the total) are placed
// one by one. Counts are whole numbers far below 2^53, so the order of the additions cannot change
// them.
#include "driver/levels.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <vector>

namespace itemdif::driver {
namespace {

/// The levels that hold a score, in ascending order. The sorted distinct bounds cut the real
/// line into segments (each bound itself, and the open stretches between them) within which
/// every score lies in the same levels; a segment's levels are found at its first score.
class LevelFinder {
 public:
  LevelFinder(const std::vector<std::int32_t>& low, const std::vector<std::int32_t>& high)
      : low_(low), high_(high) {
    bounds_.reserve(low.size() + high.size());
    for (std::int32_t b : low) bounds_.push_back(b);
    for (std::int32_t b : high) bounds_.push_back(b);
    std::sort(bounds_.begin(), bounds_.end());
    bounds_.erase(std::unique(bounds_.begin(), bounds_.end()), bounds_.end());
    segments_.resize(2 * bounds_.size() + 1);
    known_.assign(segments_.size(), 0);
    // Totals are mostly whole numbers near the bounds: those from one below the lowest to
    // one above the highest find their segment once, then by their value.
    if (!bounds_.empty() && bounds_.back() - bounds_.front() < kDirectRange) {
      lowest_ = bounds_.front() - 1.0;
      highest_ = bounds_.back() + 1.0;
      by_value_.assign(static_cast<std::size_t>(highest_ - lowest_) + 1, nullptr);
    }
  }

  const std::vector<std::uint32_t>& levels_of(double score) {
    if (score >= lowest_ && score <= highest_) {
      const double offset = score - lowest_;
      const auto at = static_cast<std::size_t>(offset);
      if (static_cast<double>(at) == offset) {
        const std::vector<std::uint32_t>*& levels = by_value_[at];
        if (levels == nullptr) levels = &search(score);
        return *levels;
      }
    }
    return search(score);
  }

 private:
  static constexpr double kDirectRange = 1 << 16;

  const std::vector<std::uint32_t>& search(double score) {
    if (std::isnan(score)) return none_;
    const auto at = std::lower_bound(bounds_.begin(), bounds_.end(), score);
    const std::size_t m = static_cast<std::size_t>(at - bounds_.begin());
    const std::size_t segment = (at != bounds_.end() && *at == score) ? 2 * m + 1 : 2 * m;
    if (!known_[segment]) {
      std::vector<std::uint32_t>& levels = segments_[segment];
      for (std::size_t k = 0; k < low_.size(); ++k)
        if (low_[k] <= score && score <= high_[k]) levels.push_back(static_cast<std::uint32_t>(k));
      known_[segment] = 1;
    }
    return segments_[segment];
  }

  const std::vector<std::int32_t>& low_;
  const std::vector<std::int32_t>& high_;
  std::vector<double> bounds_;
  std::vector<std::vector<std::uint32_t>> segments_;
  std::vector<char> known_;
  const std::vector<std::uint32_t> none_;
  // No score lies in [+inf, -inf]: without bounds nothing goes the direct way.
  double lowest_ = std::numeric_limits<double>::infinity();
  double highest_ = -std::numeric_limits<double>::infinity();
  std::vector<const std::vector<std::uint32_t>*> by_value_;  // from lowest_, by whole value
};

struct GroupCounts {
  Table<double>& correct;
  Table<double>& incorrect;
  Table<double>& both;
};

// Without branches, so that a row's items run on vector lanes: the classes a score is not in
// add 0, which leaves a whole count as it was.
inline void tally(double score, double& correct, double& incorrect, double& both) {
  const double is_one = score == 1.0 ? 1.0 : 0.0;
  const double is_zero = score == 0.0 ? 1.0 : 0.0;
  correct += is_one;
  incorrect += is_zero;
  both += is_one + is_zero;
}

/// The own-score items placed one by one: each by its total with its own score added.
void count_own_scores(const double* row, double total, GroupCounts counts, LevelFinder& finder,
                      const std::vector<std::size_t>& own_score_items) {
  for (std::size_t j : own_score_items) {
    const double score = row[j];
    for (std::uint32_t k : finder.levels_of(total + score))
      tally(score, counts.correct(k, j), counts.incorrect(k, j), counts.both(k, j));
  }
}

// A table of 0 and 1 scores only is counted in whole numbers: per level the examinees placed
// there and per item the ones among them, added byte by byte; the incorrect answers are the
// rest. The counts are then those of the tally, which adds the same whole numbers one by one.
// False, with nothing counted, when there is no memory for the counters.
bool count_plain_group(const ScoreTable& responses, const std::vector<double>& total,
                       GroupCounts counts, LevelFinder& finder, const std::vector<char>& own_score,
                       const std::vector<std::size_t>& own_score_items) {
  const std::size_t n_items = responses.cols();
  const std::size_t n_levels = counts.both.rows();
  const std::size_t n_own = own_score_items.size();
  std::vector<std::uint32_t> ones;
  std::vector<std::uint32_t> placed;
  std::vector<std::uint32_t> own_ones;    // (level, own-score item)
  std::vector<std::uint32_t> own_placed;  // (level, own-score item)
  try {
    ones.assign(n_levels * n_items, 0);
    placed.assign(n_levels, 0);
    own_ones.assign(n_levels * n_own, 0);
    own_placed.assign(n_levels * n_own, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (std::size_t i = 0; i < responses.rows(); ++i) {
    const std::uint8_t* row = responses.plain_row(i);
    for (std::uint32_t k : finder.levels_of(total[i])) {
      ++placed[k];
      std::uint32_t* level_ones = ones.data() + k * n_items;
      for (std::size_t j = 0; j < n_items; ++j) level_ones[j] += row[j];
    }
    for (std::size_t o = 0; o < n_own; ++o) {
      const std::uint8_t score = row[own_score_items[o]];
      for (std::uint32_t k : finder.levels_of(total[i] + score)) {
        ++own_placed[k * n_own + o];
        own_ones[k * n_own + o] += score;
      }
    }
  }
  for (std::size_t k = 0; k < n_levels; ++k) {
    for (std::size_t o = 0; o < n_own; ++o) {
      // Added, not set: an item listed twice is counted twice, as the tally counts it.
      const std::size_t j = own_score_items[o];
      const std::uint32_t in_level = own_placed[k * n_own + o];
      const std::uint32_t correct = own_ones[k * n_own + o];
      counts.correct(k, j) += static_cast<double>(correct);
      counts.incorrect(k, j) += static_cast<double>(in_level - correct);
      counts.both(k, j) += static_cast<double>(in_level);
    }
  }
  for (std::size_t k = 0; k < n_levels; ++k) {
    const std::uint32_t* level_ones = ones.data() + k * n_items;
    double* correct = counts.correct.row(k);
    double* incorrect = counts.incorrect.row(k);
    double* both = counts.both.row(k);
    for (std::size_t j = 0; j < n_items; ++j) {
      if (!own_score.empty() && own_score[j]) continue;
      correct[j] = static_cast<double>(level_ones[j]);
      incorrect[j] = static_cast<double>(placed[k] - level_ones[j]);
      both[j] = static_cast<double>(placed[k]);
    }
  }
  return true;
}

// `own_score` marks by item the items of `matching.own_score_items` (empty when there are
// none).
void count_group(const ScoreTable& responses, const std::vector<double>& total,
                 GroupCounts counts, LevelFinder& finder, const std::vector<char>& own_score,
                 const std::vector<std::size_t>& own_score_items) {
  if (responses.plain() &&
      count_plain_group(responses, total, counts, finder, own_score, own_score_items))
    return;
  const std::size_t n_items = responses.cols();
  std::vector<double> scores(n_items);
  const double* row = scores.data();
  for (std::size_t i = 0; i < responses.rows(); ++i) {
    responses.row(i, scores.data());
    for (std::uint32_t k : finder.levels_of(total[i])) {
      double* correct = counts.correct.row(k);
      double* incorrect = counts.incorrect.row(k);
      double* both = counts.both.row(k);
      if (own_score.empty()) {
        for (std::size_t j = 0; j < n_items; ++j) tally(row[j], correct[j], incorrect[j], both[j]);
      } else {
        for (std::size_t j = 0; j < n_items; ++j)
          if (!own_score[j]) tally(row[j], correct[j], incorrect[j], both[j]);
      }
    }
    count_own_scores(row, total[i], counts, finder, own_score_items);
  }
}

}  // namespace

std::vector<double> matching_totals(const ScoreTable& responses,
                                    const std::vector<std::size_t>& removed) {
  std::vector<double> total;
  create_list(total, static_cast<std::int64_t>(responses.rows()));
  if (responses.plain()) {
    // Whole numbers: the sum of the bytes is the sum of the doubles.
    for (std::size_t i = 0; i < responses.rows(); ++i) {
      const std::uint8_t* row = responses.plain_row(i);
      std::int64_t sum = 0;
      for (std::size_t j = 0; j < responses.cols(); ++j) sum += row[j];
      for (std::size_t j : removed) sum -= row[j];
      total[i] = static_cast<double>(sum);
    }
    return total;
  }
  std::vector<double> row(responses.cols());
  for (std::size_t i = 0; i < responses.rows(); ++i) {
    responses.row(i, row.data());
    double sum = 0.0;
    for (std::size_t j = 0; j < responses.cols(); ++j) sum += row[j];
    for (std::size_t j : removed) sum -= row[j];
    total[i] = sum;
  }
  return total;
}

Matching match_without(const RunData& run, const std::vector<std::size_t>& removed,
                       bool own_score) {
  Matching matching;
  matching.reference_total = matching_totals(run.reference_responses, removed);
  matching.focal_total = matching_totals(run.focal_responses, removed);
  if (own_score) matching.own_score_items = removed;
  return matching;
}

LevelTables count_levels(const RunData& run, const Matching& matching) {
  const std::int32_t n_items = run.n_items;
  const std::int32_t n_levels = run.n_levels;
  LevelTables tables;
  tables.n_levels = count_of(n_levels);
  tables.n_items = count_of(n_items);
  for (auto& group : tables.counts)
    for (Table<double>& table : group) table.create(n_levels, n_items);
  tables.size.create(n_levels, n_items);
  tables.valid.create(n_levels, n_items);

  std::vector<char> own_score;
  if (!matching.own_score_items.empty()) {
    own_score.assign(count_of(n_items), 0);
    for (std::size_t j : matching.own_score_items) own_score[j] = 1;
  }

  LevelFinder finder(run.level_low, run.level_high);
  for (Group group : {kReference, kFocal}) {
    count_group(run.responses(group), matching.total(group),
                {tables.counts[group][kCorrect], tables.counts[group][kIncorrect],
                 tables.counts[group][kBoth]},
                finder, own_score, matching.own_score_items);
  }

  const std::vector<double>& reference = tables.counts[kReference][kBoth].elements();
  const std::vector<double>& focal = tables.counts[kFocal][kBoth].elements();
  std::vector<double>& size = tables.size.elements();
  std::vector<std::int32_t>& valid = tables.valid.elements();
  for (std::size_t cell = 0; cell < size.size(); ++cell) {
    valid[cell] = reference[cell] >= 10.0 && focal[cell] >= 10.0 ? 1 : 0;
    size[cell] = reference[cell] + focal[cell];
  }
  return tables;
}

std::vector<std::size_t> thin_levels(const LevelTables& tables) {
  // Item 1 alone decides; with no item at all there is nothing to decide by.
  std::vector<std::size_t> thin;
  if (tables.items() == 0) return thin;
  for (std::size_t k = 0; k < tables.levels(); ++k)
    if (!tables.is_valid(k, 0)) thin.push_back(k);
  return thin;
}

}  // namespace itemdif::driver

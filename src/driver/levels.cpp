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
  }

  const std::vector<std::uint32_t>& levels_of(double score) {
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

 private:
  const std::vector<std::int32_t>& low_;
  const std::vector<std::int32_t>& high_;
  std::vector<double> bounds_;
  std::vector<std::vector<std::uint32_t>> segments_;
  std::vector<char> known_;
  const std::vector<std::uint32_t> none_;
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

// `own_score` marks by item the items of `matching.own_score_items` (empty when there are
// none).
void count_group(const ScoreTable& responses, const std::vector<double>& total,
                 GroupCounts counts, LevelFinder& finder, const std::vector<char>& own_score,
                 const std::vector<std::size_t>& own_score_items) {
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
    for (std::size_t j : own_score_items) {
      for (std::uint32_t k : finder.levels_of(total[i] + row[j]))
        tally(row[j], counts.correct(k, j), counts.incorrect(k, j), counts.both(k, j));
    }
  }
}

}  // namespace

std::vector<double> matching_totals(const ScoreTable& responses,
                                    const std::vector<std::size_t>& removed) {
  std::vector<double> total;
  create_list(total, static_cast<std::int64_t>(responses.rows()));
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

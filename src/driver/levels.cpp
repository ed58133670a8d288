// Conditioning levels: placing the examinees of both groups by matching score and counting
// correct and incorrect answers per level and item.
//
// Each examinee is placed once per pass: the levels that hold a score are looked up, not
// searched, and the items are then walked along one row of each count table. Only the items
// whose matching score depends on the item itself (pass 2, coded C in pass 1) are placed one
// by one. Counts are whole numbers far below 2^53, so the order of the additions cannot change
// them.
#include "driver/levels.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "textio/errors.hpp"
#include "textio/layout.hpp"
#include "textio/writer.hpp"

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

inline void tally(double score, double& correct, double& incorrect, double& both) {
  if (score == 1.0) {
    correct += 1.0;
    both += 1.0;
  } else if (score == 0.0) {
    incorrect += 1.0;
    both += 1.0;
  }
}

// `own_score_items` lists the items matched on the total plus their own score; `own_score`
// marks them by item (empty when there are none).
void count_group(const Table<double>& responses, const std::vector<double>& total,
                 GroupCounts counts, LevelFinder& finder, const std::vector<char>& own_score,
                 const std::vector<std::size_t>& own_score_items) {
  const std::size_t n_items = responses.cols();
  for (std::size_t i = 0; i < responses.rows(); ++i) {
    const double* row = responses.row(i);
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

void count_levels(RunData& run, textio::OutputChannel& report) {
  static const textio::Layout warning =
      textio::Layout::compile("('WARNING: Insufficient Data Found in Level: ',I3,' -',I3)");

  for (auto& group : run.level_counts)
    for (Table<double>& table : group) std::fill(table.elements().begin(), table.elements().end(), 0.0);
  std::fill(run.level_size.elements().begin(), run.level_size.elements().end(), 0.0);
  std::fill(run.level_valid.elements().begin(), run.level_valid.elements().end(), 1);

  const std::size_t n_items = count_of(run.n_items);
  std::vector<char> own_score;
  std::vector<std::size_t> own_score_items;
  if (run.pass == 2) {
    for (std::size_t j = 0; j < n_items; ++j)
      if (run.ets_code[j] == 'C') own_score_items.push_back(j);
    if (!own_score_items.empty()) {
      own_score.assign(n_items, 0);
      for (std::size_t j : own_score_items) own_score[j] = 1;
    }
  }

  LevelFinder finder(run.level_low, run.level_high);
  count_group(run.reference_responses, run.reference_total,
              {run.level_counts[kReference][kCorrect], run.level_counts[kReference][kIncorrect],
               run.level_counts[kReference][kBoth]},
              finder, own_score, own_score_items);
  count_group(run.focal_responses, run.focal_total,
              {run.level_counts[kFocal][kCorrect], run.level_counts[kFocal][kIncorrect],
               run.level_counts[kFocal][kBoth]},
              finder, own_score, own_score_items);

  const std::vector<double>& reference = run.level_counts[kReference][kBoth].elements();
  const std::vector<double>& focal = run.level_counts[kFocal][kBoth].elements();
  std::vector<double>& size = run.level_size.elements();
  std::vector<std::int32_t>& valid = run.level_valid.elements();
  for (std::size_t cell = 0; cell < size.size(); ++cell) {
    if (!(reference[cell] >= 10.0 && focal[cell] >= 10.0)) valid[cell] = 0;
    size[cell] = reference[cell] + focal[cell];
  }

  // Item 1 alone decides the warnings; with no item at all there is nothing to decide by.
  if (n_items == 0) return;
  for (std::size_t k = 0; k < run.level_valid.rows(); ++k)
    if (run.level_valid(k, 0) == 0)
      textio::write(report, warning, {run.level_low[k], run.level_high[k]});
}

void conditioning_windows_too_small() {
  textio::clear_console();
  textio::OutputChannel& console = textio::console_output();
  textio::write_list(console, "                    *******  FATAL ERROR   ******");
  textio::write_list(console, "                 Conditioning windows are too small");
  throw textio::QuietStop{1};
}

}  // namespace itemdif::driver

// Test helpers: level tables filled by hand, runs of simulated scores, and a report channel
// that keeps its lines.
#pragma once

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "driver/levels.hpp"
#include "driver/passes.hpp"
#include "driver/run_data.hpp"
#include "support/console_capture.hpp"
#include "textio/channels.hpp"

namespace itemdif::driver::testing {

/// A RunData for `n_items` items and `n_levels` levels with labels 1 .. n_items and level
/// bounds (10k, 10k + 9), and no examinees.
inline RunData make_level_run(int n_items, int n_levels) {
  RunData run;
  run.n_items = n_items;
  run.n_levels = n_levels;
  for (int j = 0; j < n_items; ++j) run.item_label.push_back(j + 1);
  for (int k = 0; k < n_levels; ++k) {
    run.level_low.push_back(10 * k);
    run.level_high.push_back(10 * k + 9);
  }
  return run;
}

/// The level tables of a pass over `n_items` items and `n_levels` levels, every cell empty
/// (and therefore not valid).
inline LevelTables make_level_tables(int n_items, int n_levels) {
  LevelTables tables;
  tables.n_items = static_cast<std::size_t>(n_items);
  tables.n_levels = static_cast<std::size_t>(n_levels);
  for (auto& group : tables.counts)
    for (auto& table : group) table.create(n_levels, n_items);
  tables.size.create(n_levels, n_items);
  tables.valid.create(n_levels, n_items);
  return tables;
}

/// Puts the two-by-two table (a, b | c, d) of reference correct/incorrect and focal
/// correct/incorrect into level k of item j, with the validity rule of the counting (at least
/// ten examinees of each group).
inline void set_cell(LevelTables& tables, int k, int j, double a, double b, double c, double d) {
  tables.counts[kReference][kCorrect](k, j) = a;
  tables.counts[kReference][kIncorrect](k, j) = b;
  tables.counts[kReference][kBoth](k, j) = a + b;
  tables.counts[kFocal][kCorrect](k, j) = c;
  tables.counts[kFocal][kIncorrect](k, j) = d;
  tables.counts[kFocal][kBoth](k, j) = c + d;
  tables.size(k, j) = a + b + c + d;
  tables.valid(k, j) = (a + b >= 10.0 && c + d >= 10.0) ? 1 : 0;
}

/// A pass result with the given categories and favoured groups by item, and `levels`.
inline PassResult make_pass(LevelTables levels, const std::string& categories,
                            const std::string& favored) {
  PassResult pass;
  pass.levels = std::move(levels);
  pass.items.resize(categories.size());
  for (std::size_t j = 0; j < categories.size(); ++j) pass.items[j].category = categories[j];
  pass.favored_group.assign(favored.begin(), favored.end());
  for (std::size_t j = 0; j < categories.size(); ++j)
    if (categories[j] == 'C') pass.purged.push_back(j);
  return pass;
}

/// Scores of one simulated group under a one-parameter logistic model: examinee i answers item
/// j correctly with probability 1 / (1 + exp(-(theta_i - difficulty[j] - shift[j]))), theta_i
/// roughly normal around `mean`. A fixed 64-bit linear congruential sequence drives it, so the
/// data are the same on every platform.
inline std::vector<std::vector<double>> simulate_group(int n, double mean,
                                                       const std::vector<double>& difficulty,
                                                       const std::vector<double>& shift,
                                                       std::uint64_t& state) {
  auto uniform = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (static_cast<double>(state >> 11) + 0.5) / 9007199254740992.0;
  };
  std::vector<std::vector<double>> scores(n, std::vector<double>(difficulty.size()));
  for (auto& row : scores) {
    double theta = mean - 6.0;
    for (int u = 0; u < 12; ++u) theta += uniform();
    for (std::size_t j = 0; j < row.size(); ++j) {
      const double p = 1.0 / (1.0 + std::exp(-(theta - difficulty[j] - shift[j])));
      row[j] = uniform() < p ? 1.0 : 0.0;
    }
  }
  return scores;
}

/// A RunData ready for the passes: the two score tables and the level bounds.
inline RunData make_scored_run(const std::vector<std::vector<double>>& reference,
                               const std::vector<std::vector<double>>& focal,
                               const std::vector<std::int32_t>& low,
                               const std::vector<std::int32_t>& high) {
  const int n_items = reference.empty() ? 0 : static_cast<int>(reference[0].size());
  RunData run = make_level_run(n_items, static_cast<int>(low.size()));
  run.level_low = low;
  run.level_high = high;
  run.n_reference = static_cast<std::int32_t>(reference.size());
  run.n_focal = static_cast<std::int32_t>(focal.size());
  run.reference_responses.create(run.n_reference, n_items);
  run.focal_responses.create(run.n_focal, n_items);
  for (std::size_t i = 0; i < reference.size(); ++i)
    for (int j = 0; j < n_items; ++j) run.reference_responses.set(i, j, reference[i][j]);
  for (std::size_t i = 0; i < focal.size(); ++i)
    for (int j = 0; j < n_items; ++j) run.focal_responses.set(i, j, focal[i][j]);
  return run;
}

using itemdif::testing::CapturedConsole;

/// A report channel writing into memory.
class CapturedChannel {
 public:
  CapturedChannel() : channel_(textio::kReportChannel, "REPORT.OUT", stream_) {}
  textio::OutputChannel& channel() { return channel_; }
  /// Everything written so far, line ends included.
  std::string text() {
    channel_.flush();
    return stream_.str();
  }
  /// The lines written so far, without their CR LF.
  std::vector<std::string> lines() {
    std::vector<std::string> result;
    const std::string all = text();
    std::size_t start = 0;
    while (start < all.size()) {
      const std::size_t end = all.find("\r\n", start);
      if (end == std::string::npos) {
        result.push_back(all.substr(start));
        break;
      }
      result.push_back(all.substr(start, end - start));
      start = end + 2;
    }
    return result;
  }

 private:
  std::ostringstream stream_;
  textio::OutputChannel channel_;
};

}  // namespace itemdif::driver::testing

// Timing of the analysis of item scores at a large size: 1 000 000 examinees per group
// answering 100 items under a two-parameter logistic model, with DIF planted on a few items,
// analysed with the default options (iterative purification, thin levels), best of three.
// Prints the seconds per purification round and the peak resident memory.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "data/item_scores.hpp"
#include "stats/dif_analysis.hpp"

namespace {

constexpr std::size_t kPerGroup = 1000000;
constexpr std::size_t kItems = 100;
constexpr int kRepeats = 3;

// Abilities N(0, 1) in both groups; slopes in [0.5, 2], difficulties N(0, 1). Items 0-4 are
// harder for the focal group by 0.6, items 5-6 easier by 0.5; about 1 % of responses missing.
itemdif::data::ItemScores simulate() {
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  std::normal_distribution<double> normal(0.0, 1.0);
  std::vector<double> slope(kItems), difficulty(kItems);
  for (std::size_t j = 0; j < kItems; ++j) {
    slope[j] = 0.5 + 1.5 * uniform(random);
    difficulty[j] = normal(random);
  }
  itemdif::data::ItemScores s;
  for (std::size_t j = 0; j < kItems; ++j) s.item_names.push_back("q" + std::to_string(j + 1));
  s.n_examinees = 2 * kPerGroup;
  s.scores.resize(s.n_examinees * kItems);
  s.group.resize(s.n_examinees);
  std::uint8_t* out = s.scores.data();
  for (std::size_t i = 0; i < s.n_examinees; ++i) {
    const bool focal = i >= kPerGroup;
    s.group[i] = focal ? itemdif::data::kFocalGroup : itemdif::data::kReferenceGroup;
    const double theta = normal(random);
    for (std::size_t j = 0; j < kItems; ++j) {
      double b = difficulty[j];
      if (focal && j < 5) b += 0.6;
      if (focal && (j == 5 || j == 6)) b -= 0.5;
      const double p = 1.0 / (1.0 + std::exp(-1.7 * slope[j] * (theta - b)));
      const double u = uniform(random);
      *out++ = u < 0.01 ? itemdif::data::kMissing : (uniform(random) < p ? 1 : 0);
    }
  }
  s.rows_read = s.n_examinees;
  return s;
}

}  // namespace

int main() {
  const auto made = std::chrono::steady_clock::now();
  const itemdif::data::ItemScores scores = simulate();
  std::printf("data: %zu examinees x %zu items simulated in %.1f s\n", scores.n_examinees,
              kItems,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - made).count());

  double best = 1e300;
  itemdif::stats::DifAnalysis analysis;
  for (int r = 0; r < kRepeats; ++r) {
    const auto start = std::chrono::steady_clock::now();
    analysis = itemdif::stats::analyze_scores(scores, itemdif::stats::AnalyzeOptions{});
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::size_t rounds = analysis.comparisons.front().rounds.size();
    const double per_round = seconds / static_cast<double>(rounds);
    std::printf("run %d: %zu rounds, %.3f s, %.3f s per round\n", r + 1, rounds, seconds,
                per_round);
    best = std::min(best, per_round);
  }
  const itemdif::stats::Comparison& comparison = analysis.comparisons.front();
  const std::size_t flagged = comparison.rounds.empty() ? 0 : comparison.rounds.back().flagged.size();
  std::printf("best: %.3f s per round; %zu items flagged, converged %s\n", best, flagged,
              comparison.converged ? "yes" : "no");
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak RSS: %.1f MB (score bytes %.1f MB)\n",
              static_cast<double>(usage.ru_maxrss) / 1024.0,
              static_cast<double>(scores.scores.size()) / (1024.0 * 1024.0));
  return 0;
}

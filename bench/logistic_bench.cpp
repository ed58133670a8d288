// Timing of the logistic fit at a realistic size: 100 000 examinees per group answering 100
// items under a two-parameter logistic model, a few items fitted by the logit fitter of the
// logistic-regression procedure, each a few times. Run by `make bench`.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <random>
#include <vector>

#include "glm/logit_fit.hpp"

namespace {

constexpr int kPerGroup = 100000;
constexpr int kItems = 100;
constexpr int kFittedItems = 6;
constexpr int kRepeats = 3;

struct Responses {
  std::vector<std::uint8_t> score;  // examinee-major, kItems per examinee
  std::vector<int> total;
};

// Abilities from N(shift, 1); item slopes in [0.5, 2], difficulties from N(0, 1). The last
// fitted item is made harder for the focal group, so one fit has a real group effect.
Responses simulate(std::mt19937& random, double shift, bool focal,
                   const std::vector<double>& slope, const std::vector<double>& difficulty) {
  std::normal_distribution<double> ability(shift, 1.0);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  Responses r;
  r.score.resize(static_cast<std::size_t>(kPerGroup) * kItems);
  r.total.assign(kPerGroup, 0);
  for (int i = 0; i < kPerGroup; ++i) {
    const double theta = ability(random);
    for (int j = 0; j < kItems; ++j) {
      double b = difficulty[static_cast<std::size_t>(j)];
      if (focal && j == kFittedItems - 1) b += 0.4;
      const double p = 1.0 / (1.0 + std::exp(-1.7 * slope[static_cast<std::size_t>(j)] * (theta - b)));
      const std::uint8_t s = uniform(random) < p ? 1 : 0;
      r.score[static_cast<std::size_t>(i) * kItems + static_cast<std::size_t>(j)] = s;
      r.total[static_cast<std::size_t>(i)] += s;
    }
  }
  return r;
}

}  // namespace

int main() {
  using namespace itemdif;
  std::mt19937 random(20240611);
  std::uniform_real_distribution<double> slope_draw(0.5, 2.0);
  std::normal_distribution<double> difficulty_draw(0.0, 1.0);
  std::vector<double> slope(kItems);
  std::vector<double> difficulty(kItems);
  for (int j = 0; j < kItems; ++j) {
    slope[static_cast<std::size_t>(j)] = slope_draw(random);
    difficulty[static_cast<std::size_t>(j)] = difficulty_draw(random);
  }
  const Responses reference = simulate(random, 0.0, false, slope, difficulty);
  const Responses focal = simulate(random, -0.3, true, slope, difficulty);

  const std::int32_t n = 2 * kPerGroup;
  const auto rows = static_cast<std::size_t>(n);
  std::vector<float> design(rows * 4);
  for (std::size_t i = 0; i < rows; ++i) design[rows + i] = i < kPerGroup ? 0.5F : -0.5F;

  glm::LogitFitter fitter(n);

  std::printf("Logistic fits: %d observations, %d items fitted\n", n, kFittedItems);
  double total_seconds = 0.0;
  for (int j = 0; j < kFittedItems; ++j) {
    for (std::size_t i = 0; i < rows; ++i) {
      const Responses& g = i < kPerGroup ? reference : focal;
      const std::size_t e = i < kPerGroup ? i : i - kPerGroup;
      design[i] = static_cast<float>(g.total[e]);
      design[3 * rows + i] = g.score[e * kItems + static_cast<std::size_t>(j)];
      design[2 * rows + i] = design[i] * design[rows + i];
    }
    // Processor time, not wall time, and the fastest of a few fits: the machine may be shared
    // with other work, which only ever adds time.
    glm::LogitFit fit;
    double seconds = 0.0;
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
      const std::clock_t start = std::clock();
      fit = fitter.fit(design);
      const double elapsed = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
      if (repeat == 0 || elapsed < seconds) seconds = elapsed;
    }
    total_seconds += seconds;
    std::printf("item %d: %.4f s  loglik %.9g\n", j + 1, seconds,
                static_cast<double>(fit.log_likelihood));
    for (const glm::Coefficient& c : fit.coefficients) {
      std::printf("   %15.9g %15.9g %15.9g %15.9g\n", static_cast<double>(c.estimate),
                  static_cast<double>(c.standard_error), static_cast<double>(c.z),
                  static_cast<double>(c.p_value));
    }
  }
  std::printf("mean per item: %.4f s (a run of %d items: about %.1f s)\n",
              total_seconds / kFittedItems, kItems, total_seconds / kFittedItems * kItems);
  return 0;
}

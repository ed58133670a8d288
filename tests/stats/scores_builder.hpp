// Small item-score data sets for the analysis tests, written as response patterns.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "data/item_scores.hpp"

namespace itemdif::stats::testing {

/// `count` examinees of group code `group` (0 reference, 1 focal, higher codes for further
/// groups) answering as `pattern`: one character per item, its score '0' to '9' ('1' correct,
/// '0' incorrect on a 0/1 item) or '.' missing.
struct Pattern {
  std::uint8_t group;
  std::string pattern;
  int count;
};

inline data::ItemScores make_scores(const std::vector<Pattern>& patterns) {
  data::ItemScores s;
  const std::size_t items = patterns.empty() ? 0 : patterns.front().pattern.size();
  for (std::size_t j = 0; j < items; ++j) s.item_names.push_back("q" + std::to_string(j + 1));
  for (const Pattern& p : patterns)
    for (int c = 0; c < p.count; ++c) {
      for (char x : p.pattern)
        s.scores.push_back(x >= '0' && x <= '9' ? static_cast<std::uint8_t>(x - '0')
                                                : data::kMissing);
      s.group.push_back(p.group);
      ++s.n_examinees;
    }
  s.rows_read = s.n_examinees;
  return s;
}

/// The three-item data set D1 of reference_values.py (no missing responses).
inline data::ItemScores data_set_1() {
  return make_scores({{0, "000", 3}, {0, "100", 4}, {0, "010", 2}, {0, "001", 1},
                      {0, "110", 5}, {0, "101", 3}, {0, "011", 2}, {0, "111", 4},
                      {1, "000", 4}, {1, "100", 2}, {1, "010", 3}, {1, "001", 2},
                      {1, "110", 2}, {1, "101", 1}, {1, "011", 4}, {1, "111", 2}});
}

/// The three-item data set D2 of reference_values.py, with missing responses.
inline data::ItemScores data_set_2() {
  return make_scores({{0, "1.0", 2}, {0, "11.", 1}, {0, ".11", 2}, {0, "000", 3},
                      {0, "110", 4}, {0, "101", 2}, {0, "111", 3}, {0, "010", 2},
                      {0, "001", 1}, {1, ".00", 2}, {1, "1.1", 1}, {1, "0.0", 1},
                      {1, "000", 2}, {1, "100", 3}, {1, "011", 2}, {1, "111", 2},
                      {1, "010", 3}, {1, "110", 1}});
}

/// One studied item (q1) whose single two-by-two table is A, B, C, D, and a second item that
/// everyone answers incorrectly; analysed with one level covering every score.
inline data::ItemScores single_table(int a, int b, int c, int d) {
  return make_scores({{0, "10", a}, {0, "00", b}, {1, "10", c}, {1, "00", d}});
}

/// Ratings 0..3 on six items for a reference group (code 0) and three focal groups; item 0
/// is harder for focal group 1, item 1 easier for focal group 3. Every group holds every
/// score of every item (the first rows of each group), so that the ranges over all groups are
/// those of each pair of groups.
inline data::ItemScores four_groups(unsigned seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> normal(0.0, 1.0);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  constexpr std::size_t kItems = 6;
  data::ItemScores s;
  for (std::size_t j = 0; j < kItems; ++j) s.item_names.push_back("r" + std::to_string(j));
  s.reference_value = "R";
  s.focal_values = {"A", "B", "C"};
  const int sizes[] = {400, 250, 180, 220};
  for (std::uint8_t g = 0; g < 4; ++g)
    for (int i = 0; i < sizes[g]; ++i) {
      const double theta = normal(random);
      for (std::size_t j = 0; j < kItems; ++j) {
        int score = 0;
        if (i < 4) {
          score = i;  // every score 0..3 in every group
        } else {
          double shift = 0.0;
          if (g == 1 && j == 0) shift = -0.9;
          if (g == 3 && j == 1) shift = 0.8;
          for (const double step : {-1.0, 0.0, 1.0})
            score += uniform(random) < 1.0 / (1.0 + std::exp(-(theta + shift - step))) ? 1 : 0;
          if (uniform(random) < 0.02) score = data::kMissing;
        }
        s.scores.push_back(static_cast<std::uint8_t>(score));
      }
      s.group.push_back(g);
      ++s.n_examinees;
    }
  s.rows_read = s.n_examinees;
  return s;
}

}  // namespace itemdif::stats::testing

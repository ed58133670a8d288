// The standardization index, its standard error and its class, worked out by hand from the
// level tables.
#include "stats/standardization.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "stats/level_table_builder.hpp"

namespace itemdif::stats {
namespace {

using testing::level;
using testing::scored_level;
using Levels = std::vector<LevelTable>;

constexpr ItemRange kZeroOne{0, 1, false};

TEST(Standardization, WeightsByFocalSizeOverUsedLevelsOnly) {
  // sum nF (C/nF - A/nR): (6 - 10) + (7 - 10*4/12) + (0 - 0) + (9 - 15*12/14) = -88/21, over
  // sum nF = 15 + 10 + 4 + 15 = 44: -2/21. The unused last level would move it.
  const Levels levels = {level(10, 5, 6, 9), level(4, 8, 7, 3), level(0, 3, 0, 4),
                         level(12, 2, 9, 6), level(5, 0, 0, 1, false)};
  const StdValues v = std_values(levels, kZeroOne);
  ASSERT_TRUE(v.p_dif.has_value());
  EXPECT_NEAR(*v.p_dif, -2.0 / 21.0, 1e-15);
  EXPECT_EQ(v.std_class, "B-");
}

TEST(Standardization, FocalAdvantageIsPositive) {
  // One level: 8/10 focal against 5/10 reference.
  const StdValues v = std_values(Levels{level(5, 5, 8, 2)}, kZeroOne);
  EXPECT_NEAR(*v.p_dif, 0.3, 1e-15);
  EXPECT_EQ(v.std_class, "C+");
}

TEST(Standardization, StandardErrorOfAZeroOneItem) {
  // Level 1: A 3, B 1, C 1, D 3: nR = nF = 4, N = 8, m1 = m0 = 4,
  //   V = nR nF m1 m0 / (N^2 (N - 1)) = 256 / 448 = 4/7, (1/nF + 1/nR)^2 = 1/4.
  // Level 2: A 2, B 2, C 1, D 1: nR = 4, nF = 2, N = 6, m1 = m0 = 3,
  //   V = 4*2*3*3 / (36*5) = 2/5, (1/2 + 1/4)^2 = 9/16.
  // w = nF / sum nF = 4/6, 2/6; the third level is not used.
  // SE^2 = (2/3)^2 (1/4)(4/7) + (1/3)^2 (9/16)(2/5) = 4/63 + 1/40 = 223/2520.
  // P-DIF = (4 (1/4 - 3/4) + 2 (1/2 - 2/4)) / 6 = -1/3.
  const Levels levels = {level(3, 1, 1, 3), level(2, 2, 1, 1), level(5, 0, 0, 1, false)};
  const StdValues v = std_values(levels, kZeroOne);
  ASSERT_TRUE(v.p_dif && v.se);
  EXPECT_NEAR(*v.p_dif, -1.0 / 3, 1e-15);
  EXPECT_NEAR(*v.se, std::sqrt(223.0 / 2520), 1e-15);
}

TEST(Standardization, StandardErrorAndClassOfAPolytomousItem) {
  // Scores 1..3, counts by score 1, 2, 3.
  // Level 1: reference 1, 1, 2 (nR 4, sum 9), focal 2, 1, 1 (nF 4, sum 7); N = 8, S = 16,
  //   Q = (1 + 4 + 18) + (2 + 4 + 9) = 38, N Q - S^2 = 304 - 256 = 48,
  //   V = nR nF (N Q - S^2) / (N^2 (N - 1)) = 4*4*48 / (64*7) = 12/7, (1/4 + 1/4)^2 = 1/4.
  // Level 2: reference 0, 1, 1 (nR 2, sum 5), focal 1, 1, 0 (nF 2, sum 3); N = 4, S = 8,
  //   Q = 13 + 5 = 18, N Q - S^2 = 8, V = 2*2*8 / (16*3) = 2/3, (1/2 + 1/2)^2 = 1.
  // w = 4/6, 2/6: SE^2 = (4/9)(1/4)(12/7) + (1/9)(1)(2/3) = 4/21 + 2/27 = 50/189.
  // P-DIF = (4 (7/4 - 9/4) + 2 (3/2 - 5/2)) / 6 = -2/3; over the range 3 - 1 = 2: 1/3, C.
  const ItemRange range{1, 3, true};
  const Levels levels = {scored_level(1, {{1, 1, 2}, {2, 1, 1}}),
                         scored_level(1, {{0, 1, 1}, {1, 1, 0}}),
                         scored_level(1, {{0, 0, 9}, {4, 0, 0}}, false)};
  const StdValues v = std_values(levels, range);
  ASSERT_TRUE(v.p_dif && v.se);
  EXPECT_NEAR(*v.p_dif, -2.0 / 3, 1e-15);
  EXPECT_NEAR(*v.se, std::sqrt(50.0 / 189), 1e-15);
  EXPECT_EQ(v.std_class, "C-");
}

TEST(Standardization, EmptyWithoutUsedLevelOrWithoutVariance) {
  const StdValues unused = std_values(Levels{level(3, 1, 2, 2, false)}, kZeroOne);
  EXPECT_FALSE(unused.p_dif.has_value());
  EXPECT_FALSE(unused.se.has_value());
  EXPECT_EQ(unused.std_class, "");
  // Every used level answered alike (all correct in one, all wrong in the other): P-DIF would
  // be 0 by construction, not a finding.
  const StdValues alike = std_values(
      Levels{level(3, 0, 2, 0), level(0, 4, 0, 1), level(1, 0, 0, 5, false)}, kZeroOne);
  EXPECT_FALSE(alike.p_dif.has_value());
  EXPECT_FALSE(alike.se.has_value());
  EXPECT_EQ(alike.std_class, "");
  // A polytomous item with one score in each used level.
  const StdValues flat = std_values(
      Levels{scored_level(2, {{0, 3, 0}, {0, 1, 0}}), scored_level(2, {{0, 0, 2}, {0, 0, 5}})},
      ItemRange{2, 4, true});
  EXPECT_FALSE(flat.p_dif.has_value());
}

TEST(Standardization, ClassBoundaries) {
  EXPECT_EQ(std_class(0.0, kZeroOne), "A");
  EXPECT_EQ(std_class(0.0499999, kZeroOne), "A");
  EXPECT_EQ(std_class(-0.0499999, kZeroOne), "A");
  // 0.05 opens B and 0.10 opens C, on both sides.
  EXPECT_EQ(std_class(0.05, kZeroOne), "B+");
  EXPECT_EQ(std_class(-0.05, kZeroOne), "B-");
  EXPECT_EQ(std_class(0.0999999, kZeroOne), "B+");
  EXPECT_EQ(std_class(0.10, kZeroOne), "C+");
  EXPECT_EQ(std_class(-0.10, kZeroOne), "C-");
  EXPECT_EQ(std_class(-0.6, kZeroOne), "C-");
}

TEST(Standardization, ClassBoundariesScaleWithTheScoreRange) {
  // Scores 1..5: the bounds are 0.05 * 4 = 0.2 and 0.10 * 4 = 0.4 on the mean difference.
  const ItemRange range{1, 5, true};
  EXPECT_EQ(std_class(0.19, range), "A");
  EXPECT_EQ(std_class(-0.2, range), "B-");
  EXPECT_EQ(std_class(0.39, range), "B+");
  EXPECT_EQ(std_class(0.4, range), "C+");
  EXPECT_EQ(std_class(-1.5, range), "C-");
}

}  // namespace
}  // namespace itemdif::stats

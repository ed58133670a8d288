// The generalized Mantel-Haenszel test against R's mantelhaen.test on G x 2 x K tables (for
// more than two rows R computes the generalized Cochran-Mantel-Haenszel statistic, the same
// quadratic form as here for a 0/1 item), a polytomous level worked by hand, Mantel's and the
// uncorrected MH chi-square with two groups, and the undefined cases.
//
// R reference (R 4.2.2): the tables below as x <- array(c(...), dim = c(G, 2, K)), rows the
// groups, columns scores 0 and 1, one slice per level;
//   t <- mantelhaen.test(x, correct = FALSE); t$statistic, t$parameter, t$p.value
#include "stats/generalized_mh.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

#include "stats/level_table_builder.hpp"
#include "stats/mantel_haenszel.hpp"

namespace itemdif::stats {
namespace {

using testing::scored_level;
using Levels = std::vector<LevelTable>;

void expect_relative(std::optional<double> actual, double expected, double tolerance) {
  ASSERT_TRUE(actual.has_value()) << "expected " << expected;
  EXPECT_NEAR(*actual, expected, tolerance * std::fabs(expected)) << "expected " << expected;
}

// x <- array(c(8,10,7, 12,6,5,  5,9,6, 15,9,8,  3,6,4, 20,12,10), dim = c(3, 2, 3))
// statistic 7.0670745790891392, df 2, p 0.029201439016226464
TEST(GeneralizedMh, ThreeGroupsMatchRsGeneralizedCmh) {
  const Levels levels = {scored_level(0, {{8, 12}, {10, 6}, {7, 5}}),
                         scored_level(0, {{5, 15}, {9, 9}, {6, 8}}),
                         scored_level(0, {{3, 20}, {6, 12}, {4, 10}})};
  const GmhValues gmh = generalized_mh(levels);
  EXPECT_TRUE(gmh.note.empty()) << gmh.note;
  expect_relative(gmh.chi_square, 7.0670745790891392, 1e-12);
  expect_relative(gmh.df, 2, 0);
  expect_relative(gmh.p, 0.029201439016226464, 1e-10);
  EXPECT_FALSE(gmh.p_adjusted);
}

// y <- array(c(6,9,4,7, 14,10,12,9,  3,7,5,4, 17,11,13,14), dim = c(4, 2, 2))
// statistic 4.1922863390836351, df 3, p 0.24143530445060812
TEST(GeneralizedMh, FourGroupsMatchRsGeneralizedCmh) {
  const Levels levels = {scored_level(0, {{6, 14}, {9, 10}, {4, 12}, {7, 9}}),
                         scored_level(0, {{3, 17}, {7, 11}, {5, 13}, {4, 14}})};
  const GmhValues gmh = generalized_mh(levels);
  expect_relative(gmh.chi_square, 4.1922863390836351, 1e-12);
  expect_relative(gmh.df, 3, 0);
  expect_relative(gmh.p, 0.24143530445060812, 1e-10);
}

TEST(GeneralizedMh, LevelsNotUsedAreLeftOut) {
  Levels levels = {scored_level(0, {{8, 12}, {10, 6}, {7, 5}}),
                   scored_level(0, {{40, 1}, {0, 30}, {2, 2}}, false),
                   scored_level(0, {{5, 15}, {9, 9}, {6, 8}}),
                   scored_level(0, {{3, 20}, {6, 12}, {4, 10}})};
  expect_relative(generalized_mh(levels).chi_square, 7.0670745790891392, 1e-12);
}

// One level scored 0..2, two examinees per group: reference {0, 1}, focal 1 {1, 2}, focal 2
// {2, 2}. N = 6, sum 8, ybar = 4/3, sum of squares 14, s² = 14/6 - 16/9 = 5/9, so
// s² N / (N - 1) = 2/3. d = (3 - 8/3, 4 - 8/3) = (1/3, 4/3). V = 2/3 [[2 - 4/6, -4/6],
// [-4/6, 2 - 4/6]] = [[8/9, -4/9], [-4/9, 8/9]], det 16/27, V^-1 = [[3/2, 3/4], [3/4, 3/2]].
// dᵀ V^-1 d = 3/2 (1/9) + 2 (3/4) (4/9) + 3/2 (16/9) = 1/6 + 2/3 + 8/3 = 7/2; at 2 df the
// upper tail is exp(-chi / 2). Two copies of the level double d and V: chi-square 7.
TEST(GeneralizedMh, PolytomousLevelByHand) {
  const LevelTable one = scored_level(0, {{1, 1, 0}, {0, 1, 1}, {0, 0, 2}});
  const GmhValues once = generalized_mh(Levels{one});
  expect_relative(once.chi_square, 3.5, 1e-13);
  expect_relative(once.p, std::exp(-1.75), 1e-12);
  const GmhValues twice = generalized_mh(Levels{one, one});
  expect_relative(twice.chi_square, 7.0, 1e-13);
  expect_relative(twice.p, std::exp(-3.5), 1e-12);
}

// Scores 1..3 rather than 0..2 shift every score by one: d and V do not move.
TEST(GeneralizedMh, ShiftedScoresGiveTheSameStatistic) {
  const LevelTable one = scored_level(1, {{1, 1, 0}, {0, 1, 1}, {0, 0, 2}});
  expect_relative(generalized_mh(Levels{one}).chi_square, 3.5, 1e-13);
}

// z <- array(c(8,10, 12,6,  5,9, 15,9,  3,6, 20,12), dim = c(2, 2, 3))
// mantelhaen.test(z, correct = FALSE): statistic 6.512882802884711, p 0.010709575000128889
TEST(GeneralizedMh, TwoGroupsOfAZeroOneItemGiveTheUncorrectedMhChiSquare) {
  const Levels levels = {scored_level(0, {{8, 12}, {10, 6}}), scored_level(0, {{5, 15}, {9, 9}}),
                         scored_level(0, {{3, 20}, {6, 12}})};
  const GmhValues gmh = generalized_mh(levels);
  expect_relative(gmh.chi_square, 6.512882802884711, 1e-12);
  expect_relative(gmh.df, 1, 0);
  expect_relative(gmh.p, 0.010709575000128889, 1e-10);
}

TEST(GeneralizedMh, TwoGroupsOfAPolytomousItemGiveMantelsChiSquare) {
  const Levels levels = {scored_level(0, {{4, 3, 2, 1}, {5, 3, 1, 1}}),
                         scored_level(0, {{2, 4, 4, 2}, {3, 4, 3, 1}}),
                         scored_level(0, {{1, 2, 5, 6}, {2, 3, 4, 2}}),
                         scored_level(0, {{9, 0, 0, 0}, {0, 0, 0, 9}}, false)};
  const MhValues mantel = mantel_values(levels, std::nullopt, 1.0, 0.05);
  ASSERT_TRUE(mantel.chi_square);
  const GmhValues gmh = generalized_mh(levels);
  expect_relative(gmh.chi_square, *mantel.chi_square, 1e-12);
  expect_relative(gmh.p, *mantel.p, 1e-10);
}

TEST(GeneralizedMh, GroupMissingFromEveryUsedLevelLeavesValuesEmpty) {
  // Focal group 2 has examinees only in the level that is not used.
  const Levels levels = {scored_level(0, {{8, 12}, {10, 6}, {0, 0}}),
                         scored_level(0, {{5, 15}, {9, 9}, {3, 4}}, false),
                         scored_level(0, {{3, 20}, {6, 12}, {0, 0}})};
  const GmhValues gmh = generalized_mh(levels);
  EXPECT_FALSE(gmh.chi_square);
  EXPECT_FALSE(gmh.p);
  EXPECT_NE(gmh.note.find("a group has no examinees"), std::string::npos) << gmh.note;
}

TEST(GeneralizedMh, ScoresWithoutVarianceLeaveValuesEmpty) {
  const Levels levels = {scored_level(0, {{0, 12}, {0, 6}, {0, 5}}),
                         scored_level(0, {{5, 0}, {9, 0}, {6, 0}})};
  const GmhValues gmh = generalized_mh(levels);
  EXPECT_FALSE(gmh.chi_square);
  EXPECT_NE(gmh.note.find("do not vary"), std::string::npos) << gmh.note;
}

TEST(GeneralizedMh, NoUsedLevelIsNoted) {
  const Levels levels = {scored_level(0, {{8, 12}, {10, 6}, {7, 5}}, false)};
  const GmhValues gmh = generalized_mh(levels);
  EXPECT_FALSE(gmh.chi_square);
  EXPECT_NE(gmh.note.find("no used level"), std::string::npos) << gmh.note;
  EXPECT_FALSE(generalized_mh(Levels{}).chi_square);
}

}  // namespace
}  // namespace itemdif::stats

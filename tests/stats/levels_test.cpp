// Level bounds for each kind of level option, and the checks of those options.
#include "stats/levels.hpp"

#include <gtest/gtest.h>

#include <string>

#include <utility>
#include <vector>

#include "support/thrown.hpp"

namespace itemdif::stats {
namespace {

using Bounds = std::vector<std::pair<int, int>>;

LevelSpec equal_width(int k) {
  LevelSpec spec;
  spec.kind = LevelSpec::Kind::equal_width;
  spec.count = k;
  return spec;
}

LevelSpec explicit_levels(Bounds bounds) {
  LevelSpec spec;
  spec.kind = LevelSpec::Kind::bounds;
  spec.bounds = std::move(bounds);
  return spec;
}

TEST(LevelBounds, ThinOnePerScore) {
  EXPECT_EQ(level_bounds(LevelSpec{}, 0, 3), (Bounds{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
  EXPECT_EQ(level_bounds(LevelSpec{}, 0, 0), (Bounds{{0, 0}}));
  // Items scored from 1: the matching score starts at the sum of the lowest scores.
  EXPECT_EQ(level_bounds(LevelSpec{}, 5, 7), (Bounds{{5, 5}, {6, 6}, {7, 7}}));
}

TEST(LevelBounds, EqualWidthByTheFloorFormula) {
  // m = 3, K = 3: floor(k*4/3): 0, 1, 2, 4 -> 0-0, 1-1, 2-3.
  EXPECT_EQ(level_bounds(equal_width(3), 0, 3), (Bounds{{0, 0}, {1, 1}, {2, 3}}));
  EXPECT_EQ(level_bounds(equal_width(2), 0, 3), (Bounds{{0, 1}, {2, 3}}));
  EXPECT_EQ(level_bounds(equal_width(1), 0, 9), (Bounds{{0, 9}}));
  // m = 10, K = 4: floor(k*11/4) = 0, 2, 5, 8, 11.
  EXPECT_EQ(level_bounds(equal_width(4), 0, 10), (Bounds{{0, 1}, {2, 4}, {5, 7}, {8, 10}}));
  // 25 items scored 1-6: lo 25, hi 150, R = 126, K = 2: 25 + floor(k*126/2) = 25, 88, 151.
  EXPECT_EQ(level_bounds(equal_width(2), 25, 150), (Bounds{{25, 87}, {88, 150}}));
  // lo 3, hi 13 (R = 11), K = 4: the m = 10 cut above moved up by 3.
  EXPECT_EQ(level_bounds(equal_width(4), 3, 13), (Bounds{{3, 4}, {5, 7}, {8, 10}, {11, 13}}));
}

TEST(LevelBounds, MoreLevelsThanScoresLeaveTheEmptyOnesOut) {
  // m = 2, K = 5: floor(k*3/5) = 0, 0, 1, 1, 2, 3: levels 0-(-1), 0-0, 1-0, 1-1, 2-2.
  EXPECT_EQ(level_bounds(equal_width(5), 0, 2), (Bounds{{0, 0}, {1, 1}, {2, 2}}));
}

TEST(LevelBounds, ExplicitLevelsAsGivenWithoutReversedOnes) {
  EXPECT_EQ(level_bounds(explicit_levels({{0, 1}, {5, 2}, {2, 9}}), 0, 3), (Bounds{{0, 1}, {2, 9}}));
  // Explicit bounds are matching scores, whatever the item's lo.
  EXPECT_EQ(level_bounds(explicit_levels({{0, 30}, {31, 150}}), 25, 150),
            (Bounds{{0, 30}, {31, 150}}));
}

std::string refusal(const LevelSpec& spec) {
  return itemdif::testing::thrown_message<data::InputError>([&] { check_level_spec(spec); });
}

TEST(CheckLevelSpec, RejectsWhatCannotCutScores) {
  EXPECT_EQ(refusal(equal_width(0)), "the number of levels must be at least 1, not 0");
  EXPECT_NO_THROW(check_level_spec(equal_width(1)));
  EXPECT_EQ(refusal(explicit_levels({{0, 5}, {5, 9}})), "levels 0-5 and 5-9 overlap");
  EXPECT_EQ(refusal(explicit_levels({{6, 9}, {0, 6}})), "levels 0-6 and 6-9 overlap");
  EXPECT_EQ(refusal(explicit_levels({{-1, 3}})), "level -1-3 has a negative bound");
  EXPECT_EQ(refusal(explicit_levels({{4, 3}})), "no level has its low at most its high");
  EXPECT_EQ(refusal(explicit_levels({})), "no level has its low at most its high");
  // A reversed level may overlap the others: it is left out.
  EXPECT_NO_THROW(check_level_spec(explicit_levels({{0, 4}, {3, 1}, {5, 9}})));
}

}  // namespace
}  // namespace itemdif::stats

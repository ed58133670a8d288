// Level bounds for each kind of level option, and the checks of those options.
#include "stats/levels.hpp"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

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
  EXPECT_EQ(level_bounds(LevelSpec{}, 3), (Bounds{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
  EXPECT_EQ(level_bounds(LevelSpec{}, 0), (Bounds{{0, 0}}));
}

TEST(LevelBounds, EqualWidthByTheFloorFormula) {
  // m = 3, K = 3: floor(k*4/3): 0, 1, 2, 4 -> 0-0, 1-1, 2-3.
  EXPECT_EQ(level_bounds(equal_width(3), 3), (Bounds{{0, 0}, {1, 1}, {2, 3}}));
  EXPECT_EQ(level_bounds(equal_width(2), 3), (Bounds{{0, 1}, {2, 3}}));
  EXPECT_EQ(level_bounds(equal_width(1), 9), (Bounds{{0, 9}}));
  // m = 10, K = 4: floor(k*11/4) = 0, 2, 5, 8, 11.
  EXPECT_EQ(level_bounds(equal_width(4), 10), (Bounds{{0, 1}, {2, 4}, {5, 7}, {8, 10}}));
}

TEST(LevelBounds, MoreLevelsThanScoresLeaveTheEmptyOnesOut) {
  // m = 2, K = 5: floor(k*3/5) = 0, 0, 1, 1, 2, 3: levels 0-(-1), 0-0, 1-0, 1-1, 2-2.
  EXPECT_EQ(level_bounds(equal_width(5), 2), (Bounds{{0, 0}, {1, 1}, {2, 2}}));
}

TEST(LevelBounds, ExplicitLevelsAsGivenWithoutReversedOnes) {
  EXPECT_EQ(level_bounds(explicit_levels({{0, 1}, {5, 2}, {2, 9}}), 3), (Bounds{{0, 1}, {2, 9}}));
}

TEST(CheckLevelSpec, RejectsWhatCannotCutScores) {
  EXPECT_THROW(check_level_spec(equal_width(0)), data::InputError);
  EXPECT_NO_THROW(check_level_spec(equal_width(1)));
  EXPECT_THROW(check_level_spec(explicit_levels({{0, 5}, {5, 9}})), data::InputError);
  EXPECT_THROW(check_level_spec(explicit_levels({{6, 9}, {0, 6}})), data::InputError);
  EXPECT_THROW(check_level_spec(explicit_levels({{-1, 3}})), data::InputError);
  EXPECT_THROW(check_level_spec(explicit_levels({{4, 3}})), data::InputError);
  EXPECT_THROW(check_level_spec(explicit_levels({})), data::InputError);
  // A reversed level may overlap the others: it is left out.
  EXPECT_NO_THROW(check_level_spec(explicit_levels({{0, 4}, {3, 1}, {5, 9}})));
}

}  // namespace
}  // namespace itemdif::stats

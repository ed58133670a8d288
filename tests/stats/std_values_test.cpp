// The standardization index and its class, worked out by hand from the level tables.
#include "stats/std_values.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "stats/level_row_builder.hpp"

namespace itemdif::stats {
namespace {

using testing::level;

TEST(Standardization, WeightsByFocalSizeOverUsedLevelsOnly) {
  // sum nF (C/nF - A/nR): (6 - 10) + (7 - 10*4/12) + (0 - 0) + (9 - 15*12/14) = -88/21, over
  // sum nF = 15 + 10 + 4 + 15 = 44: -2/21. The unused last level would move it.
  const StdValues v = std_values({level(10, 5, 6, 9), level(4, 8, 7, 3), level(0, 3, 0, 4),
                                  level(12, 2, 9, 6), level(5, 0, 0, 1, false)});
  ASSERT_TRUE(v.p_dif.has_value());
  EXPECT_NEAR(*v.p_dif, -2.0 / 21.0, 1e-15);
  EXPECT_EQ(v.std_class, "B-");
}

TEST(Standardization, FocalAdvantageIsPositive) {
  // One level: 8/10 focal against 5/10 reference.
  const StdValues v = std_values({level(5, 5, 8, 2)});
  EXPECT_NEAR(*v.p_dif, 0.3, 1e-15);
  EXPECT_EQ(v.std_class, "C+");
}

TEST(Standardization, EmptyWithoutUsedLevelOrWithoutVariance) {
  const StdValues unused = std_values({level(3, 1, 2, 2, false)});
  EXPECT_FALSE(unused.p_dif.has_value());
  EXPECT_EQ(unused.std_class, "");
  // Every used level answered alike (all correct in one, all wrong in the other): P-DIF would
  // be 0 by construction, not a finding.
  const StdValues alike =
      std_values({level(3, 0, 2, 0), level(0, 4, 0, 1), level(1, 0, 0, 5, false)});
  EXPECT_FALSE(alike.p_dif.has_value());
  EXPECT_EQ(alike.std_class, "");
}

TEST(Standardization, ClassBoundaries) {
  EXPECT_EQ(std_class(0.0), "A");
  EXPECT_EQ(std_class(0.0499999), "A");
  EXPECT_EQ(std_class(-0.0499999), "A");
  // 0.05 opens B and 0.10 opens C, on both sides.
  EXPECT_EQ(std_class(0.05), "B+");
  EXPECT_EQ(std_class(-0.05), "B-");
  EXPECT_EQ(std_class(0.0999999), "B+");
  EXPECT_EQ(std_class(0.10), "C+");
  EXPECT_EQ(std_class(-0.10), "C-");
  EXPECT_EQ(std_class(-0.6), "C-");
}

}  // namespace
}  // namespace itemdif::stats

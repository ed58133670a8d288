// The shared Mantel-Haenszel sums against values worked out by hand with exact fractions.
#include "stats/mh_sums.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace itemdif::stats {
namespace {

MhCell cell(double a, double b, double c, double d) {
  return MhCell{a, b, c, d, a + b, c + d, a + b + c + d};
}

TEST(MhSums, OneTable) {
  // A=3 B=2 C=1 D=4, N=10: AD/N = 6/5, BC/N = 1/5, alpha 6, E = 4*5/10 = 2,
  // V = 5*5*4*6 / (100*9) = 2/3, RBG = (12 + 6*2)(7 + 3*6) / 200 = 3.
  const std::vector<MhCell> cells{cell(3, 2, 1, 4)};
  const MhSums s = mh_sums(cells);
  EXPECT_DOUBLE_EQ(s.ad_n, 6.0 / 5);
  EXPECT_DOUBLE_EQ(s.bc_n, 1.0 / 5);
  EXPECT_DOUBLE_EQ(s.alpha, 6.0);
  EXPECT_DOUBLE_EQ(s.observed, 3.0);
  EXPECT_DOUBLE_EQ(s.expected, 2.0);
  EXPECT_DOUBLE_EQ(s.variance, 2.0 / 3);
  EXPECT_DOUBLE_EQ(s.rbg, 3.0);
}

TEST(MhSums, TwoTablesAddEveryTerm) {
  // Levels 1 and 2 of item q1 in reference_values.py's D1: (4,3,2,5) and (8,2,3,4).
  // AD/N = 20/14 + 32/17 = 394/119, BC/N = 6/14 + 6/17 = 93/119, alpha = 394/93.
  const std::vector<MhCell> cells{cell(4, 3, 2, 5), cell(8, 2, 3, 4)};
  const MhSums s = mh_sums(cells);
  EXPECT_DOUBLE_EQ(s.ad_n, 394.0 / 119);
  EXPECT_DOUBLE_EQ(s.bc_n, 93.0 / 119);
  EXPECT_DOUBLE_EQ(s.alpha, 394.0 / 93);
  EXPECT_DOUBLE_EQ(s.observed, 12.0);
  // E = 6*7/14 + 11*10/17 = 3 + 110/17; V = 7*7*6*8/(196*13) + 10*7*11*6/(289*16).
  EXPECT_DOUBLE_EQ(s.expected, 3.0 + 110.0 / 17);
  EXPECT_DOUBLE_EQ(s.variance, 2352.0 / 2548 + 4620.0 / 4624);
  // SE(ln alpha) of these tables, 0.7872270545615339 by reference_values.py.
  EXPECT_NEAR(std::sqrt(s.rbg) / s.ad_n, 0.7872270545615339, 1e-14);
}

TEST(MhSums, NoCellsSumToZero) {
  const MhSums s = mh_sums({});
  EXPECT_EQ(s.ad_n, 0.0);
  EXPECT_EQ(s.variance, 0.0);
  EXPECT_TRUE(std::isnan(s.alpha));
}

}  // namespace
}  // namespace itemdif::stats

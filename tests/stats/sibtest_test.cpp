// SIBTEST and crossing SIBTEST on small tables worked out by hand. `Rscript
// tools/cross_check_sib.R --self-test` recomputes the defined values of these tables from the
// examinees' scores in R and agrees with the fractions here to 1e-12.
#include "stats/sibtest.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace itemdif::stats {
namespace {

/// A 0/1 item: row x holds {reference wrong, reference right, focal wrong, focal right} at
/// subtest score x = 0, 1, ...
SibCounts zero_one(const std::vector<std::array<double, 4>>& rows) {
  SibCounts counts = SibCounts::zeros(0, static_cast<int>(rows.size()) - 1, 0, 1);
  for (int x = 0; x < static_cast<int>(rows.size()); ++x)
    for (int g = 0; g < 2; ++g)
      for (int y = 0; y < 2; ++y) counts.add(x, g, y, rows[x][2 * g + y]);
  return counts;
}

double two_sided_p(double z) { return std::erfc(std::fabs(z) / std::sqrt(2.0)); }

// Reference:  x=0: 2 wrong        x=1: 2 wrong 2 right  x=2: 1 wrong 3 right  x=3: 2 right
// Focal:      x=0: 3 wrong        x=1: 3 wrong 1 right  x=2: 2 wrong 2 right  x=3: 1 right
// Subtest of 3 items.
const SibCounts kShifted = zero_one({{2, 0, 3, 0}, {2, 2, 3, 1}, {1, 3, 2, 2}, {0, 2, 0, 1}});
const SibReliabilityInput kShiftedItems{3, {0.5, 123.0 / 220}};

TEST(Sibtest, ReliabilityAndRegressionCorrection) {
  // Reference: n 12, Xbar = 18/12 = 1.5, sum (x - Xbar)^2 = 2(2.25) + 4(0.25) + 4(0.25) + 2(2.25)
  //   = 11, var = 11/11 = 1; rho_R = 3/2 (1 - 0.5/1) = 0.75.
  // Focal: n 12, Xbar = 15/12 = 1.25, sum = 3(1.5625) + 4(0.0625) + 4(0.5625) + 3.0625 = 10.25,
  //   var = 41/44; rho_F = 3/2 (1 - (123/220) / (41/44)) = 3/2 (1 - 0.6) = 0.6.
  const SibValues v = sibtest(kShifted, kShiftedItems, SibSettings{.min_per_group = 2});
  ASSERT_TRUE(v.reliability_reference && v.reliability_focal);
  EXPECT_NEAR(*v.reliability_reference, 0.75, 1e-14);
  EXPECT_NEAR(*v.reliability_focal, 0.6, 1e-14);

  // Ybar_R(0..3) = 0, 1/2, 3/4, 1; Ybar_F(0..3) = 0, 1/4, 1/2, 1. Strata 1 and 2 are kept.
  // k = 1: V_R = 1.5 + 0.75 (1 - 1.5) = 1.125, V_F = 1.25 + 0.6 (1 - 1.25) = 1.1,
  //   Vbar = 1.1125; M_R = (3/4 - 0) / (0.75 * 2) = 1/2, M_F = (1/2 - 0) / (0.6 * 2) = 5/12;
  //   Ystar_R = 1/2 + 1/2 (-0.0125) = 79/160, Ystar_F = 1/4 + 5/12 (0.0125) = 49/192,
  //   d_1 = 49/192 - 79/160 = -229/960.
  // k = 2: V_R = 1.875, V_F = 1.7, Vbar = 1.7875; M_R = (1 - 1/2) / 1.5 = 1/3,
  //   M_F = (1 - 1/4) / 1.2 = 5/8; Ystar_R = 3/4 - 7/240 = 173/240,
  //   Ystar_F = 1/2 + 7/128 = 71/128, d_2 = 71/128 - 173/240 = -319/1920.
  ASSERT_EQ(v.strata.size(), 2u);
  EXPECT_EQ(v.strata[0].k, 1);
  EXPECT_EQ(v.strata[1].k, 2);
  EXPECT_NEAR(v.strata[0].weight, 0.5, 1e-15);
  EXPECT_NEAR(v.strata[0].difference, -229.0 / 960, 1e-14);
  EXPECT_NEAR(v.strata[1].difference, -319.0 / 1920, 1e-14);

  // beta = (d_1 + d_2) / 2 = -777/3840: the focal group scores lower at equal true score, so
  // the item favours the reference group and beta is negative.
  ASSERT_TRUE(v.beta && v.se && v.chi_square && v.p);
  EXPECT_NEAR(*v.beta, -777.0 / 3840, 1e-14);
  // s^2/n: k = 1 reference {0,0,1,1} (1/3)/4, focal {0,0,0,1} (1/4)/4: 7/48; k = 2 likewise
  // 1/16 + 1/12 = 7/48. SE^2 = (1/4)(7/48) + (1/4)(7/48) = 7/96.
  EXPECT_NEAR(*v.se, std::sqrt(7.0 / 96), 1e-14);
  const double z = (-777.0 / 3840) / std::sqrt(7.0 / 96);
  EXPECT_NEAR(*v.chi_square, z * z, 1e-13);
  EXPECT_NEAR(*v.p, two_sided_p(z), 1e-13);
  EXPECT_EQ(v.sib_class, "A");  // p = 0.45 >= 0.05, though |beta| = 0.20

  // The line through (1, d_1) and (2, d_2): b1 = 139/1920, b0 = -597/1920, c = 597/139 = 4.29;
  // both strata have k <= c, so side U is empty and the test is SIBTEST's at 1 df.
  ASSERT_TRUE(v.csib_crossing && v.csib_chi_square && v.csib_df && v.csib_beta);
  EXPECT_NEAR(*v.csib_crossing, 597.0 / 139, 1e-12);
  EXPECT_EQ(*v.csib_df, 1);
  EXPECT_NEAR(*v.csib_chi_square, z * z, 1e-13);
  EXPECT_NEAR(*v.csib_beta, 777.0 / 3840, 1e-14);
  EXPECT_EQ(v.note, "");
}

// Both groups have the same X distribution (2, 3, 2, 2 examinees at x = 0..3) and the same item
// variances, so V_R(k) = V_F(k), the correction vanishes and Ystar = Ybar.
//   x=1: reference {0,0,1}, focal {0,1,1}; x=2: reference {0,1}, focal {0,1}.
TEST(Sibtest, StratumNeedsMinimumPerGroupAndVariance) {
  const SibReliabilityInput items{3, {0.5, 0.5}};
  const SibCounts counts = zero_one({{1, 1, 2, 0}, {2, 1, 1, 2}, {1, 1, 1, 1}, {1, 1, 0, 2}});

  // min 2: both strata; d_1 = 2/3 - 1/3, d_2 = 0, p = 6/10, 4/10: beta = 0.2;
  //   SE^2 = 0.36 (1/9 + 1/9) + 0.16 (1/4 + 1/4) = 0.16.
  const SibValues two = sibtest(counts, items, SibSettings{.min_per_group = 2});
  ASSERT_EQ(two.strata.size(), 2u);
  EXPECT_NEAR(two.strata[0].weight, 0.6, 1e-15);
  EXPECT_NEAR(two.strata[1].weight, 0.4, 1e-15);
  EXPECT_NEAR(*two.beta, 0.2, 1e-15);
  EXPECT_NEAR(*two.se, 0.4, 1e-15);

  // min 3: x=1 is kept with exactly 3 per group, x=2 (2 per group) is not: beta = d_1 = 1/3,
  // SE^2 = 1/9 + 1/9.
  const SibValues three = sibtest(counts, items, SibSettings{.min_per_group = 3});
  ASSERT_EQ(three.strata.size(), 1u);
  EXPECT_EQ(three.strata[0].k, 1);
  EXPECT_NEAR(*three.beta, 1.0 / 3, 1e-15);
  EXPECT_NEAR(*three.se, std::sqrt(2.0 / 9), 1e-15);
  EXPECT_FALSE(three.csib_crossing.has_value());
  EXPECT_EQ(three.note, "no crossing point: one kept stratum");

  // min 4: nothing is kept.
  const SibValues four = sibtest(counts, items, SibSettings{.min_per_group = 4});
  EXPECT_TRUE(four.strata.empty());
  EXPECT_FALSE(four.beta || four.se || four.p || four.csib_beta || four.csib_p);
  EXPECT_EQ(four.sib_class, "");
  EXPECT_NE(four.note.find("no SIBTEST: no stratum with 4 examinees of each group"),
            std::string::npos);

  // The focal examinees at x=2 all right: no variance there, so x=2 goes even at min 2.
  const SibCounts flat = zero_one({{1, 1, 2, 0}, {2, 1, 1, 2}, {1, 1, 0, 2}, {1, 1, 0, 2}});
  const SibValues dropped = sibtest(flat, items, SibSettings{.min_per_group = 2});
  ASSERT_EQ(dropped.strata.size(), 1u);
  EXPECT_EQ(dropped.strata[0].k, 1);
}

// The focal group has no examinee at x=1, so its slope at k=2 spans x=0..3.
// Reference: one wrong and one right at every x = 0..4 (Ybar_R = 1/2, M_R = 0, Ystar_R = 1/2).
// Focal:     x=0 {0,0}, x=2 {0,1}, x=3 {0,1}, x=4 {1,1}.
// Subtest of 4 items. Reference: n 10, Xbar 2, var 20/9, item variances 8/9:
//   rho_R = 4/3 (1 - 0.4) = 0.8. Focal: n 8, Xbar 2.25, var 17.5/7 = 2.5, item variances 1.375:
//   rho_F = 4/3 (1 - 0.55) = 0.6.
const SibCounts kGap = zero_one({{1, 1, 2, 0}, {1, 1, 0, 0}, {1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 0, 2}});
const SibReliabilityInput kGapItems{4, {8.0 / 9, 1.375}};

TEST(Sibtest, SlopeSpansTheNearestScoresWithExaminees) {
  const SibValues v = sibtest(kGap, kGapItems, SibSettings{.min_per_group = 2});
  // x=1 has no focal examinee: not kept. x=2 and x=3 are.
  ASSERT_EQ(v.strata.size(), 2u);
  EXPECT_EQ(v.strata[0].k, 2);
  EXPECT_EQ(v.strata[1].k, 3);
  // k = 2: V_R = 2, V_F = 2.25 + 0.6 (-0.25) = 2.1, Vbar = 2.05;
  //   M_F = (Ybar_F(3) - Ybar_F(0)) / (0.6 * (3 - 0)) = 1/2 / 1.8 = 5/18;
  //   Ystar_F = 1/2 + 5/18 (2.05 - 2.1) = 35/72, d_2 = 35/72 - 1/2 = -1/72.
  // k = 3: V_R = 2.8, V_F = 2.7, Vbar = 2.75; M_F = (1 - 1/2) / (0.6 * 2) = 5/12;
  //   Ystar_F = 1/2 + 5/12 (0.05) = 25/48, d_3 = 1/48.
  EXPECT_NEAR(v.strata[0].difference, -1.0 / 72, 1e-14);
  EXPECT_NEAR(v.strata[1].difference, 1.0 / 48, 1e-14);
  // beta = (-1/72 + 1/48) / 2 = 1/288 (positive: favours the focal group);
  // SE^2 = 2 (1/4)(1/4 + 1/4) = 1/4.
  EXPECT_NEAR(*v.beta, 1.0 / 288, 1e-15);
  EXPECT_NEAR(*v.se, 0.5, 1e-15);
  EXPECT_NEAR(*v.p, two_sided_p((1.0 / 288) / 0.5), 1e-14);
}

TEST(Sibtest, CrossingPointSplitsTheStrata) {
  const SibValues v = sibtest(kGap, kGapItems, SibSettings{.min_per_group = 2});
  // The line through (2, -1/72) and (3, 1/48): b1 = 5/144, zero at c = 2 + (1/72)/(5/144) = 2.4.
  ASSERT_TRUE(v.csib_crossing && v.csib_chi_square && v.csib_df && v.csib_p && v.csib_beta);
  EXPECT_NEAR(*v.csib_crossing, 2.4, 1e-13);
  // L = {2}: beta_L = -1/144, sigma_L^2 = (1/4)(1/2) = 1/8; U = {3}: beta_U = 1/96, 1/8.
  // chi-square = 8 (1/144^2 + 1/96^2) = 13/10368 at 2 df, p = exp(-chi-square / 2).
  EXPECT_EQ(*v.csib_df, 2);
  EXPECT_NEAR(*v.csib_chi_square, 13.0 / 10368, 1e-16);
  EXPECT_NEAR(*v.csib_p, std::exp(-13.0 / 20736), 1e-14);
  EXPECT_NEAR(*v.csib_beta, 1.0 / 96 + 1.0 / 144, 1e-15);
}

TEST(Sibtest, StratumAtTheCrossingPointIsOnTheLowerSide) {
  // Same X distribution (2, 4, 8, 4, 2 at x = 0..4) and item variances in both groups: Ystar =
  // Ybar. x=1: reference {0,1,1,1}, focal {0,0,0,1}: d_1 = -1/2; x=2: reference 4 of 8 right,
  // focal 5 of 8: d_2 = 1/8; x=3: reference {0,0,0,1}, focal {0,0,1,1}: d_3 = 1/4.
  const SibCounts counts =
      zero_one({{1, 1, 1, 1}, {1, 3, 3, 1}, {4, 4, 3, 5}, {3, 1, 2, 2}, {1, 1, 1, 1}});
  const SibValues v = sibtest(counts, {4, {0.5, 0.5}}, SibSettings{.min_per_group = 2});
  // p = 1/4, 1/2, 1/4: mean k 2, mean d -1/8 + 1/16 + 1/16 = 0, so the line crosses at c = 2.
  ASSERT_TRUE(v.csib_crossing && v.csib_chi_square && v.csib_beta);
  EXPECT_EQ(*v.csib_crossing, 2.0);
  EXPECT_NEAR(*v.beta, 0.0, 1e-17);
  // k = 2 <= c is on side L: beta_L = -1/8 + 1/16 = -1/16, beta_U = 1/16, csib_beta = 1/8.
  // s^2/n: k=1 1/16 + 1/16 = 1/8; k=2 (2/7)/8 + (15/56)/8 = 31/448; k=3 1/16 + (1/3)/4 = 7/48.
  // sigma_L^2 = (1/16)(1/8) + (1/4)(31/448) = 45/1792, sigma_U^2 = (1/16)(7/48) = 7/768;
  // chi-square = (1/256)(1792/45) + (1/256)(768/7) = 7/45 + 3/7 = 184/315.
  EXPECT_NEAR(*v.csib_beta, 1.0 / 8, 1e-16);
  EXPECT_NEAR(*v.csib_chi_square, 184.0 / 315, 1e-15);
  EXPECT_EQ(*v.csib_df, 2);
}

TEST(Sibtest, FlatLineHasNoCrossingPoint) {
  // Same X distribution and item variances in both groups, so Ystar = Ybar;
  // x=1 and x=2: reference {0,0,1}, focal {0,1,1}: d_1 = d_2 = 1/3, b1 = 0. Every stratum is
  // on side L and crossing SIBTEST is SIBTEST: beta = 1/3, SE^2 = 2 (1/4)(2/9) = 1/9, z = 1.
  const SibCounts counts = zero_one({{1, 1, 1, 1}, {2, 1, 1, 2}, {2, 1, 1, 2}, {1, 1, 1, 1}});
  const SibValues v = sibtest(counts, {3, {0.5, 0.5}}, SibSettings{.min_per_group = 2});
  EXPECT_NEAR(*v.beta, 1.0 / 3, 1e-15);
  EXPECT_NEAR(*v.se, 1.0 / 3, 1e-15);
  EXPECT_FALSE(v.csib_crossing.has_value());
  EXPECT_EQ(*v.csib_df, 1);
  EXPECT_NEAR(*v.csib_chi_square, 1.0, 1e-14);
  EXPECT_NEAR(*v.csib_beta, 1.0 / 3, 1e-15);
  EXPECT_EQ(v.note, "no crossing point: the line of the adjusted differences is flat");
}

TEST(Sibtest, PolytomousItemClassOnScoreRange) {
  // Scores 0..4, subtest of 2 items, 10 examinees for each listed score:
  //   reference x=0 {0,1}, x=1 {1,2,3}, x=2 {3,4}; focal x=0 {0,0,1}, x=1 {0,1,2}, x=2 {4}.
  SibCounts counts = SibCounts::zeros(0, 2, 0, 4);
  for (int y : {0, 1}) counts.add(0, 0, y, 10);
  for (int y : {1, 2, 3}) counts.add(1, 0, y, 10);
  for (int y : {3, 4}) counts.add(2, 0, y, 10);
  for (int y : {0, 0, 1}) counts.add(0, 1, y, 10);
  for (int y : {0, 1, 2}) counts.add(1, 1, y, 10);
  counts.add(2, 1, 4, 10);
  // Reference: Xbar 1, var 40/69; focal: Xbar 5/7, var (70 - 250/7)/69 = 80/161. Item
  // variances of 3/4 var give rho = 2 (1 - 3/4) = 1/2 in both groups.
  const SibReliabilityInput items{2, {0.75 * 40 / 69, 0.75 * 80 / 161}};
  const SibValues v = sibtest(counts, items, SibSettings{.score_range = 4});
  EXPECT_NEAR(*v.reliability_reference, 0.5, 1e-14);
  EXPECT_NEAR(*v.reliability_focal, 0.5, 1e-14);
  // Only k = 1: V_R = 1, V_F = 5/7 + (1/2)(2/7) = 6/7, Vbar = 13/14;
  //   M_R = (3.5 - 0.5) / (1/2 * 2) = 3, M_F = (4 - 1/3) / 1 = 11/3;
  //   Ystar_R = 2 + 3 (-1/14) = 25/14, Ystar_F = 1 + 11/3 (1/14) = 53/42; beta = -11/21.
  // s^2 = 20/29 in both groups (30 examinees each): SE^2 = 2 (20/29) / 30 = 4/87.
  EXPECT_NEAR(*v.beta, -11.0 / 21, 1e-14);
  EXPECT_NEAR(*v.se, std::sqrt(4.0 / 87), 1e-14);
  const double z = (-11.0 / 21) / std::sqrt(4.0 / 87);  // -2.44, p = 0.0146
  EXPECT_NEAR(*v.p, two_sided_p(z), 1e-14);
  // r = (11/21) / 4 = 0.131 >= 0.088 with p < 0.05, favouring the reference group.
  EXPECT_EQ(v.sib_class, "C-");
  // Over a range of 8 the same beta is r = 0.065: B.
  EXPECT_EQ(sibtest(counts, items, SibSettings{.score_range = 8}).sib_class, "B-");
}

TEST(Sibtest, ClassBoundaries) {
  const SibSettings zero_one_item;
  EXPECT_EQ(sib_class(0.0589, 0.001, zero_one_item), "A");
  EXPECT_EQ(sib_class(0.059, 0.001, zero_one_item), "B+");
  EXPECT_EQ(sib_class(-0.059, 0.001, zero_one_item), "B-");
  EXPECT_EQ(sib_class(-0.0879, 0.001, zero_one_item), "B-");
  EXPECT_EQ(sib_class(0.088, 0.001, zero_one_item), "C+");
  EXPECT_EQ(sib_class(-0.5, 0.001, zero_one_item), "C-");
  // p = alpha is not significant.
  EXPECT_EQ(sib_class(-0.5, 0.05, zero_one_item), "A");
  EXPECT_EQ(sib_class(-0.5, 0.0499999, zero_one_item), "C-");
  EXPECT_EQ(sib_class(0.07, 0.01, SibSettings{.alpha = 0.01}), "A");
  // Over a range of 4 the bounds on |beta| are 0.236 and 0.352.
  const SibSettings range4{.score_range = 4};
  EXPECT_EQ(sib_class(0.235, 0.001, range4), "A");
  EXPECT_EQ(sib_class(-0.236, 0.001, range4), "B-");
  EXPECT_EQ(sib_class(0.351, 0.001, range4), "B+");
  EXPECT_EQ(sib_class(0.352, 0.001, range4), "C+");
}

TEST(Sibtest, EmptyWithReasonWhenUndefined) {
  const SibSettings settings{.min_per_group = 2};
  const SibValues one_item = sibtest(kShifted, {1, {0, 0}}, settings);
  EXPECT_FALSE(one_item.beta || one_item.reliability_reference || one_item.csib_beta);
  EXPECT_EQ(one_item.note, "no SIBTEST: a matching subtest of fewer than two items");

  // Reference item variances equal to var(X) = 1: rho_R = 0.
  const SibValues unreliable = sibtest(kShifted, {3, {1.0, 123.0 / 220}}, settings);
  EXPECT_FALSE(unreliable.beta || unreliable.se || unreliable.csib_chi_square);
  EXPECT_NEAR(*unreliable.reliability_reference, 0.0, 1e-15);
  EXPECT_EQ(unreliable.note,
            "no SIBTEST: the subtest's reliability is 0 or below in the reference group");

  // Every focal examinee at x=1; no reference examinee at all.
  const SibCounts one_score = zero_one({{2, 0, 0, 0}, {2, 2, 3, 1}, {1, 3, 0, 0}});
  const SibValues flat = sibtest(one_score, kShiftedItems, settings);
  EXPECT_FALSE(flat.beta || flat.reliability_focal);
  EXPECT_EQ(flat.note, "no SIBTEST: the subtest score has no variance in the focal group");
  const SibCounts focal_only = zero_one({{0, 0, 1, 1}, {0, 0, 3, 1}, {0, 0, 2, 2}});
  const SibValues lone = sibtest(focal_only, kShiftedItems, settings);
  EXPECT_FALSE(lone.beta.has_value());
  EXPECT_EQ(lone.note, "no SIBTEST: the subtest score has no variance in the reference group");
}

}  // namespace
}  // namespace itemdif::stats

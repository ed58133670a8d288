// Mantel-Haenszel values of one item: continuity rule, interval, classes, undefined values
// and tiny p-values.
#include "stats/mantel_haenszel.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "stats/analysis.hpp"
#include "stats/level_table_builder.hpp"
#include "stats/method_cells.hpp"
#include "stats/method_list.hpp"

namespace itemdif::stats {
namespace {

using testing::level;
using Levels = std::vector<LevelTable>;

MhValues mh_of(const Levels& levels) { return mh_values(levels, 0.05); }

TEST(MhValues, DifferenceOfExactlyOneHalfIsCorrected) {
  // A=1 B=1 C=0 D=2: E = 1*2/4 = 1/2, |A-E| = 1/2 exactly, so c = 1/2 and chi-square 0.
  const MhValues mh = mh_of(Levels{level(1, 1, 0, 2)});
  ASSERT_TRUE(mh.chi_square);
  EXPECT_EQ(*mh.chi_square, 0.0);
  EXPECT_EQ(*mh.p, 1.0);
}

TEST(MhValues, DifferenceBelowOneHalfIsNotCorrected) {
  // A=1 B=0 C=1 D=1: E = 2*1/3, |A-E| = 1/3 < 1/2 so c = 0; V = 1*2*2*1/(9*2) = 2/9,
  // chi-square = (1/9)/(2/9) = 1/2, p = erfc(sqrt(1/4)) = erfc(1/2).
  const MhValues mh = mh_of(Levels{level(1, 0, 1, 1)});
  ASSERT_TRUE(mh.chi_square);
  EXPECT_DOUBLE_EQ(*mh.chi_square, 0.5);
  EXPECT_NEAR(*mh.p, std::erfc(0.5), 1e-15);
}

TEST(MhValues, DifferenceAboveOneHalfIsCorrected) {
  // A=3 B=2 C=1 D=4: E = 2, |A-E| = 1, chi-square = (1 - 1/2)^2 / (2/3) = 3/8.
  const MhValues mh = mh_of(Levels{level(3, 2, 1, 4)});
  EXPECT_DOUBLE_EQ(*mh.chi_square, 3.0 / 8);
  // alpha = 6, SE(ln alpha) = sqrt(3) / (6/5) (RBG numerator 3, see the sums' test).
  const double se = std::sqrt(3.0) / 1.2;
  EXPECT_DOUBLE_EQ(*mh.alpha, 6.0);
  EXPECT_NEAR(*mh.d_dif, -2.35 * std::log(6.0), 1e-14);
  EXPECT_NEAR(*mh.d_dif_se, 2.35 * se, 1e-14);
  EXPECT_NEAR(*mh.alpha_low, 6.0 * std::exp(-1.959964 * se), 1e-13);
  EXPECT_NEAR(*mh.alpha_high, 6.0 * std::exp(1.959964 * se), 1e-11);
  EXPECT_TRUE(mh.note.empty());
}

TEST(MhValues, LevelsNotUsedStayOut) {
  const MhValues with = mh_of(Levels{level(3, 2, 1, 4), level(9, 1, 0, 7, false)});
  const MhValues alone = mh_of(Levels{level(3, 2, 1, 4)});
  EXPECT_EQ(*with.chi_square, *alone.chi_square);
  EXPECT_EQ(*with.alpha, *alone.alpha);
}

TEST(MhValues, OddsRatioZeroKeepsChiSquare) {
  // No level has both A and D: alpha 0. E = 2*3/7, chi-square defined.
  const MhValues mh = mh_of(Levels{level(0, 3, 2, 2)});
  EXPECT_FALSE(mh.alpha);
  EXPECT_FALSE(mh.alpha_low);
  EXPECT_FALSE(mh.d_dif);
  EXPECT_FALSE(mh.d_dif_se);
  EXPECT_TRUE(mh.ets_class.empty());
  ASSERT_TRUE(mh.chi_square);
  EXPECT_TRUE(mh.p);
  EXPECT_NE(mh.note.find("odds ratio is 0"), std::string::npos) << mh.note;
}

TEST(MhValues, OddsRatioInfinite) {
  const MhValues mh = mh_of(Levels{level(3, 0, 2, 2)});
  EXPECT_FALSE(mh.alpha);
  EXPECT_FALSE(mh.alpha_high);
  EXPECT_TRUE(mh.chi_square);
  EXPECT_NE(mh.note.find("infinite"), std::string::npos) << mh.note;
}

TEST(MhValues, NoVarianceLeavesEverythingEmpty) {
  const MhValues mh = mh_of(Levels{level(4, 0, 3, 0), level(0, 2, 0, 5)});
  EXPECT_FALSE(mh.chi_square);
  EXPECT_FALSE(mh.p);
  EXPECT_FALSE(mh.alpha);
  EXPECT_EQ(mh.note, "no variance: in every used level all examinees answered alike");
}

TEST(MhValues, NoUsedLevel) {
  const MhValues mh = mh_of(Levels{level(3, 2, 1, 4, false)});
  EXPECT_FALSE(mh.chi_square);
  EXPECT_NE(mh.note.find("no used level"), std::string::npos);
}

TEST(MhValues, PFarBelowDoublePrecisionOfOneMinusCdf) {
  // A=D=900, B=C=100: chi-square near 1280, p near 1e-280; the tail equals erfc(sqrt(chi/2)).
  const MhValues mh = mh_of(Levels{level(900, 100, 100, 900)});
  ASSERT_TRUE(mh.p);
  const double reference = std::erfc(std::sqrt(*mh.chi_square / 2));
  EXPECT_GT(*mh.p, 0.0);
  EXPECT_LT(*mh.p, 1e-200);
  EXPECT_NEAR(*mh.p / reference, 1.0, 1e-12);
  EXPECT_EQ(mh.ets_class, "C-");
}

TEST(EtsClass, SignedClasses) {
  EXPECT_EQ(ets_class(-0.99, 0.1, 1e-6, 0.05), "A");
  EXPECT_EQ(ets_class(2.0, 0.1, 0.05, 0.05), "A");  // p at alpha is not significant
  EXPECT_EQ(ets_class(-1.0, 0.1, 0.01, 0.05), "B-");  // |D| exactly 1
  EXPECT_EQ(ets_class(1.2, 0.1, 0.01, 0.05), "B+");
  EXPECT_EQ(ets_class(1.5, 0.2, 0.01, 0.05), "C+");  // (1.5-1)/0.2 = 2.5 > 1.959964
  EXPECT_EQ(ets_class(-1.49, 0.01, 0.01, 0.05), "B-");
  EXPECT_EQ(ets_class(-2.0, 0.6, 0.01, 0.05), "B-");  // (2-1)/0.6 = 1.67: not clearly above 1
  // (|D|-1)/SE just above and below 1.959964.
  EXPECT_EQ(ets_class(1.6, 0.6 / 1.959965, 0.01, 0.05), "C+");
  EXPECT_EQ(ets_class(1.6, 0.6 / 1.959963, 0.01, 0.05), "B+");
}

/// An item holding `cells` as the Mantel-Haenszel method's cells, the other methods not run.
ItemResult item_with_mh_cells(std::vector<Cell> cells) {
  ItemResult item;
  item.methods.resize(methods().size());
  item.methods[*method_position("mh")].cells = std::move(cells);
  return item;
}

TEST(MhCells, EachValueInTheColumnOfItsName) {
  const MhValues mh = mh_of(Levels{level(3, 2, 1, 4)});
  const std::vector<Cell> cells = mh_cells(mh);
  EXPECT_EQ(cells.size(), methods()[*method_position("mh")].columns.size());
  const ItemResult item = item_with_mh_cells(cells);
  // alpha 6, chi-square 3/8 and SE(ln alpha) = sqrt(3) / (6/5), as in the tests above.
  const double se = std::sqrt(3.0) / 1.2;
  const double d = -2.35 * std::log(6.0);
  EXPECT_DOUBLE_EQ(*item.number("mh_alpha"), 6.0);
  EXPECT_NEAR(*item.number("mh_alpha_low"), 6.0 * std::exp(-1.959964 * se), 1e-13);
  EXPECT_NEAR(*item.number("mh_alpha_high"), 6.0 * std::exp(1.959964 * se), 1e-11);
  EXPECT_NEAR(*item.number("mh_d_dif"), d, 1e-14);
  EXPECT_NEAR(*item.number("mh_d_dif_se"), 2.35 * se, 1e-14);
  EXPECT_DOUBLE_EQ(*item.number("mh_chi_square"), 3.0 / 8);
  EXPECT_EQ(*item.number("mh_p"), *mh.p);
  EXPECT_FALSE(item.number("mh_p_adjusted"));  // set across the items, later
  EXPECT_EQ(item.text("ets_class"), "A");
  // The D-DIF interval D -/+ 1.959964 SE(D).
  EXPECT_NEAR(*item.number("mh_d_dif_low"), d - 1.959964 * 2.35 * se, 1e-13);
  EXPECT_NEAR(*item.number("mh_d_dif_high"), d + 1.959964 * 2.35 * se, 1e-13);
}

TEST(MhCells, UndefinedValuesAreEmptyCells) {
  // Odds ratio 0: the chi-square stays, the ratio, D-DIF, its interval and the class go.
  const ItemResult item = item_with_mh_cells(mh_cells(mh_of(Levels{level(0, 3, 2, 2)})));
  EXPECT_TRUE(item.number("mh_chi_square"));
  EXPECT_TRUE(item.number("mh_p"));
  for (const std::string_view name : {"mh_alpha", "mh_alpha_low", "mh_alpha_high", "mh_d_dif",
                                      "mh_d_dif_se", "mh_d_dif_low", "mh_d_dif_high",
                                      "ets_class"})
    EXPECT_TRUE(std::holds_alternative<std::monostate>(item.cell(name))) << name;
}

// Polytomous items. Level 1, scores 0..2: reference 1, 2, 1 (nR 4, SR 4), focal 2, 1, 0 (nF 3,
// SF 1); N 7, S 5, Q 7. Level 2, N = 2: one reference examinee scoring 2, one focal scoring 1.
// By hand: T = 2, E = 15/7 + 3/2 = 51/14, V = 4*3*(49 - 25)/(49*6) + 1*1*(10 - 9)/(4*1)
// = 48/49 + 1/4 = 241/196, so chi-square = (23/14)^2 / (241/196) = 529/241. Liu-Agresti, cuts
// 0|1 and 1|2: level 1 A D / N = 3*2/7 and 1*3/7, B C / N = 1*1/7 and 0; level 2 gives 1*1/2
// at cut 1|2 and nothing else: alpha = (9/7 + 1/2) / (1/7) = 12.5.
Levels worked_polytomous() {
  return {testing::scored_level(0, {{1, 2, 1}, {2, 1, 0}}),
          testing::scored_level(0, {{0, 0, 1}, {0, 1, 0}})};
}

TEST(MantelValues, ChiSquareAndLiuAgrestiOfAWorkedExample) {
  const MhValues mh = mantel_values(worked_polytomous(), 0.3, 1.0, 0.05);
  ASSERT_TRUE(mh.chi_square && mh.p && mh.alpha && mh.d_dif) << mh.note;
  EXPECT_NEAR(*mh.chi_square, 529.0 / 241, 1e-14);
  EXPECT_NEAR(*mh.p, std::erfc(std::sqrt(529.0 / 241 / 2)), 1e-15);
  EXPECT_NEAR(*mh.alpha, 12.5, 1e-13);
  EXPECT_NEAR(*mh.d_dif, -2.35 * std::log(12.5), 1e-13);
  // No interval and no standard error for the cumulative odds ratio.
  EXPECT_FALSE(mh.alpha_low || mh.alpha_high || mh.d_dif_se);
  EXPECT_EQ(mh.note, "");
  // p = 0.139: not below 0.05, whatever the difference; below 0.2, and |0.3| / 1 > 0.25.
  EXPECT_EQ(mh.ets_class, "AA");
  EXPECT_EQ(mantel_values(worked_polytomous(), 0.3, 1.0, 0.2).ets_class, "CC+");
}

TEST(MantelValues, NoContinuityCorrectionAndUnusedLevelsStayOut) {
  Levels levels = worked_polytomous();
  levels.push_back(testing::scored_level(0, {{9, 0, 0}, {0, 0, 9}}, false));
  const MhValues mh = mantel_values(levels, 0.0, 1.0, 0.05);
  EXPECT_NEAR(*mh.chi_square, 529.0 / 241, 1e-14);
  EXPECT_NEAR(*mh.alpha, 12.5, 1e-13);
}

TEST(MantelValues, LiuAgrestiIsTheMhOddsRatioOnAZeroOneItem) {
  const Levels levels = {level(3, 2, 1, 4), level(6, 4, 3, 7), level(2, 0, 1, 1)};
  const MhValues mh = mh_of(levels);
  const MhValues cumulative = mantel_values(levels, 0.0, 0.5, 0.05);
  EXPECT_NEAR(*cumulative.alpha, *mh.alpha, 1e-14 * *mh.alpha);
  EXPECT_NEAR(*cumulative.d_dif, *mh.d_dif, 1e-13);
  // Mantel's statistic is the uncorrected MH chi-square.
  double a = 0, e = 0, v = 0;
  for (const LevelTable& l : levels) {
    const TwoByTwo t = l.two_by_two();
    const double nr = t.a + t.b, nf = t.c + t.d, n = nr + nf, m1 = t.a + t.c;
    a += t.a;
    e += nr * m1 / n;
    v += nr * nf * m1 * (n - m1) / (n * n * (n - 1));
  }
  EXPECT_NEAR(*cumulative.chi_square, (a - e) * (a - e) / v, 1e-13);
}

TEST(MantelValues, AnOddsRatioOfZeroKeepsTheClass) {
  // Every reference examinee at the lowest score, every focal one above it.
  const Levels levels = {testing::scored_level(1, {{5, 0, 0}, {0, 3, 2}}),
                         testing::scored_level(1, {{4, 0, 0}, {0, 2, 4}})};
  const MhValues mh = mantel_values(levels, 1.5, 1.0, 0.05);
  EXPECT_FALSE(mh.alpha || mh.d_dif);
  EXPECT_TRUE(mh.chi_square && mh.p);
  EXPECT_EQ(mh.ets_class, "CC+");
  EXPECT_EQ(mh.note,
            "Liu-Agresti odds ratio is 0: no used level has reference examinees above and focal "
            "examinees at or below a score together");
}

TEST(MantelValues, WithoutVarianceOrUsedLevelEverythingIsEmpty) {
  const MhValues same = mantel_values(Levels{testing::scored_level(1, {{0, 4, 0}, {0, 3, 0}})},
                                      0.0, 0.0, 0.05);
  EXPECT_FALSE(same.chi_square || same.p || same.alpha);
  EXPECT_EQ(same.ets_class, "");
  EXPECT_EQ(same.note, "no variance: in every used level all examinees have the same score");
  const MhValues unused =
      mantel_values(Levels{testing::scored_level(0, {{1, 2, 1}, {2, 1, 0}}, false)}, 0.1, 1.0,
                    0.05);
  EXPECT_FALSE(unused.chi_square);
  EXPECT_EQ(unused.note, "no used level: no level has enough examinees of both groups");
}

TEST(PolytomousEtsClass, BoundariesAndSign) {
  // |SMD| / SD exactly 0.17 is AA; just above is BB; exactly 0.25 is BB; above is CC.
  EXPECT_EQ(polytomous_ets_class(0.17, 1.0, 0.001, 0.05), "AA");
  EXPECT_EQ(polytomous_ets_class(-0.17, 1.0, 0.001, 0.05), "AA");
  EXPECT_EQ(polytomous_ets_class(0.1701, 1.0, 0.001, 0.05), "BB+");
  EXPECT_EQ(polytomous_ets_class(-0.25, 1.0, 0.001, 0.05), "BB-");
  EXPECT_EQ(polytomous_ets_class(-0.2501, 1.0, 0.001, 0.05), "CC-");
  EXPECT_EQ(polytomous_ets_class(0.5, 2.0, 0.001, 0.05), "BB+");  // 0.25 of a wider spread
  // p at alpha is not significant, however large the difference.
  EXPECT_EQ(polytomous_ets_class(-1.0, 1.0, 0.05, 0.05), "AA");
  EXPECT_EQ(polytomous_ets_class(-1.0, 1.0, 0.0499, 0.05), "CC-");
}

TEST(MantelMethod, PolytomousItemTakesSmdAndSdFromTheItem) {
  // The worked levels as an item's tables; its cells hold every examinee, those of no level
  // too, so SD is over more scores than the levels hold.
  const Levels levels = worked_polytomous();
  const std::vector<ScoreCell> cells = {{0, 0, 0, 2}, {0, 0, 1, 2}, {0, 0, 2, 3},
                                        {0, 1, 0, 3}, {0, 1, 1, 2}};
  const ItemRange range{0, 2, true};
  const testing::EmptyRound empty;
  const ItemInput input{empty.round, 0, range, levels, cells, 0.2, {}, empty.nothing};  // p = 0.139 is below this alpha
  const Method& mh = testing::method_named("mh");
  const MethodValues values = mh.compute(input);
  // SMD = (3 (1/3 - 1) + 1 (1 - 2)) / 4 = -3/4; the cells hold 12 scores summing to 10 with
  // squares summing to 16.
  const double mean = 10.0 / 12;
  const double sd = std::sqrt((16 - 12 * mean * mean) / 11);
  EXPECT_EQ(testing::text_named(mh, values, "ets_class"), 0.75 / sd > 0.25 ? "CC-" : "BB-");
  EXPECT_NEAR(*testing::number_named(mh, values, "mh_chi_square"), 529.0 / 241, 1e-14);
  for (const char* name : {"mh_alpha_low", "mh_alpha_high", "mh_d_dif_se", "mh_d_dif_low",
                           "mh_d_dif_high"})
    EXPECT_FALSE(testing::number_named(mh, values, name)) << name;
}

}  // namespace
}  // namespace itemdif::stats

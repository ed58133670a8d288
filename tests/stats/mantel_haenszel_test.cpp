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
#include "stats/method_list.hpp"

namespace itemdif::stats {
namespace {

using testing::level;
using Levels = std::vector<LevelTable>;

MhValues mh_of(const Levels& levels, std::string& note) { return mh_values(levels, 0.05, note); }

TEST(MhValues, DifferenceOfExactlyOneHalfIsCorrected) {
  // A=1 B=1 C=0 D=2: E = 1*2/4 = 1/2, |A-E| = 1/2 exactly, so c = 1/2 and chi-square 0.
  std::string note;
  const MhValues mh = mh_of(Levels{level(1, 1, 0, 2)}, note);
  ASSERT_TRUE(mh.chi_square);
  EXPECT_EQ(*mh.chi_square, 0.0);
  EXPECT_EQ(*mh.p, 1.0);
}

TEST(MhValues, DifferenceBelowOneHalfIsNotCorrected) {
  // A=1 B=0 C=1 D=1: E = 2*1/3, |A-E| = 1/3 < 1/2 so c = 0; V = 1*2*2*1/(9*2) = 2/9,
  // chi-square = (1/9)/(2/9) = 1/2, p = erfc(sqrt(1/4)) = erfc(1/2).
  std::string note;
  const MhValues mh = mh_of(Levels{level(1, 0, 1, 1)}, note);
  ASSERT_TRUE(mh.chi_square);
  EXPECT_DOUBLE_EQ(*mh.chi_square, 0.5);
  EXPECT_NEAR(*mh.p, std::erfc(0.5), 1e-15);
}

TEST(MhValues, DifferenceAboveOneHalfIsCorrected) {
  // A=3 B=2 C=1 D=4: E = 2, |A-E| = 1, chi-square = (1 - 1/2)^2 / (2/3) = 3/8.
  std::string note;
  const MhValues mh = mh_of(Levels{level(3, 2, 1, 4)}, note);
  EXPECT_DOUBLE_EQ(*mh.chi_square, 3.0 / 8);
  // alpha = 6, SE(ln alpha) = sqrt(3) / (6/5) (RBG numerator 3, see the sums' test).
  const double se = std::sqrt(3.0) / 1.2;
  EXPECT_DOUBLE_EQ(*mh.alpha, 6.0);
  EXPECT_NEAR(*mh.d_dif, -2.35 * std::log(6.0), 1e-14);
  EXPECT_NEAR(*mh.d_dif_se, 2.35 * se, 1e-14);
  EXPECT_NEAR(*mh.alpha_low, 6.0 * std::exp(-1.959964 * se), 1e-13);
  EXPECT_NEAR(*mh.alpha_high, 6.0 * std::exp(1.959964 * se), 1e-11);
  EXPECT_TRUE(note.empty());
}

TEST(MhValues, LevelsNotUsedStayOut) {
  std::string note;
  const MhValues with = mh_of(Levels{level(3, 2, 1, 4), level(9, 1, 0, 7, false)}, note);
  const MhValues alone = mh_of(Levels{level(3, 2, 1, 4)}, note);
  EXPECT_EQ(*with.chi_square, *alone.chi_square);
  EXPECT_EQ(*with.alpha, *alone.alpha);
}

TEST(MhValues, OddsRatioZeroKeepsChiSquare) {
  // No level has both A and D: alpha 0. E = 2*3/7, chi-square defined.
  std::string note;
  const MhValues mh = mh_of(Levels{level(0, 3, 2, 2)}, note);
  EXPECT_FALSE(mh.alpha);
  EXPECT_FALSE(mh.alpha_low);
  EXPECT_FALSE(mh.d_dif);
  EXPECT_FALSE(mh.d_dif_se);
  EXPECT_TRUE(mh.ets_class.empty());
  ASSERT_TRUE(mh.chi_square);
  EXPECT_TRUE(mh.p);
  EXPECT_NE(note.find("odds ratio is 0"), std::string::npos) << note;
}

TEST(MhValues, OddsRatioInfinite) {
  std::string note;
  const MhValues mh = mh_of(Levels{level(3, 0, 2, 2)}, note);
  EXPECT_FALSE(mh.alpha);
  EXPECT_FALSE(mh.alpha_high);
  EXPECT_TRUE(mh.chi_square);
  EXPECT_NE(note.find("infinite"), std::string::npos) << note;
}

TEST(MhValues, NoVarianceLeavesEverythingEmpty) {
  std::string note = "earlier reason";
  const MhValues mh = mh_of(Levels{level(4, 0, 3, 0), level(0, 2, 0, 5)}, note);
  EXPECT_FALSE(mh.chi_square);
  EXPECT_FALSE(mh.p);
  EXPECT_FALSE(mh.alpha);
  EXPECT_EQ(note, "earlier reason; no variance: in every used level all examinees answered alike");
}

TEST(MhValues, NoUsedLevel) {
  std::string note;
  const MhValues mh = mh_of(Levels{level(3, 2, 1, 4, false)}, note);
  EXPECT_FALSE(mh.chi_square);
  EXPECT_NE(note.find("no used level"), std::string::npos);
}

TEST(MhValues, PFarBelowDoublePrecisionOfOneMinusCdf) {
  // A=D=900, B=C=100: chi-square near 1280, p near 1e-280; the tail equals erfc(sqrt(chi/2)).
  std::string note;
  const MhValues mh = mh_of(Levels{level(900, 100, 100, 900)}, note);
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
  std::string note;
  const MhValues mh = mh_of(Levels{level(3, 2, 1, 4)}, note);
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
  std::string note;
  // Odds ratio 0: the chi-square stays, the ratio, D-DIF, its interval and the class go.
  const ItemResult item = item_with_mh_cells(mh_cells(mh_of(Levels{level(0, 3, 2, 2)}, note)));
  EXPECT_TRUE(item.number("mh_chi_square"));
  EXPECT_TRUE(item.number("mh_p"));
  for (const std::string_view name : {"mh_alpha", "mh_alpha_low", "mh_alpha_high", "mh_d_dif",
                                      "mh_d_dif_se", "mh_d_dif_low", "mh_d_dif_high",
                                      "ets_class"})
    EXPECT_TRUE(std::holds_alternative<std::monostate>(item.cell(name))) << name;
}

}  // namespace
}  // namespace itemdif::stats

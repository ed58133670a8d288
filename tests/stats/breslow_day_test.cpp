// Breslow-Day with Tarone's correction against R: mantelhaen.test for the MH odds ratio, the
// expected counts as the root of the quadratic by polyroot within the bounds, the sums in R
// (the R lines are quoted with each value).
#include "stats/breslow_day.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "stats/level_table_builder.hpp"
#include "stats/mantel_haenszel.hpp"
#include "stats/method_cells.hpp"

namespace itemdif::stats {
namespace {

using testing::level;
using Levels = std::vector<LevelTable>;

// Level 3 is used but has no correct answer (margin m1 = 0): it counts for MH, not for BD.
const Levels kLevels = {level(10, 5, 6, 9), level(4, 8, 7, 3), level(0, 3, 0, 4),
                        level(12, 2, 9, 6)};
// mantelhaen.test(tab, correct = TRUE)$estimate over the four levels.
constexpr double kMhAlpha = 1.4469525959367944;

void expect_relative(double actual, double expected, double tolerance) {
  EXPECT_NEAR(actual, expected, tolerance * std::fabs(expected));
}

TEST(BreslowDay, ExpectedCountIsTheRootWithinTheBounds) {
  // Re(polyroot(c(-alpha nr m1, m0 - nr + alpha (nr + m1), 1 - alpha))) at the MH alpha:
  // level 1 (bounds 1..15): 8.6876773822914402 and 89.433534738920713;
  // level 4 (bounds 6..14): 10.668424137565959 and 89.215414246272459.
  expect_relative(breslow_day_expected(15, 16, 14, kMhAlpha), 8.6876773822914402, 1e-14);
  expect_relative(breslow_day_expected(14, 21, 8, kMhAlpha), 10.668424137565959, 1e-14);
  // alpha < 1 puts the other root below 0: alpha 0.4 gives 6.3192920195563609, -25.319...
  expect_relative(breslow_day_expected(15, 16, 14, 0.4), 6.3192920195563609, 1e-14);
  // Near the bounds 1..15 of the same table: alpha 1e-3 gives -0.20454... and
  // 1.17451429973608845; alpha 1e3 gives 14.825485700263897 and 16.204544...
  expect_relative(breslow_day_expected(15, 16, 14, 1e-3), 1.17451429973608845, 1e-13);
  expect_relative(breslow_day_expected(15, 16, 14, 1e3), 14.825485700263897, 1e-13);
  // alpha 1 is the linear case, the count without association: nR m1 / N = 15 * 16 / 30.
  EXPECT_DOUBLE_EQ(breslow_day_expected(15, 16, 14, 1.0), 8.0);
}

TEST(BreslowDay, TaroneCorrectedStatisticOverLevelsWithPositiveMargins) {
  const MhValues mh = mh_values(kLevels, 0.05);
  expect_relative(*mh.alpha, kMhAlpha, 1e-14);
  const BdValues bd = breslow_day(kLevels, mh.alpha);
  // R: sum (A - a)^2 / v = 6.8126474743668393, Tarone's term (sum A - sum a)^2 / sum v =
  // 0.0043360795913831122, statistic 6.8083113947754565 on 2 df (levels 1, 2 and 4),
  // pchisq(..., 2, lower.tail = FALSE) = 0.033234868525952248.
  ASSERT_TRUE(bd.chi_square && bd.df && bd.p);
  expect_relative(*bd.chi_square, 6.8083113947754565, 1e-13);
  EXPECT_EQ(*bd.df, 2);
  expect_relative(*bd.p, 0.033234868525952248, 1e-12);
  EXPECT_EQ(bd.note, "");
}

TEST(BreslowDay, UnusedLevelsAndLevelsWithAZeroMarginDoNotCount) {
  Levels levels = kLevels;
  levels.push_back(level(1, 9, 9, 1, false));
  levels.push_back(level(3, 4, 0, 0));  // no focal examinee: margin nF = 0
  const BdValues bd = breslow_day(levels, kMhAlpha);
  expect_relative(*bd.chi_square, 6.8083113947754565, 1e-13);
  EXPECT_EQ(*bd.df, 2);
}

TEST(BreslowDay, EmptyBelowTwoLevelsOrWithoutOddsRatio) {
  const BdValues one = breslow_day(Levels{level(10, 5, 6, 9), level(0, 3, 0, 4)}, 1.2);
  EXPECT_FALSE(one.chi_square || one.df || one.p);
  EXPECT_EQ(one.note, "no Breslow-Day test: fewer than two used levels with every margin positive");

  const BdValues none = breslow_day(kLevels, std::nullopt);
  EXPECT_FALSE(none.chi_square || none.df || none.p);
  EXPECT_EQ(none.note, "no Breslow-Day test without the MH odds ratio");
}

TEST(BreslowDay, HomogeneousTablesGiveZero) {
  // Two copies of one table: a common odds ratio fits exactly.
  const Levels levels = {level(6, 4, 3, 7), level(6, 4, 3, 7)};
  const MhValues mh = mh_values(levels, 0.05);
  const BdValues bd = breslow_day(levels, mh.alpha);
  EXPECT_NEAR(*bd.chi_square, 0.0, 1e-12);
  EXPECT_EQ(*bd.df, 1);
  EXPECT_NEAR(*bd.p, 1.0, 1e-12);
}

/// The Breslow-Day method run on `levels` after the Mantel-Haenszel values `earlier`.
MethodValues run_method(const ItemRange& range, const Levels& levels,
                        const std::vector<MethodValues>& earlier) {
  const testing::EmptyRound empty;
  const ItemInput input{empty.round, 0, range, levels, {}, 0.05, earlier, empty.nothing};
  return testing::method_named("bd").compute(input);
}

TEST(BreslowDayMethod, ReadsTheOddsRatioOfTheMantelHaenszelMethod) {
  const Method& bd = testing::method_named("bd");
  std::vector<MethodValues> earlier(*method_position("bd"));
  earlier[*method_position("mh")].cells = mh_cells(mh_values(kLevels, 0.05));
  const MethodValues values = run_method(ItemRange{}, kLevels, earlier);
  EXPECT_EQ(values.note, "");
  expect_relative(*testing::number_named(bd, values, "bd_chi_square"), 6.8083113947754565, 1e-13);
  EXPECT_EQ(std::get<std::int64_t>(testing::cell_named(bd, values, "bd_df")), 2);
  expect_relative(*testing::number_named(bd, values, "bd_p"), 0.033234868525952248, 1e-12);

  // No reference examinee answered correctly: the odds ratio is 0, an undefined MH value, so
  // there is no test, and the note says why.
  const Levels zero = {level(0, 3, 2, 2), level(0, 5, 1, 4)};
  earlier[*method_position("mh")].cells = mh_cells(mh_values(zero, 0.05));
  const MethodValues without = run_method(ItemRange{}, zero, earlier);
  EXPECT_FALSE(testing::number_named(bd, without, "bd_chi_square"));
  EXPECT_EQ(without.note, "no Breslow-Day test without the MH odds ratio");
}

TEST(BreslowDayMethod, NothingForAPolytomousItem) {
  const Method& bd = testing::method_named("bd");
  const std::vector<MethodValues> earlier(*method_position("bd"));
  const MethodValues values = run_method(ItemRange{0, 3, true}, {}, earlier);
  EXPECT_EQ(values.cells.size(), bd.columns.size());
  for (const Cell& cell : values.cells) EXPECT_TRUE(std::holds_alternative<std::monostate>(cell));
  EXPECT_EQ(values.note, "");
}

}  // namespace
}  // namespace itemdif::stats

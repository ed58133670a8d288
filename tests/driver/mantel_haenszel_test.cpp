// Mantel-Haenszel statistics from level tables filled by hand.
#include "driver/mantel_haenszel.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "driver/passes.hpp"
#include "driver/report.hpp"
#include "driver/stops.hpp"
#include "level_tables.hpp"
#include "support/thrown.hpp"

namespace itemdif::driver {
namespace {

using testing::CapturedChannel;
using testing::make_level_run;
using testing::make_level_tables;
using testing::set_cell;

// The pass table of `tables` as the report prints it, items labelled 1, 2, ...
std::vector<std::string> table_lines(LevelTables tables, std::int32_t first_label = 1) {
  RunData run = make_level_run(static_cast<int>(tables.items()), static_cast<int>(tables.levels()));
  run.item_label[0] = first_label;
  const PassResult pass = pass_result(1, std::move(tables));
  CapturedChannel report;
  write_pass_table(report.channel(), run, pass);
  return report.lines();
}

// Three items of two valid levels each, one per worked example:
//   item 1: (30,20,20,30), (40,10,30,20)
//   item 2: (40,10,20,30), (45,5,30,20)
//   item 3: (30,20,28,22), (40,10,38,12)
LevelTables worked_examples() {
  LevelTables run = make_level_tables(3, 2);
  set_cell(run, 0, 0, 30, 20, 20, 30);
  set_cell(run, 1, 0, 40, 10, 30, 20);
  set_cell(run, 0, 1, 40, 10, 20, 30);
  set_cell(run, 1, 1, 45, 5, 30, 20);
  set_cell(run, 0, 2, 30, 20, 28, 22);
  set_cell(run, 1, 2, 40, 10, 38, 12);
  return run;
}

// Reference values: exact rational sums (Python fractions) for alpha, the chi-square and the
// variance; the logarithm, square root and the normal tail erfc(sqrt(chi/2)) for p in Python
// double precision, independently of the code under test.
struct Expected {
  double alpha, mh_d_dif, chi_square, p_value, se_d_dif;
  const char* mark;
  char code;
};
constexpr Expected kWorked[3] = {
    {2.4285714285714284, -2.0851625082521212, 7.769347826086957, 0.005314023173738256,
     0.7144810367284569, "** ", 'B'},
    {6.0, -4.210634752685929, 26.770526315789475, 2.2910514384042953e-07, 0.8280195897147723,
     "***", 'C'},
    {1.2127659574468086, -0.4533236153925554, 0.21459537572254336, 0.643189192920203,
     0.7306869818453783, "   ", 'A'},
};

TEST(MantelHaenszel, WorkedExamples) {
  const std::vector<MhItem> items = mantel_haenszel(worked_examples());
  ASSERT_EQ(items.size(), 3u);
  for (int j = 0; j < 3; ++j) {
    SCOPED_TRACE(j + 1);
    const Expected& e = kWorked[j];
    const MhItem& item = items[j];
    EXPECT_NEAR(item.alpha, e.alpha, 1e-14);
    EXPECT_NEAR(item.mh_d_dif, e.mh_d_dif, 1e-13);
    EXPECT_NEAR(item.chi_square, e.chi_square, 1e-12);
    // Far in the tail (item 2) the distribution function's own series error shows in the
    // fourth digit of p; the printed three decimals cannot see it.
    EXPECT_NEAR(item.p_value, e.p_value, 1e-12 + 1e-3 * e.p_value);
    EXPECT_NEAR(item.se_d_dif, e.se_d_dif, 1e-13);
    EXPECT_EQ(item.significance_mark, e.mark);
    EXPECT_EQ(item.category, e.code);
  }
  // The sums of the first example; expected: nR m1 / N = 50 * 50 / 100 + 50 * 70 / 100.
  EXPECT_DOUBLE_EQ(items[0].alpha_numerator, 17.0);
  EXPECT_DOUBLE_EQ(items[0].alpha_denominator, 7.0);
  EXPECT_DOUBLE_EQ(items[0].observed_sum, 70.0);
  EXPECT_DOUBLE_EQ(items[0].expected_sum, 60.0);
  EXPECT_NEAR(items[0].variance_sum, 11.616161616161616, 1e-13);
}

TEST(MantelHaenszel, WorkedExamplesAsPrinted) {
  const PassResult pass = pass_result(1, worked_examples());
  EXPECT_EQ(pass.purged, std::vector<std::size_t>{1});
  EXPECT_EQ(std::string(pass.favored_group.begin(), pass.favored_group.end()), " R ");
  const auto lines = table_lines(worked_examples());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], std::string(61, ' ') + "SE");
  // Headings in columns 4-7, 17-21, 28-30, 37-43, 48-55 and 58-67.
  EXPECT_EQ(lines[1], "   ITEM         Alpha      X^2      P-Value    MH D-DIF  (MH D-DIF)");
  EXPECT_EQ(lines[2], "B    1**       2.429       7.769      0.005     -2.085      0.714");
  EXPECT_EQ(lines[3], "CR   2***      6.000      26.771      0.000     -4.211      0.828");
  EXPECT_EQ(lines[4], "A    3         1.213       0.215      0.643     -0.453      0.731");
}

TEST(MantelHaenszel, InvalidCellsEnterNoSum) {
  LevelTables run = make_level_tables(1, 4);
  set_cell(run, 0, 0, 9, 0, 50, 50);       // 9 reference examinees: not valid
  set_cell(run, 1, 0, 30, 20, 20, 30);
  set_cell(run, 2, 0, 300, 200, 1, 8);     // 9 focal examinees: not valid
  set_cell(run, 3, 0, 40, 10, 30, 20);
  const MhItem item = mantel_haenszel(run).at(0);
  EXPECT_NEAR(item.alpha, kWorked[0].alpha, 1e-14);
  EXPECT_NEAR(item.chi_square, kWorked[0].chi_square, 1e-12);
  EXPECT_NEAR(item.se_d_dif, kWorked[0].se_d_dif, 1e-13);
  EXPECT_DOUBLE_EQ(item.observed_sum, 70.0);
  EXPECT_DOUBLE_EQ(item.expected_sum, 60.0);
}

TEST(MantelHaenszel, IdenticalGroupsAndTheUnflooredCorrection) {
  LevelTables run = make_level_tables(1, 2);
  set_cell(run, 0, 0, 12, 8, 12, 8);
  set_cell(run, 1, 0, 30, 10, 30, 10);
  const MhItem item = mantel_haenszel(run).at(0);
  EXPECT_EQ(item.alpha, 1.0);
  EXPECT_EQ(item.mh_d_dif, 0.0);
  EXPECT_EQ(item.category, 'A');
  // Observed equals expected: the corrected difference is -0.5, squared.
  EXPECT_DOUBLE_EQ(item.chi_square, 0.25 / item.variance_sum);
  // Variance by hand: 20*20*24*16/(40*40*39) + 40*40*60*20/(80*80*79).
  EXPECT_NEAR(item.variance_sum, 153600.0 / 62400.0 + 1920000.0 / 505600.0, 1e-13);
  // An alpha of exactly 1 names neither group, even for a purged item.
  EXPECT_EQ(pass_result(1, std::move(run)).favored_group, std::vector<char>{' '});
}

TEST(MantelHaenszel, HugeChiSquareGivesPZero) {
  LevelTables run = make_level_tables(1, 1);
  set_cell(run, 0, 0, 990, 10, 10, 990);
  const MhItem item = mantel_haenszel(run).at(0);
  EXPECT_GT(item.chi_square, 1000.0);
  EXPECT_EQ(item.p_value, 0.0);
  EXPECT_EQ(item.significance_mark, "***");
  EXPECT_EQ(item.category, 'C');
}

TEST(MantelHaenszel, WideValuesPrintAsAsterisks) {
  // (100,10 | 10,100): A D / B C = 100 exactly; D-DIF = -2.35 ln 100 = -10.82.
  LevelTables run = make_level_tables(1, 1);
  set_cell(run, 0, 0, 100, 10, 10, 100);
  EXPECT_EQ(mantel_haenszel(run).at(0).alpha, 100.0);
  const std::string row = table_lines(std::move(run), 1000).at(2);
  ASSERT_EQ(row.size(), 65u);
  EXPECT_EQ(row.substr(0, 9), "CR ******");
  EXPECT_EQ(row.substr(14, 6), "******");  // alpha
  EXPECT_EQ(row.substr(25, 7), "143.364");  // chi-square, columns 26-32
  EXPECT_EQ(row.substr(37, 6), " 0.000");
  EXPECT_EQ(row.substr(48, 6), "******");  // MH D-DIF
  EXPECT_EQ(row.substr(59, 6), " 1.102");
}

TEST(MantelHaenszel, ZeroNumeratorGoesOnAsCategoryA) {
  // No reference examinee correct: alpha 0, ln 0 = -inf.
  LevelTables run = make_level_tables(2, 1);
  set_cell(run, 0, 0, 0, 20, 20, 20);
  set_cell(run, 0, 1, 30, 20, 20, 30);
  const std::vector<MhItem> items = mantel_haenszel(run);
  EXPECT_EQ(items[0].alpha, 0.0);
  EXPECT_EQ(items[0].mh_d_dif, std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(items[0].se_d_dif));
  EXPECT_EQ(items[0].category, 'A');
  EXPECT_EQ(items[1].category, 'B');  // margin 1.9057 - 1.9 * 0.9594 = 0.025
  const std::string row = table_lines(std::move(run)).at(2);
  EXPECT_EQ(row.substr(0, 9), "A    1***");
  EXPECT_EQ(row.substr(14, 6), " 0.000");
  EXPECT_EQ(row.substr(48, 6), "******");  // "Infinity" does not fit six columns
  ASSERT_GE(row.size(), 62u);
  EXPECT_NE(row.substr(59).find("NaN"), std::string::npos);
}

TEST(MantelHaenszel, ZeroDenominatorIsTheConditioningWindowsStop) {
  LevelTables run = make_level_tables(2, 2);
  set_cell(run, 0, 0, 30, 20, 20, 30);
  set_cell(run, 0, 1, 30, 0, 20, 30);  // B = 0
  set_cell(run, 1, 1, 40, 10, 0, 20);  // C = 0
  try {
    mantel_haenszel(run);
    ADD_FAILURE() << "the pass went on";
  } catch (const AnalysisStop& stop) {
    EXPECT_EQ(stop.reason, StopReason::conditioning_windows);
  }
  // No level at all: every item's denominator is 0.
  // The stop carries no text, only its reason (the run sequence words the message).
  const auto no_level = itemdif::testing::thrown<AnalysisStop>(
      [] { mantel_haenszel(make_level_tables(1, 0)); });
  ASSERT_TRUE(no_level.has_value());
  EXPECT_EQ(no_level->reason, StopReason::conditioning_windows);
  EXPECT_EQ(no_level->keyword, "");
  EXPECT_TRUE(mantel_haenszel(make_level_tables(0, 2)).empty());
}

TEST(SignificanceMark, BoundsTakeTheirOwnMark) {
  EXPECT_EQ(significance_mark_for(0.05), "*  ");
  EXPECT_EQ(significance_mark_for(std::nextafter(0.05, 1.0)), "   ");
  EXPECT_EQ(significance_mark_for(0.01), "** ");
  EXPECT_EQ(significance_mark_for(0.0100001), "*  ");
  EXPECT_EQ(significance_mark_for(0.005), "***");
  EXPECT_EQ(significance_mark_for(0.0), "***");
  EXPECT_EQ(significance_mark_for(std::nan("")), "   ");
}

TEST(EtsCategory, ExactComparisons) {
  EXPECT_EQ(ets_category(1.6, 0.2), 'C');   // margin 1.208
  EXPECT_EQ(ets_category(-1.6, 0.2), 'C');
  EXPECT_EQ(ets_category(1.6, 0.35), 'B');  // margin 0.914
  EXPECT_EQ(ets_category(1.5, 0.0), 'B');   // 1.5 is never C
  EXPECT_EQ(ets_category(1.0, 0.0), 'B');
  EXPECT_EQ(ets_category(-1.0, 0.1), 'B');
  EXPECT_EQ(ets_category(0.9, 0.0), 'A');
  EXPECT_EQ(ets_category(1.2, 1.0), 'A');
  // With the decimal 1.96 this margin would be 1.000000001; with its single-precision
  // rounding it is 0.99999998, so not C.
  EXPECT_EQ(ets_category(1.980000001, 0.5), 'B');
  EXPECT_EQ(ets_category(2.0, std::nan("")), 'A');
  EXPECT_EQ(ets_category(std::nan(""), 0.1), 'A');
  EXPECT_EQ(ets_category(std::numeric_limits<double>::infinity(), 0.1), 'C');
}

}  // namespace
}  // namespace itemdif::driver

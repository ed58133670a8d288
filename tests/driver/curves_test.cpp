// The empirical item characteristic curve blocks.
#include "driver/curves.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/report.hpp"
#include "level_tables.hpp"

namespace itemdif::driver {
namespace {

using testing::CapturedChannel;
using testing::make_level_run;
using testing::make_level_tables;
using testing::make_pass;
using testing::set_cell;

std::vector<std::string> curve_lines(const RunData& run, const PassResult& pass) {
  const CurveTable curves = compute_curves(pass.levels);
  CapturedChannel report;
  write_curves(report.channel(), run, pass, curves);
  return report.lines();
}

const std::vector<std::string> kHeading = {
    "", "", "",
    "                    Empirical Item Characteristic Curves (Items purged from Pass 2)"};

TEST(Curves, BlocksWithAnInvalidLevel) {
  RunData run = make_level_run(2, 3);
  run.level_low = {0, 6, 11};
  run.level_high = {5, 10, 15};
  run.item_label = {7, 1000};
  LevelTables levels = make_level_tables(2, 3);
  set_cell(levels, 0, 0, 21, 29, 14, 26);  // 0.42 and 0.35
  set_cell(levels, 1, 0, 63, 37, 51, 49);
  set_cell(levels, 2, 0, 5, 3, 40, 2);     // 8 reference examinees: not valid
  set_cell(levels, 0, 1, 10, 0, 0, 10);    // exactly 1 and exactly 0
  set_cell(levels, 1, 1, 1, 2, 20, 10);    // not valid
  set_cell(levels, 2, 1, 1, 2, 1, 2);      // 3 and 3, but marked valid: the row still divides
  levels.valid(2, 1) = 1;
  const PassResult pass = make_pass(std::move(levels), "CA", "F ");

  std::vector<std::string> expected = kHeading;
  for (const char* line : {"", "", "Item   7   ETS Code = C F",
                           "    R    0.42  0.63  9.00",
                           "    F    0.35  0.51  9.00",
                           "    L       0     6    11",
                           "    U       5    10    15",
                           "", "", "Item ***   ETS Code = A  ",  // the blank letter is written
                           "    R    1.00  9.00  0.33",
                           "    F    0.00  9.00  0.33",
                           "    L       0     6    11",
                           "    U       5    10    15"})
    expected.push_back(line);
  EXPECT_EQ(curve_lines(run, pass), expected);
  // The table holds the proportions as computed, not as printed.
  const CurveTable curves = compute_curves(pass.levels);
  EXPECT_DOUBLE_EQ(curves.reference(1, 2), 1.0 / 3.0);
  EXPECT_DOUBLE_EQ(curves.focal(0, 0), 0.35);
  EXPECT_EQ(curves.focal(1, 1), kNoProportion);
}

TEST(Curves, NoLevelsLeavesOnlyTheTags) {
  RunData run = make_level_run(1, 0);
  const PassResult pass = make_pass(make_level_tables(1, 0), "B", " ");
  std::vector<std::string> expected = kHeading;
  for (const char* line :
       {"", "", "Item   1   ETS Code = B  ", "    R", "    F", "    L", "    U"})
    expected.push_back(line);
  EXPECT_EQ(curve_lines(run, pass), expected);
}

TEST(Curves, NoItemsLeavesOnlyTheHeading) {
  RunData run = make_level_run(0, 2);
  EXPECT_EQ(curve_lines(run, make_pass(make_level_tables(0, 2), "", "")), kHeading);
}

TEST(Curves, WideValuesOverflowTheirFieldOnly) {
  RunData run = make_level_run(1, 2);
  run.level_low = {-100, 0};
  run.level_high = {1000000, 5};
  LevelTables levels = make_level_tables(1, 2);
  set_cell(levels, 0, 0, 10, 10, 10, 10);
  set_cell(levels, 1, 0, 10, 10, 10, 10);
  const auto lines = curve_lines(run, make_pass(std::move(levels), "A", " "));
  EXPECT_EQ(lines[9], "    L    -100     0");
  EXPECT_EQ(lines[10], "    U  ******     5");
}

}  // namespace
}  // namespace itemdif::driver

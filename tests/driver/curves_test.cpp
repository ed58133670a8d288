// The empirical item characteristic curve blocks.
#include "driver/curves.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "level_tables.hpp"

namespace itemdif::driver {
namespace {

using testing::CapturedChannel;
using testing::make_level_run;
using testing::set_cell;

const std::vector<std::string> kHeading = {
    "", "", "",
    "                    Empirical Item Characteristic Curves (Items purged from Pass 2)"};

TEST(Curves, BlocksWithAnInvalidLevel) {
  RunData run = make_level_run(2, 3);
  run.level_low = {0, 6, 11};
  run.level_high = {5, 10, 15};
  run.item_label = {7, 1000};
  set_cell(run, 0, 0, 21, 29, 14, 26);  // 0.42 and 0.35
  set_cell(run, 1, 0, 63, 37, 51, 49);
  set_cell(run, 2, 0, 5, 3, 40, 2);     // 8 reference examinees: not valid
  set_cell(run, 0, 1, 10, 0, 0, 10);    // exactly 1 and exactly 0
  set_cell(run, 1, 1, 1, 2, 20, 10);    // not valid
  set_cell(run, 2, 1, 1, 2, 1, 2);      // 3 and 3, but marked valid: the row still divides
  run.level_valid(2, 1) = 1;
  run.ets_code = {'C', 'A'};
  run.favored_group = {'F', ' '};

  CapturedChannel report;
  write_curves(run, report.channel());
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
  EXPECT_EQ(report.lines(), expected);
  // The rows hold the last item's proportions.
  EXPECT_DOUBLE_EQ(run.icc_reference_row[2], 1.0 / 3.0);
  EXPECT_EQ(run.icc_focal_row[1], 9.0);
}

TEST(Curves, NoLevelsLeavesOnlyTheTags) {
  RunData run = make_level_run(1, 0);
  run.ets_code = {'B'};
  CapturedChannel report;
  write_curves(run, report.channel());
  std::vector<std::string> expected = kHeading;
  for (const char* line :
       {"", "", "Item   1   ETS Code = B  ", "    R", "    F", "    L", "    U"})
    expected.push_back(line);
  EXPECT_EQ(report.lines(), expected);
}

TEST(Curves, NoItemsLeavesOnlyTheHeading) {
  RunData run = make_level_run(0, 2);
  CapturedChannel report;
  write_curves(run, report.channel());
  EXPECT_EQ(report.lines(), kHeading);
}

TEST(Curves, WideValuesOverflowTheirFieldOnly) {
  RunData run = make_level_run(1, 2);
  run.level_low = {-100, 0};
  run.level_high = {1000000, 5};
  set_cell(run, 0, 0, 10, 10, 10, 10);
  set_cell(run, 1, 0, 10, 10, 10, 10);
  run.ets_code = {'A'};
  CapturedChannel report;
  write_curves(run, report.channel());
  const auto lines = report.lines();
  EXPECT_EQ(lines[9], "    L    -100     0");
  EXPECT_EQ(lines[10], "    U  ******     5");
}

}  // namespace
}  // namespace itemdif::driver

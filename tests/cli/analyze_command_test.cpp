// `itemdif analyze` from the command line to the summary, in this process.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "command_runner.hpp"

namespace itemdif::cli {
namespace {

using testing::Outcome;

class AnalyzeCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("itemdif-analyze-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string file(const std::string& name, const std::string& text) const {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  static Outcome run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "analyze");
    return testing::run_itemdif(arguments);
  }

  /// 40 examinees of each group on three items; item b is far easier for the focal group.
  std::string three_items() const {
    std::string text = "id,g,a,b,c\n";
    for (int i = 0; i < 80; ++i) {
      const bool focal = i % 2 == 1;
      const int ability = i % 4;  // 0..3
      const int a = ability >= 1;
      const int b = focal ? ability >= 1 : ability >= 3;
      const int c = ability >= 2;
      text += "s" + std::to_string(i) + "," + (focal ? "F" : "M") + "," + std::to_string(a) +
              "," + std::to_string(b) + "," + std::to_string(c) + "\n";
    }
    return text + "x1,,1,1,1\nx2,?,0,0,0\n";
  }

  std::filesystem::path dir_;
};

TEST_F(AnalyzeCommand, SummaryNamesGroupsOptionsRoundsItemsAndFlags) {
  const std::string data = file("quiz.csv", three_items());
  const Outcome o = run({data, "--group", "g", "--focal", "F", "--reference", "M", "--id", "id"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_NE(o.out.find(": 3 items, 82 rows\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("Groups: reference \"M\" 40, focal \"F\" 40; rows left out: 2"),
            std::string::npos)
      << o.out;
  EXPECT_NE(o.out.find("Options: missing excluded, levels thin, min per group 1, purify "
                       "iterative (at most 10 rounds), flag ets, alpha 0.05, adjust none, "
                       "methods mh,std,bd,lr\n"),
            std::string::npos)
      << o.out;
  EXPECT_NE(o.out.find("Purification: "), std::string::npos);
  // One line per item, by name, in column order.
  const std::size_t a = o.out.find("\na ");
  const std::size_t b = o.out.find("\nb ");
  const std::size_t c = o.out.find("\nc ");
  ASSERT_NE(a, std::string::npos);
  EXPECT_LT(a, b);
  EXPECT_LT(b, c);
  EXPECT_NE(o.out.find("Flagged ("), std::string::npos);
}

TEST_F(AnalyzeCommand, OptionsReachTheAnalysis) {
  const std::string data = file("quiz.csv", three_items());
  const Outcome o = run({data, "--group", "g", "--focal", "F", "--reference", "M", "--items",
                         "a:c", "--purify", "none", "--levels", "2", "--min-per-group", "3",
                         "--flag", "p", "--alpha", "0.01", "--adjust", "holm", "--missing",
                         "listwise", "--methods", "mh"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("Options: missing listwise, levels 2, min per group 3, purify none, "
                       "flag p, alpha 0.01, adjust holm, methods mh\n"),
            std::string::npos)
      << o.out;
  EXPECT_NE(o.out.find("Purification: 1 round, "), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("0 (a missing response, listwise)"), std::string::npos) << o.out;
}

TEST_F(AnalyzeCommand, OtherMethodsAreComputedAndShown) {
  const std::string data = file("quiz.csv", three_items());
  const Outcome o = run({data, "--group", "g", "--focal", "F", "--reference", "M", "--id", "id",
                         "--methods", "std,bd,lr", "--purify", "none"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find(", methods mh,std,bd,lr\n"), std::string::npos) << o.out;
  const std::size_t table = o.out.find("\nitem    P-DIF  STD       BD p       LR p   LR p_adj     "
                                       "dR2  ZT  JG\n");
  ASSERT_NE(table, std::string::npos) << o.out;
  // Item b is far easier for the focal group: a large positive P-DIF, class C+ (the values
  // themselves are checked in the analysis tests).
  const std::size_t b = o.out.find("\nb ", table);
  ASSERT_NE(b, std::string::npos) << o.out;
  const std::string row = o.out.substr(b + 1, o.out.find('\n', b + 1) - b - 1);
  EXPECT_NE(row.find("  C+ "), std::string::npos) << row;
  EXPECT_EQ(row.substr(0, 2), "b ");
  // Every item has a row in the second table, before the flagged items.
  EXPECT_NE(o.out.find("\na ", table), std::string::npos);
  EXPECT_NE(o.out.find("\nc ", table), std::string::npos);
  EXPECT_LT(o.out.find("\nc ", table), o.out.find("\nFlagged ("));
}

TEST_F(AnalyzeCommand, OnlyTheMethodsAskedForHaveColumns) {
  const std::string data = file("quiz.csv", three_items());
  const Outcome std_only = run({data, "--group", "g", "--focal", "F", "--reference", "M", "--id",
                                "id", "--methods", "std"});
  ASSERT_EQ(std_only.status, 0) << std_only.err;
  EXPECT_NE(std_only.out.find(", methods mh,std\n"), std::string::npos) << std_only.out;
  EXPECT_NE(std_only.out.find("\nitem    P-DIF  STD\n"), std::string::npos) << std_only.out;
  EXPECT_EQ(std_only.out.find("LR p"), std::string::npos);
  EXPECT_EQ(std_only.out.find("BD p"), std::string::npos);

  const Outcome mh_only = run({data, "--group", "g", "--focal", "F", "--reference", "M", "--id",
                               "id", "--methods", "mh"});
  EXPECT_EQ(mh_only.out.find("P-DIF"), std::string::npos) << mh_only.out;
}

TEST_F(AnalyzeCommand, QuietPrintsNothing) {
  const std::string data = file("quiz.csv", three_items());
  const Outcome o =
      run({data, "--group", "g", "--focal", "F", "--reference", "M", "--id", "id", "--quiet"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err, "");
}

TEST_F(AnalyzeCommand, InvalidInputIsOneLineNamingFileLineAndColumn) {
  const std::string bad = file("bad.csv", "g,q1,q2\nM,1,0\nF,0,2\nM,1,1\n");
  const Outcome cell = run({bad, "--group", "g", "--focal", "F"});
  EXPECT_EQ(cell.status, 2);
  EXPECT_EQ(cell.out, "");
  EXPECT_EQ(cell.err, "itemdif: error: " + bad +
                          " line 3, column q2: \"2\" is not a score (0 or 1) or a missing code\n");

  // The same code declared missing goes through.
  EXPECT_EQ(run({bad, "--group", "g", "--focal", "F", "--missing-codes", "2", "--quiet"}).status,
            0);

  const Outcome column = run({bad, "--group", "sex", "--focal", "F"});
  EXPECT_EQ(column.status, 2);
  EXPECT_EQ(column.err.rfind("itemdif: error: " + bad + ": ", 0), 0u) << column.err;
  EXPECT_NE(column.err.find("sex"), std::string::npos) << column.err;
  EXPECT_EQ(std::count(column.err.begin(), column.err.end(), '\n'), 1);

  const std::string good = file("good.csv", "g,q1,q2\nM,1,0\nF,0,1\nM,1,1\n");
  const Outcome focal = run({good, "--group", "g", "--focal", "W"});
  EXPECT_EQ(focal.status, 2);
  EXPECT_NE(focal.err.find("\"W\""), std::string::npos) << focal.err;

  const Outcome missing = run({(dir_ / "none.csv").string(), "--group", "g", "--focal", "F"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err.rfind("itemdif: error: " + (dir_ / "none.csv").string() + ": ", 0), 0u);
}

}  // namespace
}  // namespace itemdif::cli

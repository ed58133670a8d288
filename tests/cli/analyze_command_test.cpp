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

TEST_F(AnalyzeCommand, ItemsScoredAboveOneRunWithTheirRangesInTheSummary) {
  // a and d are 0/1; b runs 0-4 and favours the focal group; c runs 1-3.
  std::string text = "g,a,b,c,d\n";
  for (int i = 0; i < 80; ++i) {
    const bool focal = i % 2 == 1;
    const int ability = i % 5;
    const int b = std::clamp(ability + (i * 7) % 3 - (focal ? 1 : 2), 0, 4);
    const int c = 1 + (ability + i / 5) % 3;
    const int d = (ability + i / 10) % 4 >= 1;
    text += std::string(focal ? "F" : "M") + "," + std::to_string(ability >= 2) + "," +
            std::to_string(b) + "," + std::to_string(c) + "," + std::to_string(d) + "\n";
  }
  const std::string data = file("poly.csv", text + "M,1,NA,3.0,0\n,1,9,9,9\n");

  const Outcome zero_one = run({data, "--group", "g", "--focal", "F", "--quiet"});
  EXPECT_EQ(zero_one.status, 2);
  EXPECT_EQ(zero_one.err, "itemdif: error: " + data +
                              " line 3, column c: \"2\" is not a score (0 to 1, see --max-score) "
                              "or a missing code\n");

  // The row without a group is still checked: 9 is beyond 4.
  const Outcome beyond = run({data, "--group", "g", "--focal", "F", "--max-score", "4"});
  EXPECT_EQ(beyond.status, 2);
  EXPECT_EQ(beyond.err, "itemdif: error: " + data +
                            " line 83, column b: \"9\" is not a score (0 to 4, see --max-score) "
                            "or a missing code\n");

  const std::filesystem::path results = dir_ / "results";
  const Outcome o = run({data, "--group", "g", "--focal", "F", "--max-score", "9", "--out",
                         results.string()});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  const std::string first = "itemdif analyze " + data + ": 4 items, 82 rows\n";
  EXPECT_EQ(o.out.substr(0, first.size()), first);
  const std::string items = "Items: 4 (2 scored 0-1, 1 scored 0-4, 1 scored 1-3)\nGroups: ";
  EXPECT_EQ(o.out.substr(first.size(), items.size()), items) << o.out;
  for (const char* name : {"\na ", "\nb ", "\nc ", "\nd "})
    EXPECT_NE(o.out.find(name), std::string::npos) << name << o.out;

  std::ifstream json(results / "results.json");
  const std::string document((std::istreambuf_iterator<char>(json)), {});
  EXPECT_NE(document.find("\"max_score\": 9,"), std::string::npos) << document.substr(0, 600);
  EXPECT_NE(document.find("\"item\": \"c\",\n          \"focal\": \"F\",\n          "
                          "\"score_min\": 1,\n          \"score_max\": 3,"),
            std::string::npos);
}

TEST_F(AnalyzeCommand, ZeroOneItemsKeepTheirSummaryAndOptions) {
  const std::string data = file("quiz.csv", three_items());
  const std::filesystem::path results = dir_ / "results";
  // A higher bound changes nothing but the options listed when every item stays 0/1.
  const Outcome o = run({data, "--group", "g", "--focal", "F", "--reference", "M", "--id", "id",
                         "--max-score", "5", "--out", results.string()});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out.find("Items:"), std::string::npos) << o.out;
  const Outcome plain = run({data, "--group", "g", "--focal", "F", "--reference", "M", "--id",
                             "id", "--out", (dir_ / "plain").string()});
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(o.out, plain.out);
  std::ifstream with(results / "results.json"), without(dir_ / "plain" / "results.json");
  const std::string raised((std::istreambuf_iterator<char>(with)), {});
  const std::string by_default((std::istreambuf_iterator<char>(without)), {});
  EXPECT_NE(raised.find("\"max_score\": 5,"), std::string::npos);
  EXPECT_EQ(by_default.find("max_score"), std::string::npos);
}

TEST_F(AnalyzeCommand, MaxScoreOutsideItsBoundsIsAUsageError) {
  const std::string data = file("quiz.csv", three_items());
  const std::filesystem::path results = dir_ / "results";
  for (const char* value : {"0", "251"}) {
    const Outcome o = run({data, "--group", "g", "--focal", "F", "--reference", "M", "--id", "id",
                           "--max-score", value, "--out", results.string()});
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, std::string("itemdif: error: --max-score: ") + value +
                         " is not a whole number from 1 to 250\n"
                         "Run 'itemdif analyze --help' for usage.\n");
  }
  for (const char* value : {"2.5", "four", ""}) {
    const Outcome o = run({data, "--group", "g", "--focal", "F", "--reference", "M", "--id", "id",
                           "--max-score", value, "--out", results.string()});
    EXPECT_EQ(o.status, 2) << value;
    EXPECT_EQ(o.err.rfind("itemdif: error: ", 0), 0u) << o.err;
    EXPECT_NE(o.err.find("--max-score"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("Run 'itemdif analyze --help' for usage.\n"), std::string::npos) << o.err;
  }
  EXPECT_FALSE(std::filesystem::exists(results));
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
                          " line 3, column q2: \"2\""
                              " is not a score (0 to 1, see --max-score) or a missing code\n");

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

// `itemdif analyze` with several focal groups: one block per comparison in every results file,
// each the run of its focal group alone, and the refusals of the focal values.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "command_runner.hpp"
#include "support/results_reader.hpp"

namespace itemdif::cli {
namespace {

using itemdif::testing::file_text;
using itemdif::testing::read_json;
using itemdif::testing::ScratchFolder;
using testing::Outcome;

Outcome analyze(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "analyze");
  return testing::run_itemdif(arguments);
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

/// Ratings 0..2 on four items; groups R, A, B, C and some rows of group X and of none. Every
/// group holds every score of every item, so that each pair's ranges are those of all rows.
/// Item q2 is easier for A, item q3 harder for C.
std::string ratings() {
  std::string text = "id,grp,q1,q2,q3,q4\n";
  unsigned state = 12345;
  const auto next = [&] {
    state = state * 1103515245u + 12345u;
    return (state >> 16) % 1000;
  };
  int id = 0;
  for (const auto& [group, n] : std::vector<std::pair<std::string, int>>{
           {"R", 160}, {"A", 120}, {"X", 15}, {"B", 100}, {"C", 110}, {"", 4}}) {
    for (int i = 0; i < n; ++i) {
      const int ability = static_cast<int>(next() % 5);  // 0..4
      text += "p" + std::to_string(++id) + "," + group;
      for (int j = 0; j < 4; ++j) {
        int score = (ability + static_cast<int>(next() % 3)) / 2;  // 0..3, then capped
        if (group == "A" && j == 1 && next() % 2) score += 1;
        if (group == "C" && j == 2 && next() % 2) score -= 1;
        score = std::clamp(score, 0, 2);
        if (i < 3) score = i;  // 0, 1 and 2 in every group
        text += "," + (next() % 40 == 0 ? std::string("NA") : std::to_string(score));
      }
      text += "\n";
    }
  }
  return text;
}

class FocalGroupsCommand : public ::testing::Test {
 protected:
  std::string data(const std::string& name, const std::string& text) const {
    const std::string path = (folder_ / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  ScratchFolder folder_;
};

TEST_F(FocalGroupsCommand, EachComparisonIsTheRunOfItsFocalGroupAlone) {
  const std::string path = data("ratings.csv", ratings());
  const std::vector<std::string> options = {"--group", "grp", "--max-score", "2", "--adjust",
                                            "bh", "--id", "id", "--quiet"};
  auto with = [&](std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), path);
    arguments.insert(arguments.end(), options.begin(), options.end());
    return arguments;
  };
  const std::string all = (folder_ / "all").string();
  ASSERT_EQ(analyze(with({"--focal", "A,B", "--focal", "C", "--reference", "R", "--out", all}))
                .status,
            0);
  const std::vector<std::string> focal = {"A", "B", "C"};
  for (const char* name : {"items.csv", "levels.csv", "coefficients.csv"}) {
    std::vector<std::string> joined;
    for (const std::string& f : focal) {
      const std::string alone = (folder_ / ("alone-" + f)).string();
      ASSERT_EQ(analyze(with({"--focal", f, "--reference", "R", "--out", alone})).status, 0);
      const std::vector<std::string> lines = lines_of(file_text(alone + "/" + name));
      ASSERT_GT(lines.size(), 1u) << name;
      if (joined.empty()) joined.push_back(lines.front());
      // Every row names its focal group; the runs alone differ in nothing else.
      for (std::size_t k = 1; k < lines.size(); ++k) {
        EXPECT_EQ(lines[k].find("," + f + ","), lines[k].find(',')) << lines[k];
        joined.push_back(lines[k]);
      }
    }
    EXPECT_EQ(lines_of(file_text(all + "/" + name)), joined) << name;
  }
  // results.json: the groups, one comparison per focal group holding that run's comparison.
  const auto document = read_json(all + "/results.json");
  EXPECT_EQ(document["groups"]["reference"]["value"], "R");
  ASSERT_EQ(document["groups"]["focal"].size(), 3u);
  EXPECT_EQ(document["groups"]["rows_left_out"], 19);
  EXPECT_EQ(document["options"]["focal"], nlohmann::ordered_json::array({"A", "B", "C"}));
  ASSERT_EQ(document["comparisons"].size(), 3u);
  for (std::size_t k = 0; k < focal.size(); ++k) {
    const auto alone = read_json((folder_ / ("alone-" + focal[k]) / "results.json").string());
    EXPECT_EQ(document["groups"]["focal"][k], alone["groups"]["focal"][0]);
    EXPECT_EQ(document["comparisons"][k], alone["comparisons"][0]) << focal[k];
  }
  // The page holds a section per comparison.
  const std::string page = file_text(all + "/report.html");
  for (const char* id : {"id=\"comparison-1\"", "id=\"comparison-3\"", "id=\"items-2\"",
                         "id=\"dif-plot-3\"", "id=\"curves\""})
    EXPECT_NE(page.find(id), std::string::npos) << id;
  EXPECT_EQ(page.find("id=\"items\""), std::string::npos);
}

TEST_F(FocalGroupsCommand, SummaryHasAPartPerComparison) {
  const std::string path = data("ratings.csv", ratings());
  const Outcome outcome =
      analyze({path, "--group", "grp", "--id", "id", "--max-score", "2", "--focal", "C,A",
               "--reference", "R", "--purify", "none"});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_NE(outcome.out.find("Groups: reference \"R\" 160, focal \"C\" 110, focal \"A\" 120; "
                             "rows left out: 119"),
            std::string::npos)
      << outcome.out;
  const std::size_t c = outcome.out.find("\nComparison: reference \"R\" against focal \"C\"\n"
                                         "Purification: 1 round");
  const std::size_t a = outcome.out.find("\nComparison: reference \"R\" against focal \"A\"\n"
                                         "Purification: 1 round");
  ASSERT_NE(c, std::string::npos) << outcome.out;
  ASSERT_NE(a, std::string::npos) << outcome.out;
  EXPECT_LT(c, a);
  // One focal group: no comparison heading.
  const Outcome one = analyze({path, "--group", "grp", "--id", "id", "--max-score", "2",
                               "--focal", "A", "--reference", "R"});
  ASSERT_EQ(one.status, 0);
  EXPECT_EQ(one.out.find("Comparison:"), std::string::npos);
}

TEST_F(FocalGroupsCommand, OverallTestsInTheirFileTheJsonAndTheSummary) {
  const std::string path = data("ratings.csv", ratings());
  const std::string out = (folder_ / "out").string();
  const std::vector<std::string> common = {path, "--group", "grp", "--id", "id", "--max-score",
                                           "2", "--reference", "R", "--out", out};
  std::vector<std::string> arguments = common;
  arguments.insert(arguments.end(), {"--focal", "A,B,C"});
  const Outcome outcome = analyze(arguments);
  ASSERT_EQ(outcome.status, 0) << outcome.err;

  const auto overall = itemdif::testing::read_csv(out + "/overall.csv");
  const std::vector<std::string> header = {
      "item", "score_min", "score_max", "n", "gmh_chi_square", "gmh_df", "gmh_p",
      "gmh_p_adjusted", "lr_chi_square", "lr_df", "lr_p", "lr_p_adjusted",
      "lr_uniform_chi_square", "lr_uniform_df", "lr_uniform_p", "lr_nonuniform_chi_square",
      "lr_nonuniform_df", "lr_nonuniform_p", "lr_delta_r2", "lr_uniform_delta_r2",
      "zumbo_thomas_class", "jodoin_gierl_class", "irt_chi_square", "irt_df", "irt_p",
      "irt_p_adjusted", "irt_uniform_chi_square", "irt_uniform_df", "irt_uniform_p",
      "irt_nonuniform_chi_square", "irt_nonuniform_df", "irt_nonuniform_p", "flagged", "note"};
  EXPECT_EQ(overall.header, header);
  ASSERT_EQ(overall.rows.size(), 4u);
  const auto document = read_json(out + "/results.json");
  ASSERT_TRUE(document["overall"].is_object());
  const auto& items = document["overall"]["items"];
  ASSERT_EQ(items.size(), 4u);
  std::vector<std::string> flagged;
  for (std::size_t j = 0; j < 4; ++j) {
    const auto& row = overall.rows[j];
    EXPECT_EQ(row.at("item"), "q" + std::to_string(j + 1));
    EXPECT_EQ(row.at("gmh_df"), "3");
    EXPECT_EQ(row.at("lr_df"), "6");
    // The file and the JSON hold the same numbers; n counts every group's examinees.
    EXPECT_EQ(itemdif::testing::cell_number(row.at("gmh_chi_square")),
              items[j]["gmh_chi_square"].get<double>());
    EXPECT_EQ(itemdif::testing::cell_number(row.at("lr_p")), items[j]["lr_p"].get<double>());
    EXPECT_EQ(items[j]["n"], itemdif::testing::cell_number(row.at("n")));
    EXPECT_GT(items[j]["n"].get<int>(), 450);
    EXPECT_LT(items[j]["n"].get<int>(), 490);  // 490 rows of R, A, B and C, a few missing
    EXPECT_EQ(row.at("flagged") == "true", items[j]["flagged"].get<bool>());
    if (row.at("flagged") == "true") flagged.push_back(row.at("item"));
    EXPECT_FALSE(items[j]["coefficients"].empty());
    EXPECT_FALSE(items[j]["coefficients"][0].contains("focal"));
  }
  // Matched on all four items, round 1 flags three of them: more than half, so the guard
  // stops purification there and its flags stand.
  EXPECT_EQ(flagged, (std::vector<std::string>{"q1", "q2", "q3"}));
  const auto& purification = document["overall"]["purification"];
  EXPECT_EQ(purification["rounds"].size(), 1u);
  EXPECT_EQ(purification["stop"], "too_many_flagged");
  EXPECT_EQ(purification["converged"], false);

  // The summary's overall part: its heading, each item with a class per comparison.
  const std::size_t part = outcome.out.find(
      "\nOverall: reference \"R\" and focal \"A\", \"B\", \"C\" together\nPurification: ");
  ASSERT_NE(part, std::string::npos) << outcome.out;
  EXPECT_NE(outcome.out.find("\nq2 ", part), std::string::npos) << outcome.out;
  EXPECT_NE(outcome.out.find("|  BB+  AA   AA  *\n", part), std::string::npos) << outcome.out;
  EXPECT_NE(outcome.out.find("\nWarning: round 1 flagged more than half of the 4 items", part),
            std::string::npos)
      << outcome.out;
  EXPECT_NE(outcome.out.find("\nFlagged overall (3): q1, q2, q3\n", part), std::string::npos)
      << outcome.out;

  // A later run of one focal group into the same folder takes the overall file away.
  arguments = common;
  arguments.insert(arguments.end(), {"--focal", "A", "--quiet"});
  ASSERT_EQ(analyze(arguments).status, 0);
  EXPECT_FALSE(std::filesystem::exists(out + "/overall.csv"));
  EXPECT_TRUE(read_json(out + "/results.json")["overall"].is_null());
}

TEST_F(FocalGroupsCommand, ACommaInsideAValueIsEscaped) {
  const std::string path =
      data("comma.csv", "g,q1,q2\n\"x,y\",1,0\nR,0,1\n\"x,y\",0,0\nz,1,1\nR,1,0\nz,0,1\n");
  const std::string out = (folder_ / "out").string();
  const Outcome outcome =
      analyze({path, "--group", "g", "--focal", "x\\,y,z", "--out", out, "--quiet"});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  const auto document = read_json(out + "/results.json");
  EXPECT_EQ(document["groups"]["reference"]["value"], "R");
  EXPECT_EQ(document["groups"]["focal"][0]["value"], "x,y");
  EXPECT_EQ(document["groups"]["focal"][1]["value"], "z");
  const std::vector<std::string> items = lines_of(file_text(out + "/items.csv"));
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[1].rfind("q1,\"x,y\",", 0), 0u) << items[1];
  EXPECT_EQ(items[4].rfind("q2,z,", 0), 0u) << items[4];
}

TEST_F(FocalGroupsCommand, InvalidFocalValuesWriteNothing) {
  const std::string path = data("g.csv", "g,q1,q2\nA,1,0\nR,0,1\nB,1,1\nC,0,0\nA,0,1\nB,1,0\n");
  const std::string out = (folder_ / "out").string();
  std::filesystem::create_directories(out);
  data("out/items.csv", "kept\n");
  struct Case {
    std::vector<std::string> focal;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--focal", "A,Z", "--reference", "R"},
       "no row has the focal value \"Z\" in the group column g"},
      {{"--focal", "A", "--focal", "A", "--reference", "R"},
       "the focal value \"A\" is given twice"},
      {{"--focal", "A,B,A", "--reference", "R"}, "the focal value \"A\" is given twice"},
      {{"--focal", "A,R", "--reference", "R"},
       "the focal and the reference value are the same value, \"R\", of the group column g"},
      {{"--focal", "A,B"},
       "the group column g holds 2 values besides the focal values \"A\", \"B\" (\"R\", "
       "\"C\"); name the reference value"},
      {{"--focal", "A,", "--reference", "R"},
       "no row has the focal value \"\" in the group column g"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {path, "--group", "g", "--out", out};
    arguments.insert(arguments.end(), c.focal.begin(), c.focal.end());
    const Outcome outcome = analyze(arguments);
    EXPECT_EQ(outcome.status, 2) << c.message;
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "itemdif: error: " + path + ": " + c.message + "\n");
    EXPECT_EQ(folder_.names(out), std::vector<std::string>{"items.csv"});
    EXPECT_EQ(file_text(out + "/items.csv"), "kept\n");
  }
  // The reference left out with one other value: a run.
  const std::string three = data("three.csv", "g,q1,q2\nA,1,0\nR,0,1\nB,1,1\nA,0,1\nB,1,0\n");
  const Outcome found = analyze({three, "--group", "g", "--focal", "B,A"});
  ASSERT_EQ(found.status, 0) << found.err;
  EXPECT_NE(found.out.find("Groups: reference \"R\" 1, focal \"B\" 2, focal \"A\" 2;"),
            std::string::npos)
      << found.out;
}

}  // namespace
}  // namespace itemdif::cli

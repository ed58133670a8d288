// `itemdif analyze` with fixed matching (--anchor, --match) and the purification guard: what the
// summary and results.json say, the rows a matching column leaves out, its invalid cells and the
// usage errors of the options that do not go together.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "command_runner.hpp"
#include "support/results_reader.hpp"

namespace itemdif::cli {
namespace {

using itemdif::testing::file_text;
using itemdif::testing::read_csv;
using itemdif::testing::read_json;
using itemdif::testing::ScratchFolder;
using testing::Outcome;

Outcome analyze(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "analyze");
  return testing::run_itemdif(arguments);
}

/// 20 0/1 items: q1..q10 measure one trait, q11..q20 another, on which each focal group stands
/// 1.5 below the reference group (the groups are alike on the first). The total score mixes the
/// two, so that matched on it nearly every item shows DIF, one way or the other.
std::string two_traits(const std::vector<std::pair<std::string, int>>& groups) {
  std::mt19937 random(20261210);
  std::normal_distribution<double> normal(0.0, 1.0);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  std::string text = "id,grp";
  for (int j = 1; j <= 20; ++j) text += ",q" + std::to_string(j);
  text += "\n";
  int id = 0;
  for (const auto& [group, n] : groups) {
    const double shift = group == "R" ? 0.0 : -1.5;
    for (int i = 0; i < n; ++i) {
      const double first = normal(random), second = normal(random) + shift;
      text += "p" + std::to_string(++id) + "," + group;
      for (int j = 0; j < 20; ++j) {
        const double b = -1.0 + 2.0 * (j % 10) / 9.0;
        const double theta = j < 10 ? first : second;
        text += uniform(random) < 1.0 / (1.0 + std::exp(-1.7 * (theta - b))) ? ",1" : ",0";
      }
      text += "\n";
    }
  }
  return text;
}

const std::string kGuardWarning =
    " flagged more than half of the 20 items, so purification stopped there: the matching score "
    "may not measure one trait. Match on items known to be free of DIF (--anchor) or analyse a "
    "subset of items that measure one trait (--items).\n";

class MatchingCommand : public ::testing::Test {
 protected:
  std::string data(const std::string& name, const std::string& text) const {
    const std::string path = (folder_ / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  std::string out(const std::string& name) const { return (folder_ / name).string(); }
  ScratchFolder folder_;
};

// ---- The guard ---------------------------------------------------------------------------------

TEST_F(MatchingCommand, GuardStopsARoundThatFlagsMoreThanHalf) {
  const std::string path = data("two.csv", two_traits({{"R", 700}, {"F", 700}}));
  for (const char* purify : {"iterative", "two-pass", "none"}) {
    const std::string dir = out(std::string("guard-") + purify);
    const Outcome o = analyze({path, "--group", "grp", "--focal", "F", "--reference", "R", "--id",
                               "id", "--purify", purify, "--out", dir});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto document = read_json(dir + "/results.json");
    const auto& purification = document["comparisons"][0]["purification"];
    ASSERT_EQ(purification["rounds"].size(), 1u) << purify;
    EXPECT_GT(purification["rounds"][0]["flagged"].size(), 10u) << purify;
    EXPECT_EQ(purification["stop"], "too_many_flagged") << purify;
    EXPECT_EQ(purification["converged"], false) << purify;
    EXPECT_NE(o.out.find("Purification: 1 round, not converged\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("\nWarning: round 1" + kGuardWarning), std::string::npos) << o.out;
    // The round reported is that round: its flags are the items' flags.
    std::size_t flagged = 0;
    for (const auto& row : read_csv(dir + "/items.csv").rows) flagged += row.at("flagged") == "true";
    EXPECT_EQ(flagged, purification["rounds"][0]["flagged"].size()) << purify;
  }
}

TEST_F(MatchingCommand, GuardStopsTheOverallAnalysisToo) {
  const std::string path =
      data("two.csv", two_traits({{"R", 600}, {"F1", 500}, {"F2", 500}}));
  const std::string dir = out("overall");
  const Outcome o = analyze({path, "--group", "grp", "--focal", "F1,F2", "--reference", "R",
                             "--id", "id", "--out", dir});
  ASSERT_EQ(o.status, 0) << o.err;
  const auto document = read_json(dir + "/results.json");
  for (const auto& comparison : document["comparisons"])
    EXPECT_EQ(comparison["purification"]["stop"], "too_many_flagged") << comparison["focal"];
  const auto& overall = document["overall"]["purification"];
  ASSERT_EQ(overall["rounds"].size(), 1u);
  EXPECT_GT(overall["rounds"][0]["flagged"].size(), 10u);
  EXPECT_EQ(overall["stop"], "too_many_flagged");
  EXPECT_EQ(overall["converged"], false);
  // One warning for each comparison and one for the overall analysis.
  std::size_t warnings = 0;
  for (std::size_t at = o.out.find(kGuardWarning); at != std::string::npos;
       at = o.out.find(kGuardWarning, at + 1))
    ++warnings;
  EXPECT_EQ(warnings, 3u) << o.out;
}

// Anchors on the first trait's items: fixed matching, no purification and so no guard, even
// though the items of the second trait are flagged.
TEST_F(MatchingCommand, AnchorsFixTheMatchingWithoutAGuard) {
  const std::string path = data("two.csv", two_traits({{"R", 700}, {"F", 700}}));
  const std::string dir = out("anchored");
  const Outcome o = analyze({path, "--group", "grp", "--focal", "F", "--reference", "R", "--id",
                             "id", "--anchor", "q1:q10", "--out", dir});
  ASSERT_EQ(o.status, 0) << o.err;
  const auto document = read_json(dir + "/results.json");
  EXPECT_EQ(document["options"]["anchor"], "q1:q10");
  const auto& purification = document["comparisons"][0]["purification"];
  ASSERT_EQ(purification["rounds"].size(), 1u);
  EXPECT_EQ(purification["stop"], "fixed_matching");
  EXPECT_EQ(purification["converged"], true);
  EXPECT_EQ(o.out.find("Warning:"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("Purification: 1 round, converged (fixed matching, not purified)\n"),
            std::string::npos)
      << o.out;
  // Matched on the first trait, its own items are clean and the second trait's items favour
  // the reference group.
  const auto items = read_csv(dir + "/items.csv");
  ASSERT_EQ(items.rows.size(), 20u);
  for (std::size_t j = 0; j < 20; ++j) {
    const std::string& ets = items.rows[j].at("ets_class");
    if (j < 10)
      EXPECT_EQ(items.rows[j].at("flagged"), "false") << items.rows[j].at("item") << " " << ets;
    else
      EXPECT_TRUE(ets == "B-" || ets == "C-") << items.rows[j].at("item") << " " << ets;
  }
  // Anchors fix the matching: asking to purify them is a usage error.
  for (const char* purify : {"iterative", "two-pass"}) {
    const Outcome refused = analyze({path, "--group", "grp", "--focal", "F", "--reference", "R",
                                     "--anchor", "q1:q10", "--purify", purify, "--out",
                                     out("refused")});
    EXPECT_EQ(refused.status, 2) << purify;
    EXPECT_EQ(refused.err.rfind("itemdif: error: --anchor: ", 0), 0u) << refused.err;
    EXPECT_NE(refused.err.find("Run 'itemdif analyze --help' for usage.\n"), std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(out("refused")));
}

// ---- A matching score from the data ------------------------------------------------------------

/// Ratings 0..2 on four items with the matching score `m` beside them: rows of groups R and F,
/// some without a group; `m` holds each row's total score on the four items minus 3 (so that it
/// runs negative), except where `cell` says otherwise.
struct MatchData {
  std::string text;
  int rows_without_match = 0;  ///< rows of a group
  int rows_without_group = 0;
};

MatchData match_data(bool with_gaps) {
  MatchData d;
  d.text = "id,grp,m,q1,q2,q3,q4\n";
  unsigned state = 777;
  const auto next = [&] {
    state = state * 1103515245u + 12345u;
    return (state >> 16) % 1000;
  };
  for (int i = 0; i < 240; ++i) {
    std::string group = i % 2 == 0 ? "R" : "F";
    const int ability = static_cast<int>(next() % 5);
    int scores[4], total = 0;
    for (int j = 0; j < 4; ++j) {
      scores[j] = std::min(2, (ability + static_cast<int>(next() % 3)) / 2);
      if (group == "F" && j == 2 && next() % 3 == 0) scores[j] = std::max(0, scores[j] - 1);
      if (i < 6) scores[j] = i / 2 == 0 ? 0 : (i / 2 == 1 ? 1 : 2);  // 0, 1, 2 in both groups
      total += scores[j];
    }
    std::string m = std::to_string(total - 3);
    if (with_gaps && i % 37 == 11) {
      m = i % 2 ? "NA" : "";
      ++d.rows_without_match;
    }
    if (with_gaps && i % 53 == 20) {
      group = "";
      if (m == "NA" || m.empty()) --d.rows_without_match;
      ++d.rows_without_group;
    }
    d.text += "p" + std::to_string(i) + "," + group + "," + m;
    for (const int s : scores) d.text += "," + std::to_string(s);
    d.text += "\n";
  }
  return d;
}

TEST_F(MatchingCommand, RowsWithoutAMatchingScoreAreLeftOutAndCounted) {
  const MatchData d = match_data(true);
  ASSERT_GT(d.rows_without_match, 3);
  ASSERT_GT(d.rows_without_group, 2);
  const std::string path = data("m.csv", d.text);
  const std::string dir = out("gaps");
  const Outcome o = analyze({path, "--group", "grp", "--focal", "F", "--reference", "R", "--id",
                             "id", "--max-score", "2", "--match", "m", "--out", dir});
  ASSERT_EQ(o.status, 0) << o.err;
  const int left_out = d.rows_without_match + d.rows_without_group;
  // The groups' line counts the rows without a matching score apart from the others.
  const std::size_t groups_line = o.out.find("\nGroups: ");
  ASSERT_NE(groups_line, std::string::npos) << o.out;
  const std::string line =
      o.out.substr(groups_line + 1, o.out.find('\n', groups_line + 1) - groups_line - 1);
  const std::size_t missing_match = line.find(std::to_string(d.rows_without_match) + " ");
  EXPECT_NE(missing_match, std::string::npos) << line;
  EXPECT_NE(line.find("matching score", missing_match), std::string::npos) << line;
  EXPECT_NE(o.out.find("Purification: 1 round, converged (fixed matching, not purified)\n"),
            std::string::npos)
      << o.out;
  const auto document = read_json(dir + "/results.json");
  EXPECT_EQ(document["groups"]["rows_left_out"], left_out);
  EXPECT_EQ(document["groups"]["reference"]["n"].get<int>() +
                document["groups"]["focal"][0]["n"].get<int>(),
            240 - left_out);
  EXPECT_EQ(document["options"]["match"], "m");
  EXPECT_EQ(document["comparisons"][0]["purification"]["stop"], "fixed_matching");
  // The matching column is no item.
  const auto items = read_csv(dir + "/items.csv");
  ASSERT_EQ(items.rows.size(), 4u);
  EXPECT_EQ(items.rows[0].at("item"), "q1");
  // Levels run over the column's values, negative ones too: -3..5.
  const auto levels = read_csv(dir + "/levels.csv");
  EXPECT_EQ(levels.rows.front().at("low"), "-3");
  EXPECT_EQ(levels.rows.back().at("high"), "5");
}

// A column holding each row's total score: an item of the matching set is matched on the total
// with its own score in it, so the run is the unpurified run on the items, file for file.
TEST_F(MatchingCommand, TheTotalAsMatchingColumnIsTheUnpurifiedRun) {
  std::string text = match_data(false).text;
  // m is the total minus 3: put the total itself in a column t.
  std::string with_total;
  std::size_t start = 0;
  bool header = true;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end - start);
    if (header) {
      line += ",t";
      header = false;
    } else {
      const std::size_t a = line.find(',', line.find(',') + 1);
      const std::size_t b = line.find(',', a + 1);
      line += "," + std::to_string(std::stoi(line.substr(a + 1, b - a - 1)) + 3);
    }
    with_total += line + "\n";
    start = end + 1;
  }
  const std::string path = data("t.csv", with_total);
  const std::vector<std::string> common = {path, "--group", "grp", "--focal", "F", "--reference",
                                           "R", "--id", "id", "--max-score", "2", "--items",
                                           "q1:q4", "--methods", "mh,std,bd,lr", "--quiet"};
  std::vector<std::string> on_items = common, on_column = common;
  for (const char* a : {"--purify", "none", "--out"}) on_items.push_back(a);
  on_items.push_back(out("items"));
  for (const char* a : {"--match", "t", "--out"}) on_column.push_back(a);
  on_column.push_back(out("column"));
  ASSERT_EQ(analyze(on_items).status, 0);
  ASSERT_EQ(analyze(on_column).status, 0);
  for (const char* name : {"items.csv", "levels.csv", "coefficients.csv"})
    EXPECT_EQ(file_text(out("items") + "/" + name), file_text(out("column") + "/" + name))
        << name;
}

TEST_F(MatchingCommand, AMatchingCellThatIsNoWholeNumberIsInvalidInput) {
  std::string text = match_data(false).text;
  // Line 5 of the file (the header is line 1) gets 2.5 as its matching score.
  std::size_t line_start = 0;
  for (int line = 1; line < 5; ++line) line_start = text.find('\n', line_start) + 1;
  const std::size_t a = text.find(',', text.find(',', line_start) + 1);
  const std::size_t b = text.find(',', a + 1);
  text.replace(a + 1, b - a - 1, "2.5");
  const std::string path = data("bad.csv", text);
  const std::string dir = out("bad");
  const Outcome o = analyze({path, "--group", "grp", "--focal", "F", "--reference", "R", "--id",
                             "id", "--max-score", "2", "--match", "m", "--out", dir});
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err, "itemdif: error: " + path +
                       " line 5, column m: \"2.5\" is not a whole number (the matching score, "
                       "see --match) or missing\n");
  EXPECT_FALSE(std::filesystem::exists(dir));
}

TEST_F(MatchingCommand, AnItemEveryExamineeScoredAlikeAboveOneIsReportedNotFatal) {
  // Its range is the one score 3: the report's curve still needs an interval to draw on.
  const std::string dir = out("alike");
  const Outcome o = analyze({data("alike.csv", "g,q1,q2\nM,3,1\nF,3,0\nM,3,0\nF,3,1\n"), "--group",
                             "g", "--focal", "F", "--max-score", "3", "--out", dir, "--quiet"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(dir) / "report.html"));
}

TEST_F(MatchingCommand, AMatchingScoreOfTooWideARangeIsInvalidInput) {
  // Counts and thin levels run over every value between the lowest and the highest: a range
  // wider than the analysis takes ends the run, with nothing written, before any table is made.
  const std::string path = data("wide.csv", "g,q1,q2,m\nR,1,0,-5000\nF,0,1,5000\nR,1,1,5\n"
                                            "F,0,0,2\n");
  const std::string dir = out("wide");
  const Outcome o = analyze({path, "--group", "g", "--focal", "F", "--match", "m", "--out", dir});
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err, "itemdif: error: the matching scores of column m run from -5000 to 5000: a "
                   "matching score may span at most 10000 values\n");
  EXPECT_FALSE(std::filesystem::exists(dir));
  // One value less is taken.
  const Outcome fits = analyze({data("fits.csv", "g,q1,q2,m\nR,1,0,-4999\nF,0,1,5000\n"
                                                 "R,1,1,5\nF,0,0,2\n"),
                                "--group", "g", "--focal", "F", "--match", "m", "--quiet"});
  EXPECT_EQ(fits.status, 0) << fits.err;
}

TEST_F(MatchingCommand, OptionsThatCannotGoWithMatchAreUsageErrors) {
  const std::string path = data("m.csv", match_data(false).text);
  const std::vector<std::string> common = {path, "--group", "grp", "--focal", "F", "--reference",
                                           "R", "--max-score", "2", "--id", "id", "--match", "m",
                                           "--out", out("refused")};
  const auto refused = [&](std::vector<std::string> extra, const std::string& names) {
    std::vector<std::string> arguments = common;
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    const Outcome o = analyze(arguments);
    EXPECT_EQ(o.status, 2) << extra[1];
    EXPECT_EQ(o.err.rfind("itemdif: error: --match: ", 0), 0u) << o.err;
    EXPECT_NE(o.err.find(names), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("\nRun 'itemdif analyze --help' for usage.\n"), std::string::npos);
  };
  refused({"--methods", "mh,sib"}, "sib");
  refused({"--methods", "mh,irt"}, "irt");
  refused({"--methods", "all"}, "sib");
  refused({"--anchor", "q1,q2"}, "--anchor");
  refused({"--purify", "iterative"}, "--purify iterative");
  refused({"--purify", "two-pass"}, "--purify two-pass");
  EXPECT_FALSE(std::filesystem::exists(out("refused")));
  // --purify none says what --match implies.
  std::vector<std::string> none = common;
  none.insert(none.end(), {"--purify", "none", "--quiet"});
  EXPECT_EQ(analyze(none).status, 0);
}

}  // namespace
}  // namespace itemdif::cli

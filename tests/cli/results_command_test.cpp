// `--out` of `analyze` and `run`: the results files against what the summary and the report
// say, and runs whose files cannot or must not be written.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/version.hpp"
#include "command_runner.hpp"
#include "support/results_reader.hpp"

namespace itemdif::cli {
namespace {

namespace fs = std::filesystem;
using itemdif::testing::cell_number;
using itemdif::testing::CsvFile;
using itemdif::testing::file_text;
using itemdif::testing::read_csv;
using itemdif::testing::read_json;
using itemdif::testing::ScratchFolder;
using testing::Outcome;
using testing::run_itemdif;

const fs::path kSource = ITEMDIF_SOURCE_DIR;

/// `value` as a fixed-point field of `digits` decimals, as the summary and the report print it.
std::string fixed(double value, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", digits, value);
  return text;
}

std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> found;
  for (std::string word; in >> word;) found.push_back(word);
  return found;
}

/// The lines of a text without their LF or CR LF.
std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string field(const std::string& line, std::size_t first, std::size_t width) {
  const std::vector<std::string> part = words(line.substr(first, width));
  return part.empty() ? std::string() : part.front();
}

/// Runs `body` with `folder` as the current folder.
template <typename Body>
auto in_folder(const fs::path& folder, Body&& body) {
  const fs::path previous = fs::current_path();
  fs::current_path(folder);
  struct Restore {
    fs::path previous;
    ~Restore() { fs::current_path(previous); }
  } restore{previous};
  return body();
}

// ---- analyze --out on the bundled quiz

Outcome analyze_quiz(const std::vector<std::string>& more) {
  std::vector<std::string> arguments = {"analyze", (kSource / "examples/quiz/quiz.csv").string(),
                                        "--group", "sex", "--focal", "F", "--id", "id",
                                        "--missing-codes", "9"};
  arguments.insert(arguments.end(), more.begin(), more.end());
  return run_itemdif(arguments);
}

TEST(AnalyzeOut, FilesAgreeWithTheSummary) {
  ScratchFolder scratch;
  const Outcome o = analyze_quiz({"--out", (scratch / "results").string()});
  ASSERT_EQ(o.status, 0) << o.err;
  const CsvFile items = read_csv(scratch / "results" / "items.csv");
  ASSERT_EQ(items.rows.size(), 20u);
  for (const auto& row : items.rows) {
    EXPECT_EQ(row.at("focal"), "F") << row.at("item");
    EXPECT_EQ(row.at("score_min"), "0") << row.at("item");
    EXPECT_EQ(row.at("score_max"), "1") << row.at("item");
  }

  // Every item's summary lines say, rounded, what its row holds: the Mantel-Haenszel table
  // first, then the other methods' table.
  std::map<std::string, std::vector<std::string>> summary, others;
  for (const std::string& line : lines_of(o.out)) {
    const std::vector<std::string> w = words(line);
    if (w.size() >= 8 && w[0].size() >= 2 && w[0][0] == 'q')
      (summary.count(w[0]) ? others : summary)[w[0]] = w;
  }
  for (const auto& row : items.rows) {
    SCOPED_TRACE(row.at("item"));
    const std::vector<std::string>& line = summary.at(row.at("item"));
    EXPECT_EQ(line[1], row.at("n_reference"));
    EXPECT_EQ(line[2], row.at("n_focal"));
    EXPECT_EQ(line[3], fixed(cell_number(row.at("mh_d_dif")), 3));
    EXPECT_EQ(line[4], fixed(cell_number(row.at("mh_d_dif_se")), 3));
    EXPECT_EQ(line[7], row.at("ets_class"));
    EXPECT_EQ(row.at("flagged"), line.size() > 8 && line[8] == "*" ? "true" : "false");
    EXPECT_EQ(row.at("mh_p_adjusted"), row.at("mh_p"));  // --adjust none
    const std::vector<std::string>& other = others.at(row.at("item"));
    ASSERT_EQ(other.size(), 9u);
    EXPECT_EQ(other[1], fixed(cell_number(row.at("std_p_dif")), 3));
    EXPECT_EQ(other[2], row.at("std_class"));
    EXPECT_EQ(other[6], fixed(cell_number(row.at("lr_delta_r2")), 3));
    EXPECT_EQ(other[7], row.at("zumbo_thomas_class"));
    EXPECT_EQ(other[8], row.at("jodoin_gierl_class"));
    EXPECT_EQ(row.at("lr_p_adjusted"), row.at("lr_p"));
    EXPECT_NE(row.at("bd_chi_square"), "");
    // Columns new in version 2, computed for every item of this run.
    EXPECT_NE(row.at("std_se"), "");
    EXPECT_NE(row.at("lr_beta_change"), "");
  }

  // Thin levels place every examinee of the item: the counts add up to n and the mean score
  // (the proportion correct of these 0/1 items). Each level has a row for score 0 and one for
  // score 1, in that order.
  const CsvFile levels = read_csv(scratch / "results" / "levels.csv");
  std::map<std::string, std::array<double, 2>> answered, correct;
  std::map<std::string, std::set<std::string>> levels_of;
  ASSERT_EQ(levels.rows.size() % 2, 0u);
  for (std::size_t r = 0; r < levels.rows.size(); ++r) {
    const auto& level = levels.rows[r];
    const std::string& item = level.at("item");
    SCOPED_TRACE(item + " level " + level.at("level") + " score " + level.at("score"));
    EXPECT_EQ(level.at("focal"), "F");
    EXPECT_EQ(level.at("score"), r % 2 == 0 ? "0" : "1");
    if (r % 2 == 1) {
      const auto& before = levels.rows[r - 1];
      EXPECT_EQ(before.at("item"), item);
      for (const char* column : {"level", "low", "high", "used"})
        EXPECT_EQ(before.at(column), level.at(column)) << column;
    }
    levels_of[item].insert(level.at("level"));
    auto& n = answered[item];
    n[0] += cell_number(level.at("n_reference"));
    n[1] += cell_number(level.at("n_focal"));
    if (level.at("score") == "1") {
      correct[item][0] += cell_number(level.at("n_reference"));
      correct[item][1] += cell_number(level.at("n_focal"));
    }
  }
  std::size_t item_levels = 0;
  for (const auto& row : items.rows) {
    const std::string& item = row.at("item");
    EXPECT_EQ(answered[item][0], cell_number(row.at("n_reference"))) << item;
    EXPECT_EQ(answered[item][1], cell_number(row.at("n_focal"))) << item;
    EXPECT_EQ(correct[item][0] / answered[item][0], cell_number(row.at("mean_reference"))) << item;
    EXPECT_EQ(correct[item][1] / answered[item][1], cell_number(row.at("mean_focal"))) << item;
    item_levels += levels_of[item].size();
  }
  // Items x levels x scores.
  EXPECT_EQ(levels.rows.size(), item_levels * 2);
  EXPECT_EQ(levels_of.size(), items.rows.size());
}

TEST(AnalyzeOut, JsonRecordsTheCommandLineAndTheGroups) {
  ScratchFolder scratch;
  const Outcome o = analyze_quiz({"--out", scratch.path().string(), "--alpha", "0.01", "--quiet"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "");
  const auto json = read_json(scratch / "results.json");
  EXPECT_EQ(json["itemdif"], itemdif::cli::kVersion);
  EXPECT_EQ(json["results_version"], 3);
  EXPECT_EQ(json["command"], "analyze");
  EXPECT_EQ(json["input"], (kSource / "examples/quiz/quiz.csv").string());
  EXPECT_EQ(json["options"]["group"], "sex");
  EXPECT_EQ(json["options"]["focal"], "F");
  EXPECT_EQ(json["options"]["reference"], "M");  // found in the data, not given
  EXPECT_EQ(json["options"]["missing_codes"], "9");
  EXPECT_EQ(json["options"]["alpha"].get<double>(), 0.01);
  EXPECT_EQ(json["options"]["max_rounds"].get<int>(), 10);
  EXPECT_EQ(json["options"]["purify"], "iterative");
  EXPECT_EQ(json["options"]["methods"],
            nlohmann::ordered_json::parse(R"(["mh", "std", "bd", "lr"])"));
  EXPECT_EQ(json["groups"], nlohmann::ordered_json::parse(
                                R"({"reference": {"value": "M", "n": 738},
                                    "focal": [{"value": "F", "n": 651}], "rows_left_out": 11})"));
  EXPECT_TRUE(json["overall"].is_null());
  ASSERT_EQ(json["comparisons"].size(), 1u);
  const auto& comparison = json["comparisons"][0];
  EXPECT_EQ(comparison["focal"], "F");
  EXPECT_TRUE(comparison["purification"]["converged"].is_boolean());
  const auto& items = comparison["items"];
  ASSERT_EQ(items.size(), 20u);
  // Thin levels of the last round, which matches on the 18 items besides q6 and q13: scores
  // 0..18, and 0..19 for the flagged q6, whose own score is always in; two rows (scores 0
  // and 1) per level.
  EXPECT_EQ(items[0]["focal"], "F");
  EXPECT_EQ(items[0]["levels"].size(), 19u * 2u);
  EXPECT_EQ(items[5]["item"], "q6");
  EXPECT_EQ(items[5]["levels"].size(), 20u * 2u);
  EXPECT_EQ(items[5]["levels"][39]["level"], 20);
  EXPECT_EQ(items[5]["levels"][39]["score"], 1);
  // Every method ran: the new columns of standardization and logistic regression hold values.
  for (const auto& item : items) {
    SCOPED_TRACE(item["item"].get<std::string>());
    EXPECT_TRUE(item["std_se"].is_number()) << item["std_se"];
    EXPECT_TRUE(item["lr_beta_change"].is_number()) << item["lr_beta_change"];
  }
}

TEST(AnalyzeOut, UnwritableFolderIsStatusTwoNamingThePath) {
  ScratchFolder scratch;
  std::ofstream(scratch / "plain") << "x";
  const fs::path out = scratch / "plain" / "results";
  const Outcome o = analyze_quiz({"--out", out.string()});
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out, "");  // no summary either
  EXPECT_EQ(o.err.rfind("itemdif: error: cannot write " + out.string() + ": ", 0), 0u) << o.err;
  EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1);
  EXPECT_EQ(scratch.names(), std::vector<std::string>{"plain"});
}

// ---- run --out on the bundled control file

/// The demo's control file and data in the scratch folder.
void copy_demo(const ScratchFolder& scratch) {
  for (const char* name : {"demo.ctl", "ref.dat", "foc.dat"})
    fs::copy_file(kSource / "examples" / name, scratch / name);
}

struct PassRow {
  std::string category, favoured, alpha, chi_square, p, d_dif, se;
};

/// The rows of a pass's table in the report, by item label.
std::map<std::string, PassRow> pass_table(const std::vector<std::string>& report, int pass) {
  std::map<std::string, PassRow> rows;
  std::size_t i = 0;
  while (report[i] != "Results for Pass Number: " + std::to_string(pass)) ++i;
  while (report[i].rfind("   ITEM", 0) != 0) ++i;
  // (A1,A1,1X,I3,A3,5X,F6.3,5X,F7.3,5X,F6.3,5X,F6.3,5X,F6.3)
  for (++i; i < report.size() && report[i].size() >= 65; ++i) {
    const std::string& l = report[i];
    rows[field(l, 3, 3)] = {l.substr(0, 1), l.substr(1, 1), field(l, 14, 6), field(l, 25, 7),
                            field(l, 37, 6), field(l, 48, 6), field(l, 59, 6)};
  }
  return rows;
}

std::vector<std::string> category_c(const std::map<std::string, PassRow>& table) {
  std::vector<std::string> labels;
  for (const auto& [label, row] : table)
    if (row.category == "C") labels.push_back(label);
  return labels;
}

TEST(RunOut, ItemsAreTheReportsPassTwoAtFullPrecision) {
  ScratchFolder scratch;
  copy_demo(scratch);
  const Outcome o =
      in_folder(scratch.path(), [] { return run_itemdif({"run", "demo.ctl", "--out", "out"}); });
  ASSERT_EQ(o.status, 0) << o.err;
  const std::vector<std::string> report = lines_of(file_text(scratch / "demo.out"));
  const auto pass_2 = pass_table(report, 2);
  const CsvFile items = read_csv(scratch / "out" / "items.csv");
  ASSERT_EQ(items.rows.size(), 30u);
  ASSERT_EQ(pass_2.size(), 30u);

  // The groups' proportions from the data files themselves: (7X,30F1.0), blanks read as 0.
  std::array<std::array<double, 30>, 2> correct{};
  const char* files[] = {"ref.dat", "foc.dat"};
  const std::size_t examinees[] = {2500, 2000};
  for (int g = 0; g < 2; ++g) {
    std::ifstream in(scratch / files[g]);
    std::string line;
    for (std::size_t i = 0; i < examinees[g] && std::getline(in, line); ++i)
      for (std::size_t j = 0; j < 30; ++j) correct[g][j] += line.size() > 7 + j && line[7 + j] == '1';
  }

  for (std::size_t j = 0; j < 30; ++j) {
    const auto& row = items.rows[j];
    SCOPED_TRACE(row.at("item"));
    const PassRow& printed = pass_2.at(row.at("item"));
    // The one comparison's focal group is named by its data file.
    EXPECT_EQ(row.at("focal"), "foc.dat");
    EXPECT_EQ(row.at("score_min"), "0");
    EXPECT_EQ(row.at("score_max"), "1");
    EXPECT_EQ(row.at("n_reference"), "2500");
    EXPECT_EQ(row.at("n_focal"), "2000");
    EXPECT_EQ(cell_number(row.at("mean_reference")), correct[0][j] / 2500);
    EXPECT_EQ(cell_number(row.at("mean_focal")), correct[1][j] / 2000);

    const double alpha = cell_number(row.at("mh_alpha"));
    const double d_dif = cell_number(row.at("mh_d_dif"));
    const double se = cell_number(row.at("mh_d_dif_se"));
    EXPECT_EQ(fixed(alpha, 3), printed.alpha);
    EXPECT_EQ(fixed(cell_number(row.at("mh_chi_square")), 3), printed.chi_square);
    EXPECT_EQ(fixed(cell_number(row.at("mh_p")), 3), printed.p);
    EXPECT_EQ(fixed(d_dif, 3), printed.d_dif);
    EXPECT_EQ(fixed(se, 3), printed.se);
    EXPECT_EQ(row.at("mh_p_adjusted"), row.at("mh_p"));
    // The interval of alpha: ln alpha -+ 1.959964 SE(ln alpha), SE(ln alpha) = SE(D-DIF) / 2.35
    // in the single-precision 2.35 of the report's SE.
    const double half_width = 1.959964 * se / 2.3499999046325684;
    EXPECT_NEAR(std::log(cell_number(row.at("mh_alpha_high")) / alpha), half_width, 1e-12);
    EXPECT_NEAR(std::log(alpha / cell_number(row.at("mh_alpha_low"))), half_width, 1e-12);

    const std::string ets = row.at("ets_class");
    EXPECT_EQ(ets.substr(0, 1), printed.category);
    EXPECT_EQ(ets.size() == 2 ? ets.substr(1) : "", printed.category == "A" ? ""
                                                     : d_dif < 0              ? "-"
                                                                              : "+");
    EXPECT_EQ(row.at("flagged"), printed.category == "C" ? "true" : "false");
    // Mantel-Haenszel is the one method run.
    for (const char* column : {"std_p_dif", "std_se", "std_class", "bd_p", "lr_p",
                               "lr_beta_change", "zumbo_thomas_class"})
      EXPECT_EQ(row.at(column), "") << column;
  }
  // The planted items are the ones coded C.
  EXPECT_EQ(category_c(pass_2), (std::vector<std::string>{"107", "115", "123"}));
}

TEST(RunOut, LevelsCoefficientsAndRoundsAreThoseOfTheReport) {
  ScratchFolder scratch;
  copy_demo(scratch);
  const Outcome o = in_folder(scratch.path(), [] {
    return run_itemdif({"run", "demo.ctl", "--out", "out", "--quiet"});
  });
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "");
  const std::vector<std::string> report = lines_of(file_text(scratch / "demo.out"));

  // Curves: proportion correct by level of pass 2, 9.00 where a level is not used.
  std::map<std::string, std::vector<std::vector<std::string>>> curves;  // R, F, L, U words
  std::map<std::string, std::vector<std::vector<std::string>>> fits;
  for (std::size_t i = 0; i < report.size(); ++i) {
    const std::vector<std::string> w = words(report[i]);
    if (report[i].rfind("Item ", 0) == 0 && w.size() >= 5 && w[2] == "ETS")
      for (std::size_t r = 1; r <= 4; ++r) curves[w[1]].push_back(words(report[i + r]));
    if (report[i].rfind("Item Number:", 0) == 0)
      // (A20,4(F10.6,3X)) after the name
      for (std::size_t r = 1; r <= 4; ++r)
        fits[field(report[i], 12, 3)].push_back({field(report[i + r], 20, 10),
                                                 field(report[i + r], 33, 10),
                                                 field(report[i + r], 46, 10),
                                                 field(report[i + r], 59, 10)});
  }
  ASSERT_EQ(curves.size(), 30u);
  ASSERT_EQ(fits.size(), 30u);

  // Items x levels x scores: a row for score 0 (the incorrect answers) and one for score 1
  // (the correct ones) of every level.
  const CsvFile levels = read_csv(scratch / "out" / "levels.csv");
  ASSERT_EQ(levels.rows.size(), 30u * 10u * 2u);
  for (std::size_t r = 0; r + 1 < levels.rows.size(); r += 2) {
    const auto& incorrect = levels.rows[r];
    const auto& level = levels.rows[r + 1];
    const auto& curve = curves.at(level.at("item"));
    const std::size_t k = static_cast<std::size_t>(cell_number(level.at("level")));
    SCOPED_TRACE(level.at("item") + " level " + level.at("level"));
    EXPECT_EQ(level.at("focal"), "foc.dat");
    EXPECT_EQ(incorrect.at("score"), "0");
    EXPECT_EQ(level.at("score"), "1");
    for (const char* column : {"item", "focal", "level", "low", "high", "used"})
      EXPECT_EQ(incorrect.at(column), level.at(column)) << column;
    EXPECT_EQ(level.at("low"), curve[2][k]);
    EXPECT_EQ(level.at("high"), curve[3][k]);
    const double rc = cell_number(level.at("n_reference"));
    const double ri = cell_number(incorrect.at("n_reference"));
    const double fc = cell_number(level.at("n_focal"));
    const double fi = cell_number(incorrect.at("n_focal"));
    EXPECT_EQ(level.at("used"), rc + ri >= 10 && fc + fi >= 10 ? "true" : "false");
    EXPECT_EQ(curve[0][k], level.at("used") == "true" ? fixed(rc / (rc + ri), 2) : "9.00");
    EXPECT_EQ(curve[1][k], level.at("used") == "true" ? fixed(fc / (fc + fi), 2) : "9.00");
  }

  const CsvFile coefficients = read_csv(scratch / "out" / "coefficients.csv");
  ASSERT_EQ(coefficients.rows.size(), 30u * 4u);
  const std::string terms[] = {"intercept", "trait", "group", "trait_x_group"};
  for (std::size_t r = 0; r < coefficients.rows.size(); ++r) {
    const auto& row = coefficients.rows[r];
    SCOPED_TRACE(row.at("item") + " " + row.at("term"));
    EXPECT_EQ(row.at("model"), "legacy");
    EXPECT_EQ(row.at("term"), terms[r % 4]);
    const auto& printed = fits.at(row.at("item"))[r % 4];
    const char* columns[] = {"estimate", "se", "z", "p"};
    for (std::size_t c = 0; c < 4; ++c)
      EXPECT_EQ(fixed(cell_number(row.at(columns[c])), 6), printed[c]) << columns[c];
  }

  // The passes as rounds: each round's flagged items are the pass's category C.
  const auto json = read_json(scratch / "out" / "results.json");
  EXPECT_EQ(json["itemdif"], itemdif::cli::kVersion);
  EXPECT_EQ(json["results_version"], 3);
  EXPECT_EQ(json["command"], "run");
  EXPECT_EQ(json["input"], "demo.ctl");
  EXPECT_EQ(json["options"]["model"], 2);
  EXPECT_EQ(json["options"]["methods"], nlohmann::ordered_json::parse(R"(["mh"])"));
  EXPECT_EQ(json["groups"], nlohmann::ordered_json::parse(
                                R"({"reference": {"value": "ref.dat", "n": 2500},
                                    "focal": [{"value": "foc.dat", "n": 2000}],
                                    "rows_left_out": 0})"));
  ASSERT_EQ(json["comparisons"].size(), 1u);
  const auto& comparison = json["comparisons"][0];
  EXPECT_EQ(comparison["focal"], "foc.dat");
  ASSERT_EQ(comparison["items"].size(), 30u);
  EXPECT_EQ(comparison["items"][0]["focal"], "foc.dat");
  EXPECT_EQ(comparison["items"][0]["levels"].size(), 10u * 2u);
  EXPECT_EQ(comparison["items"][0]["coefficients"].size(), 4u);
  const auto& purification = comparison["purification"];
  const auto& rounds = purification["rounds"];
  ASSERT_EQ(rounds.size(), 2u);
  const auto pass_1 = category_c(pass_table(report, 1));
  const auto pass_2 = category_c(pass_table(report, 2));
  EXPECT_EQ(rounds[0]["flagged"].get<std::vector<std::string>>(), pass_1);
  EXPECT_EQ(rounds[1]["flagged"].get<std::vector<std::string>>(), pass_2);
  EXPECT_EQ(purification["converged"].get<bool>(), pass_1 == pass_2);
}

TEST(RunOut, ConsoleAndReportAreThoseOfTheRunWithout) {
  ScratchFolder scratch;
  copy_demo(scratch);
  const Outcome plain = in_folder(scratch.path(), [] { return run_itemdif({"run", "demo.ctl"}); });
  const std::string plain_report = file_text(scratch / "demo.out");
  const Outcome with = in_folder(scratch.path(), [] {
    return run_itemdif({"run", "demo.ctl", "--out", "out"});
  });
  EXPECT_EQ(with.status, plain.status);
  EXPECT_EQ(with.console, plain.console);
  EXPECT_EQ(with.out, plain.out);
  EXPECT_EQ(with.err, plain.err);
  EXPECT_EQ(file_text(scratch / "demo.out"), plain_report);
}

/// A frozen case's control file and data in the scratch folder; returns the control file.
std::string copy_golden_case(const ScratchFolder& scratch, const std::string& name) {
  const fs::path folder = kSource / "tests/golden" / name;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string file = entry.path().filename().string();
    if (file != "expected" && file != "stdin" && file != "inputs_from")
      fs::copy_file(entry.path(), scratch / file);
  }
  std::string control = file_text(folder / "stdin");
  control.erase(control.find_last_not_of("\r\n") + 1);
  return control;
}

TEST(RunOut, RunThatStopsWritesNoFile) {
  for (const auto& [name, status] : {std::pair<std::string, int>{"windows_in_pass_2", 1},
                                     {"keyword_missing", 1}}) {
    ScratchFolder scratch;
    const std::string control = copy_golden_case(scratch, name);
    const Outcome o = in_folder(scratch.path(), [&] {
      return run_itemdif({"run", control, "--out", "out"});
    });
    EXPECT_EQ(o.status, status) << name;
    EXPECT_FALSE(fs::exists(scratch / "out")) << name;
  }
  ScratchFolder scratch;
  copy_demo(scratch);
  fs::remove(scratch / "foc.dat");
  const Outcome o = in_folder(scratch.path(), [] {
    return run_itemdif({"run", "demo.ctl", "--out", "out"});
  });
  EXPECT_EQ(o.status, 2);
  EXPECT_FALSE(fs::exists(scratch / "out"));
}

TEST(RunOut, UnwritableFolderAfterACompletedRunIsStatusTwo) {
  ScratchFolder scratch;
  copy_demo(scratch);
  std::ofstream(scratch / "plain") << "x";
  const Outcome o = in_folder(scratch.path(), [] {
    return run_itemdif({"run", "demo.ctl", "--out", "plain/out"});
  });
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err.rfind("itemdif: error: cannot write plain/out: ", 0), 0u) << o.err;
  EXPECT_EQ(file_text(scratch / "plain"), "x");
}

}  // namespace
}  // namespace itemdif::cli

// The results files read back: every column and field against the analysis's values, and the
// writes that fail without leaving a file behind.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <variant>

#include "item_values.hpp"
#include "results/html_report.hpp"
#include "results/results_files.hpp"
#include "support/results_reader.hpp"

namespace itemdif::results {
namespace {

namespace fs = std::filesystem;
using itemdif::testing::cell_number;
using itemdif::testing::file_text;
using itemdif::testing::read_csv;
using itemdif::testing::read_json;
using itemdif::testing::ScratchFolder;
using testing::Counts01;
using Json = nlohmann::ordered_json;

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

/// What one column should hold: undefined, a number, a whole number, a text or a truth value.
using Expected = std::variant<std::monostate, double, long long, std::string, bool>;
using ExpectedRow = std::vector<std::pair<std::string, Expected>>;

Expected number(const std::optional<double>& value) {
  if (!value || !std::isfinite(*value)) return std::monostate{};
  return *value;
}
Expected text(const std::string& value) {
  if (value.empty()) return std::monostate{};
  return value;
}
Expected whole(long long value) { return value; }

stats::Cell cell_of(const Expected& value) {
  if (const double* n = std::get_if<double>(&value)) return *n;
  if (const long long* n = std::get_if<long long>(&value)) return std::int64_t{*n};
  if (const std::string* t = std::get_if<std::string>(&value)) return *t;
  if (const bool* b = std::get_if<bool>(&value)) return *b;
  return std::monostate{};
}

/// An item as the test gives it: the analysis's values, and what the writers read them from
/// (Mantel-Haenszel values, the other methods' cells by name, 0/1 level counts).
struct TestItem {
  stats::ItemResult result;
  stats::MhValues mh;
  ExpectedRow others;
  std::vector<Counts01> levels;
};

TestItem test_item(stats::ItemResult result, const stats::MhValues& mh, ExpectedRow others,
                   std::vector<Counts01> levels) {
  testing::set_mh(result, mh);
  for (const auto& [name, value] : others) testing::set_cell(result, name, cell_of(value));
  result.levels = testing::levels_01(levels);
  return {std::move(result), mh, std::move(others), std::move(levels)};
}

/// An item whose every value is defined, with numbers that test the text: 17 digits, the
/// smallest subnormal, 1e-300, and a name that needs quotes.
TestItem full_item() {
  stats::ItemResult item = testing::item_named("q,1 \"a\"");
  item.n_reference = 715;
  item.n_focal = 632;
  item.mean_reference = 0.1;
  item.mean_focal = 5e-324;
  item.methods[testing::method_at("lr")].coefficients = {
      {"trait", "intercept", 0.5, 0.1, 5.0, 5.7e-7},
      {"trait", "trait", 1.25, 0.05, 25.0, 0.0},
      {"uniform", "group", -0.3, 0.12, -2.5, 0.0124}};
  item.flagged = true;
  const stats::MhValues mh = {1.0383390344565290, 0.722708259012919, 1.4918162855211596,
                              -0.08841253238075322, 0.4344846213358753, 0.1 + 0.2, 1e-300,
                              2e-300, "B-", ""};
  ExpectedRow others = {{"std_p_dif", -0.071},
                        {"std_se", 0.0125},
                        {"std_class", std::string("B-")},
                        {"bd_chi_square", 3.5},
                        {"bd_df", whole(4)},
                        {"bd_p", 0.47787995},
                        {"lr_chi_square", 7.25},
                        {"lr_p", 0.026},
                        {"lr_p_adjusted", 0.052},
                        {"lr_uniform_chi_square", 6.5},
                        {"lr_uniform_p", 0.0108},
                        {"lr_nonuniform_chi_square", 0.75},
                        {"lr_nonuniform_p", 0.386},
                        {"lr_delta_r2", 0.0123},
                        {"lr_uniform_delta_r2", 0.0101},
                        {"lr_beta_change", 0.1 + 0.7},
                        {"zumbo_thomas_class", std::string("A")},
                        {"jodoin_gierl_class", std::string("A")}};
  return test_item(std::move(item), mh, std::move(others),
                   {{0, 3, 12, 21, 12, 28, true}, {4, 7, 0, 0, 0, 1, false}});
}

/// An item whose statistics are undefined: an odds ratio of 0 (D-DIF infinite), no variance,
/// the other methods not run.
TestItem undefined_item() {
  stats::ItemResult item = testing::item_named("q2");
  item.n_reference = 10;
  item.n_focal = 0;
  item.mean_reference = 1.0;
  item.note = "no focal examinee answered the item; MH odds ratio is 0";
  stats::MhValues mh;
  mh.d_dif = kInfinity;
  mh.chi_square = kNaN;
  return test_item(std::move(item), mh, {}, {{0, 0, 10, 0, 0, 0, false}});
}

struct TestAnalysis {
  stats::DifAnalysis analysis;
  std::vector<TestItem> items;  ///< of the first comparison
};

TestAnalysis two_items() {
  TestAnalysis test;
  test.items = {full_item(), undefined_item()};
  stats::DifAnalysis& analysis = test.analysis;
  analysis.reference = {"M", 738};
  analysis.focal = {{"F", 651}};
  analysis.listwise_left_out = 4;
  stats::Comparison comparison;
  comparison.focal = "F";
  for (const TestItem& item : test.items) comparison.items.push_back(item.result);
  comparison.rounds = {{1, {0, 1}}, {2, {0}}};
  comparison.converged = false;
  comparison.stop = stats::Stop::max_rounds;
  analysis.comparisons.push_back(std::move(comparison));
  return test;
}

RunDescription quiz_run() {
  RunDescription run;
  run.version = "9.8.7";
  run.command = "analyze";
  run.input = "quiz.csv";
  run.settings = {{"levels", "thin", false, false},
                  {"alpha", "0.05", true, false},
                  {"max_rounds", "10", true, false},
                  {"focal", "F", false, true}};
  run.methods = {testing::method_at("mh"), testing::method_at("std")};
  run.items = 2;
  run.rows_read = 760;
  run.rows_of_no_group = 7;
  return run;
}

Expected given(const ExpectedRow& values, const std::string& name) {
  for (const auto& [given_name, value] : values)
    if (given_name == name) return value;
  return std::monostate{};
}

/// items.csv's columns, in order, stated here once: the item's values, its Mantel-Haenszel
/// values and the other methods' cells as the test gave them.
ExpectedRow expected_item(const std::string& focal, const TestItem& t) {
  const stats::ItemResult& i = t.result;
  const stats::MhValues& mh = t.mh;
  ExpectedRow row = {{"item", i.name},
                     {"focal", focal},
                     {"score_min", whole(i.range.score_min)},
                     {"score_max", whole(i.range.score_max)},
                     {"n_reference", whole(static_cast<long long>(i.n_reference))},
                     {"n_focal", whole(static_cast<long long>(i.n_focal))},
                     {"mean_reference", number(i.mean_reference)},
                     {"mean_focal", number(i.mean_focal)},
                     {"mh_alpha", number(mh.alpha)},
                     {"mh_alpha_low", number(mh.alpha_low)},
                     {"mh_alpha_high", number(mh.alpha_high)},
                     {"mh_d_dif", number(mh.d_dif)},
                     {"mh_d_dif_se", number(mh.d_dif_se)},
                     {"mh_chi_square", number(mh.chi_square)},
                     {"mh_p", number(mh.p)},
                     {"mh_p_adjusted", number(mh.p_adjusted)},
                     {"ets_class", text(mh.ets_class)}};
  for (const char* name :
       {"std_p_dif", "std_se", "std_class", "bd_chi_square", "bd_df", "bd_p", "lr_chi_square",
        "lr_p", "lr_p_adjusted", "lr_uniform_chi_square", "lr_uniform_p",
        "lr_nonuniform_chi_square", "lr_nonuniform_p", "lr_delta_r2", "lr_uniform_delta_r2",
        "lr_beta_change", "zumbo_thomas_class", "jodoin_gierl_class", "sib_beta", "sib_se",
        "sib_chi_square", "sib_p", "sib_p_adjusted", "sib_class", "csib_beta", "csib_chi_square",
        "csib_df", "csib_p", "csib_crossing", "irt_chi_square", "irt_df", "irt_p",
        "irt_p_adjusted", "irt_uniform_chi_square", "irt_uniform_df", "irt_uniform_p",
        "irt_nonuniform_chi_square", "irt_nonuniform_df", "irt_nonuniform_p", "irt_esd",
        "irt_uesd"})
    row.emplace_back(name, given(t.others, name));
  row.emplace_back("flagged", i.flagged);
  row.emplace_back("note", i.note);
  return row;
}

ExpectedRow expected_level_row(const std::string& focal, const std::string& item,
                               std::size_t level, int low, int high, int score,
                               Expected reference, Expected focal_count, bool used) {
  return {{"item", item},
          {"focal", focal},
          {"level", whole(static_cast<long long>(level))},
          {"low", whole(low)},
          {"high", whole(high)},
          {"score", whole(score)},
          {"n_reference", std::move(reference)},
          {"n_focal", std::move(focal_count)},
          {"used", used}};
}

Expected count(double value) { return whole(static_cast<long long>(value)); }

/// The two rows of a 0/1 item's level: score 0 the incorrect answers, score 1 the correct.
std::vector<ExpectedRow> expected_levels_01(const std::string& focal, const TestItem& t,
                                            std::size_t k) {
  const Counts01& l = t.levels[k];
  return {expected_level_row(focal, t.result.name, k + 1, l.low, l.high, 0,
                             count(l.reference_incorrect), count(l.focal_incorrect), l.used),
          expected_level_row(focal, t.result.name, k + 1, l.low, l.high, 1,
                             count(l.reference_correct), count(l.focal_correct), l.used)};
}

ExpectedRow expected_coefficient(const std::string& focal, const std::string& item,
                                 const stats::Coefficient& c) {
  return {{"item", item},
          {"focal", focal},
          {"model", c.model},
          {"term", c.term},
          {"estimate", number(c.estimate)},
          {"se", number(c.se)},
          {"z", number(c.z)},
          {"p", number(c.p)}};
}

std::vector<std::string> names_of(const ExpectedRow& row) {
  std::vector<std::string> names;
  for (const auto& [name, value] : row) names.push_back(name);
  return names;
}

void expect_csv_row(const std::map<std::string, std::string>& cells, const ExpectedRow& row) {
  for (const auto& [name, value] : row) {
    ASSERT_TRUE(cells.count(name)) << "no column " << name;
    const std::string& cell = cells.at(name);
    SCOPED_TRACE(name + " = \"" + cell + "\"");
    if (std::holds_alternative<std::monostate>(value)) { EXPECT_EQ(cell, ""); }
    if (auto* n = std::get_if<double>(&value)) { EXPECT_EQ(cell_number(cell), *n); }
    if (auto* n = std::get_if<long long>(&value)) { EXPECT_EQ(cell, std::to_string(*n)); }
    if (auto* t = std::get_if<std::string>(&value)) { EXPECT_EQ(cell, *t); }
    if (auto* b = std::get_if<bool>(&value)) { EXPECT_EQ(cell, *b ? "true" : "false"); }
  }
}

/// The object's fields: those of the row, in its order (without `item` and `focal` when
/// nested), then `extra` names.
void expect_json_object(const Json& object, const ExpectedRow& row, bool nested,
                        const std::vector<std::string>& extra = {}) {
  std::vector<std::string> names;
  for (const auto& [name, value] : object.items()) names.push_back(name);
  std::vector<std::string> expected = names_of(row);
  if (nested) expected.erase(expected.begin(), expected.begin() + 2);
  expected.insert(expected.end(), extra.begin(), extra.end());
  EXPECT_EQ(names, expected);
  for (const auto& [name, value] : row) {
    if (nested && (name == "item" || name == "focal")) continue;
    SCOPED_TRACE(name);
    ASSERT_TRUE(object.contains(name));
    const Json& field = object.at(name);
    if (std::holds_alternative<std::monostate>(value)) { EXPECT_TRUE(field.is_null()) << field; }
    if (auto* n = std::get_if<double>(&value)) {
      EXPECT_TRUE(field.is_number_float()) << field;
      EXPECT_EQ(field.get<double>(), *n);
    }
    if (auto* n = std::get_if<long long>(&value)) {
      EXPECT_TRUE(field.is_number_integer()) << field;
      EXPECT_EQ(field.get<long long>(), *n);
    }
    if (auto* t = std::get_if<std::string>(&value)) { EXPECT_EQ(field.get<std::string>(), *t); }
    if (auto* b = std::get_if<bool>(&value)) { EXPECT_EQ(field.get<bool>(), *b); }
  }
}

const std::vector<std::string> kResultsFiles = {"coefficients.csv", "items.csv", "levels.csv",
                                                "report.html", "results.json"};

TEST(ResultsFiles, CsvColumnsHoldTheAnalysisValues) {
  ScratchFolder scratch;
  const TestAnalysis test = two_items();
  write_results_files(scratch / "out", quiz_run(), test.analysis);

  const auto items = read_csv(scratch / "out" / "items.csv");
  EXPECT_EQ(items.header,
            (std::vector<std::string>{
                "item", "focal", "score_min", "score_max", "n_reference", "n_focal",
                "mean_reference", "mean_focal", "mh_alpha", "mh_alpha_low", "mh_alpha_high",
                "mh_d_dif", "mh_d_dif_se", "mh_chi_square", "mh_p", "mh_p_adjusted", "ets_class",
                "std_p_dif", "std_se", "std_class", "bd_chi_square", "bd_df", "bd_p",
                "lr_chi_square", "lr_p", "lr_p_adjusted", "lr_uniform_chi_square", "lr_uniform_p",
                "lr_nonuniform_chi_square", "lr_nonuniform_p", "lr_delta_r2",
                "lr_uniform_delta_r2", "lr_beta_change", "zumbo_thomas_class",
                "jodoin_gierl_class", "sib_beta", "sib_se", "sib_chi_square", "sib_p",
                "sib_p_adjusted", "sib_class", "csib_beta", "csib_chi_square", "csib_df", "csib_p",
                "csib_crossing", "irt_chi_square", "irt_df", "irt_p", "irt_p_adjusted",
                "irt_uniform_chi_square", "irt_uniform_df", "irt_uniform_p",
                "irt_nonuniform_chi_square", "irt_nonuniform_df", "irt_nonuniform_p", "irt_esd",
                "irt_uesd", "flagged", "note"}));
  ASSERT_EQ(items.rows.size(), 2u);
  for (std::size_t j = 0; j < 2; ++j) {
    EXPECT_EQ(items.header, names_of(expected_item("F", test.items[j])));
    expect_csv_row(items.rows[j], expected_item("F", test.items[j]));
  }

  // One row per score of each level: 0/1 items have scores 0 and 1.
  const auto levels = read_csv(scratch / "out" / "levels.csv");
  EXPECT_EQ(levels.header, (std::vector<std::string>{"item", "focal", "level", "low", "high",
                                                     "score", "n_reference", "n_focal", "used"}));
  ASSERT_EQ(levels.rows.size(), (2u + 1u) * 2u);
  std::vector<ExpectedRow> expected;
  for (const TestItem& item : test.items)
    for (std::size_t k = 0; k < item.levels.size(); ++k)
      for (ExpectedRow& row : expected_levels_01("F", item, k)) expected.push_back(std::move(row));
  ASSERT_EQ(expected.size(), levels.rows.size());
  for (std::size_t r = 0; r < expected.size(); ++r) {
    SCOPED_TRACE("levels.csv row " + std::to_string(r + 1));
    EXPECT_EQ(levels.header, names_of(expected[r]));
    expect_csv_row(levels.rows[r], expected[r]);
  }

  // Only the terms each model has: the second item has none.
  const auto coefficients = read_csv(scratch / "out" / "coefficients.csv");
  EXPECT_EQ(coefficients.header, (std::vector<std::string>{"item", "focal", "model", "term",
                                                           "estimate", "se", "z", "p"}));
  const stats::ItemResult& full = test.items[0].result;
  const std::vector<stats::Coefficient>& fitted =
      full.methods[testing::method_at("lr")].coefficients;
  ASSERT_EQ(coefficients.rows.size(), 3u);
  for (std::size_t c = 0; c < 3; ++c)
    expect_csv_row(coefficients.rows[c], expected_coefficient("F", full.name, fitted[c]));
}

TEST(ResultsFiles, LevelRowsRunOverEveryScoreOfTheItemsRange) {
  // A polytomous item scored 1..3 beside the two 0/1 items: levels.csv has a row for each
  // item, level and score, items x levels x scores in all; a count that is not a whole number
  // is left empty.
  ScratchFolder scratch;
  TestAnalysis test = two_items();
  stats::ItemResult essay = testing::item_named("essay");
  essay.range = {1, 3, true};
  essay.n_reference = 9;
  essay.n_focal = 7;
  const double counts[2][2][3] = {{{1, 2, 3}, {0, 4, 1}}, {{2, 0, 1}, {1, 1, kNaN}}};
  for (int k = 0; k < 2; ++k) {
    stats::LevelTable level(10 * k, 10 * k + 9, 2, 1, 3);
    for (std::size_t g = 0; g < 2; ++g)
      for (int y = 1; y <= 3; ++y) level.count(g, y) = counts[k][g][y - 1];
    level.used = k == 0;
    essay.levels.push_back(std::move(level));
  }
  test.analysis.comparisons[0].items.push_back(essay);
  write_results_files(scratch.path(), quiz_run(), test.analysis);

  const auto items = read_csv(scratch / "items.csv");
  ASSERT_EQ(items.rows.size(), 3u);
  EXPECT_EQ(items.rows[2].at("score_min"), "1");
  EXPECT_EQ(items.rows[2].at("score_max"), "3");

  const auto levels = read_csv(scratch / "levels.csv");
  ASSERT_EQ(levels.rows.size(), 2u * 2u + 1u * 2u + 2u * 3u);
  for (int k = 0; k < 2; ++k)
    for (int y = 1; y <= 3; ++y) {
      const std::size_t r = 6 + 3 * static_cast<std::size_t>(k) + static_cast<std::size_t>(y - 1);
      SCOPED_TRACE("level " + std::to_string(k + 1) + " score " + std::to_string(y));
      const double focal = counts[k][1][y - 1];
      expect_csv_row(levels.rows[r],
                     expected_level_row("F", "essay", static_cast<std::size_t>(k) + 1, 10 * k,
                                        10 * k + 9, y, count(counts[k][0][y - 1]),
                                        std::isnan(focal) ? Expected() : count(focal), k == 0));
    }

  const Json json = read_json(scratch / "results.json");
  const Json& nested = json["comparisons"][0]["items"][2]["levels"];
  ASSERT_EQ(nested.size(), 6u);
  EXPECT_EQ(nested[5], Json::parse(R"({"level": 2, "low": 10, "high": 19, "score": 3,
                                      "n_reference": 1, "n_focal": null, "used": false})"));
}

TEST(ResultsFiles, JsonHoldsTheRunGroupsAndComparisonsUnderTheCsvNames) {
  ScratchFolder scratch;
  const TestAnalysis test = two_items();
  write_results_files(scratch.path(), quiz_run(), test.analysis);
  const std::string text = file_text(scratch / "results.json");
  EXPECT_EQ(text.find("NaN"), std::string::npos);
  EXPECT_EQ(text.find("Infinity"), std::string::npos);
  const Json json = Json::parse(text);

  std::vector<std::string> keys;
  for (const auto& [key, value] : json.items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"itemdif", "results_version", "command", "input",
                                            "options", "groups", "comparisons", "overall"}));
  EXPECT_EQ(json["itemdif"], "9.8.7");
  EXPECT_TRUE(json["results_version"].is_number_integer());
  EXPECT_EQ(json["results_version"], 3);
  EXPECT_EQ(json["command"], "analyze");
  EXPECT_EQ(json["input"], "quiz.csv");
  EXPECT_EQ(json["options"]["levels"], "thin");
  EXPECT_TRUE(json["options"]["alpha"].is_number_float());
  EXPECT_EQ(json["options"]["alpha"].get<double>(), 0.05);
  EXPECT_TRUE(json["options"]["max_rounds"].is_number_integer());
  EXPECT_EQ(json["options"]["focal"], "F");
  EXPECT_EQ(json["options"]["methods"], Json::parse(R"(["mh","std"])"));
  // The rows left out: of no group, and listwise.
  EXPECT_EQ(json["groups"], Json::parse(R"({"reference": {"value": "M", "n": 738},
                                            "focal": [{"value": "F", "n": 651}],
                                            "rows_left_out": 11})"));
  EXPECT_TRUE(json["overall"].is_null());

  ASSERT_EQ(json["comparisons"].size(), 1u);
  const Json& comparison = json["comparisons"][0];
  keys.clear();
  for (const auto& [key, value] : comparison.items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"focal", "purification", "items", "bundles"}));
  EXPECT_EQ(comparison["bundles"], Json::array());
  EXPECT_EQ(comparison["focal"], "F");
  EXPECT_EQ(comparison["purification"],
            Json::parse(R"({"rounds": [{"round": 1, "flagged": ["q,1 \"a\"", "q2"]},
                                       {"round": 2, "flagged": ["q,1 \"a\""]}],
                            "converged": false, "stop": "max_rounds"})"));

  ASSERT_EQ(comparison["items"].size(), 2u);
  for (std::size_t j = 0; j < 2; ++j) {
    const TestItem& item = test.items[j];
    const Json& object = comparison["items"][j];
    expect_json_object(object, expected_item("F", item), false, {"levels", "coefficients"});
    ASSERT_EQ(object["levels"].size(), 2 * item.levels.size());
    for (std::size_t k = 0; k < item.levels.size(); ++k) {
      const std::vector<ExpectedRow> rows = expected_levels_01("F", item, k);
      expect_json_object(object["levels"][2 * k], rows[0], true);
      expect_json_object(object["levels"][2 * k + 1], rows[1], true);
    }
    std::vector<stats::Coefficient> fitted;
    for (const stats::MethodValues& values : item.result.methods)
      fitted.insert(fitted.end(), values.coefficients.begin(), values.coefficients.end());
    ASSERT_EQ(object["coefficients"].size(), fitted.size());
    for (std::size_t c = 0; c < fitted.size(); ++c)
      expect_json_object(object["coefficients"][c],
                         expected_coefficient("F", item.result.name, fitted[c]), true);
  }
}

TEST(ResultsFiles, EachComparisonsRowsCarryItsFocalValue) {
  ScratchFolder scratch;
  TestAnalysis test = two_items();
  stats::Comparison second;
  second.focal = "X, \"other\"";
  second.items = {full_item().result};
  second.items[0].flagged = false;
  second.rounds = {{1, {}}};
  second.converged = true;
  test.analysis.focal.push_back({second.focal, 40});
  test.analysis.comparisons.push_back(second);
  write_results_files(scratch.path(), quiz_run(), test.analysis);

  const auto focal_column = [](const itemdif::testing::CsvFile& file) {
    std::vector<std::string> values;
    for (const auto& row : file.rows) values.push_back(row.at("focal"));
    return values;
  };
  const std::string x = second.focal;
  EXPECT_EQ(focal_column(read_csv(scratch / "items.csv")),
            (std::vector<std::string>{"F", "F", x}));
  EXPECT_EQ(focal_column(read_csv(scratch / "levels.csv")),
            (std::vector<std::string>{"F", "F", "F", "F", "F", "F", x, x, x, x}));
  EXPECT_EQ(focal_column(read_csv(scratch / "coefficients.csv")),
            (std::vector<std::string>{"F", "F", "F", x, x, x}));
  const auto items = read_csv(scratch / "items.csv");
  EXPECT_EQ(items.rows[2].at("flagged"), "false");
  EXPECT_EQ(items.rows[0].at("flagged"), "true");

  const Json json = read_json(scratch / "results.json");
  EXPECT_EQ(json["groups"]["focal"],
            Json::parse(R"([{"value": "F", "n": 651}, {"value": "X, \"other\"", "n": 40}])"));
  ASSERT_EQ(json["comparisons"].size(), 2u);
  EXPECT_EQ(json["comparisons"][1]["focal"], x);
  EXPECT_EQ(json["comparisons"][1]["purification"],
            Json::parse(R"({"rounds": [{"round": 1, "flagged": []}], "converged": true,
                                "stop": "converged"})"));
  ASSERT_EQ(json["comparisons"][1]["items"].size(), 1u);
  EXPECT_EQ(json["comparisons"][1]["items"][0]["focal"], x);
  EXPECT_EQ(json["comparisons"][1]["items"][0]["flagged"], false);
}

TEST(ResultsFiles, ReportIsTheHtmlPageAndNoTemporaryStays) {
  ScratchFolder scratch;
  const stats::DifAnalysis analysis = two_items().analysis;
  write_results_files(scratch / "a" / "b", quiz_run(), analysis);
  EXPECT_EQ(scratch.names(scratch / "a" / "b"), kResultsFiles);
  EXPECT_EQ(file_text(scratch / "a" / "b" / "report.html"), html_report(quiz_run(), analysis));
}

TEST(ResultsFiles, SecondRunReplacesTheFiles) {
  ScratchFolder scratch;
  write_results_files(scratch.path(), quiz_run(), two_items().analysis);
  stats::DifAnalysis one = two_items().analysis;
  one.comparisons[0].items.resize(1);
  one.comparisons[0].rounds = {{1, {0}}};
  write_results_files(scratch.path(), quiz_run(), one);
  EXPECT_EQ(read_csv(scratch / "items.csv").rows.size(), 1u);
  EXPECT_EQ(read_json(scratch / "results.json")["comparisons"][0]["items"].size(), 1u);
  EXPECT_EQ(scratch.names(), kResultsFiles);
}

/// The write fails with OutputError naming `named`; afterwards the scratch folder holds
/// exactly `left`.
void expect_failure(const fs::path& folder, const fs::path& named, const ScratchFolder& scratch,
                    const std::vector<std::string>& left) {
  try {
    write_results_files(folder, quiz_run(), two_items().analysis);
    ADD_FAILURE() << "no OutputError";
  } catch (const OutputError& error) {
    EXPECT_NE(std::string(error.what()).find(named.string()), std::string::npos) << error.what();
  }
  EXPECT_EQ(scratch.names(), left);
}

TEST(ResultsFiles, FolderThatCannotBeMadeCreatesNothing) {
  ScratchFolder scratch;
  std::ofstream(scratch / "plain") << "a file\n";
  expect_failure(scratch / "plain" / "results", scratch / "plain" / "results", scratch,
                 {"plain"});
  expect_failure(scratch / "plain", scratch / "plain", scratch, {"plain"});
  EXPECT_EQ(file_text(scratch / "plain"), "a file\n");
}

TEST(ResultsFiles, FailedWriteLeavesEarlierFilesAsTheyWere) {
  ScratchFolder scratch;
  stats::DifAnalysis earlier = two_items().analysis;
  earlier.comparisons[0].items.resize(1);
  earlier.comparisons[0].rounds = {{1, {0}}};
  write_results_files(scratch.path(), quiz_run(), earlier);
  std::map<std::string, std::string> before;
  for (const std::string& name : kResultsFiles) before[name] = file_text(scratch / name);

  // The third file's temporary name leads to a device that is always full: its last buffer
  // cannot be written, after two files have been.
  fs::create_symlink("/dev/full", scratch / ".coefficients.csv.partial");
  expect_failure(scratch.path(), scratch / ".coefficients.csv.partial", scratch, kResultsFiles);
  for (const std::string& name : kResultsFiles)
    EXPECT_EQ(file_text(scratch / name), before[name]) << name;
}

TEST(ResultsFiles, FolderUnderAResultsNameStopsBeforeAnyRename) {
  ScratchFolder scratch;
  fs::create_directory(scratch / "levels.csv");
  expect_failure(scratch.path(), scratch / "levels.csv", scratch, {"levels.csv"});
}

TEST(ResultsFiles, FailureOnTheFirstFileLeavesTheFolderEmpty) {
  ScratchFolder scratch;
  fs::create_directories(scratch / "made");
  fs::create_symlink("/dev/full", scratch / "made" / ".items.csv.partial");
  expect_failure(scratch / "made", scratch / "made" / ".items.csv.partial", scratch, {"made"});
  EXPECT_TRUE(scratch.names(scratch / "made").empty());
}

}  // namespace
}  // namespace itemdif::results

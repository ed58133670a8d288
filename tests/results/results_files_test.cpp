// The results files read back: every column and field against the analysis's values, and the
// writes that fail without leaving a file behind.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <variant>

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
using Json = nlohmann::ordered_json;

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

/// An item whose every value is defined, with numbers that test the text: 17 digits, the
/// smallest subnormal, 1e-300, and a name that needs quotes.
stats::ItemResult full_item() {
  stats::ItemResult item;
  item.name = "q,1 \"a\"";
  item.n_reference = 715;
  item.n_focal = 632;
  item.p_reference = 0.1;
  item.p_focal = 5e-324;
  item.mh = {1.0383390344565290, 0.722708259012919, 1.4918162855211596, -0.08841253238075322,
             0.4344846213358753, 0.1 + 0.2, 1e-300, 2e-300, "B-"};
  item.std_dif = {-0.071, "B-"};
  item.bd = {3.5, 4, 0.47787995};
  item.lr = {7.25, 0.026, 0.052, 6.5, 0.0108, 0.75, 0.386, 0.0123, 0.0101, "A", "A"};
  item.coefficients = {{"trait", "intercept", 0.5, 0.1, 5.0, 5.7e-7},
                       {"trait", "trait", 1.25, 0.05, 25.0, 0.0},
                       {"uniform", "group", -0.3, 0.12, -2.5, 0.0124}};
  item.flagged = true;
  item.levels = {{0, 3, 12, 21, 12, 28, true}, {4, 7, 0, 0, 0, 1, false}};
  return item;
}

/// An item whose statistics are undefined: an odds ratio of 0 (D-DIF infinite), no variance,
/// methods not run.
stats::ItemResult undefined_item() {
  stats::ItemResult item;
  item.name = "q2";
  item.n_reference = 10;
  item.n_focal = 0;
  item.p_reference = 1.0;
  item.mh.d_dif = kInfinity;
  item.mh.chi_square = kNaN;
  item.note = "no focal examinee answered the item; MH odds ratio is 0";
  item.levels = {{0, 0, 10, 0, 0, 0, false}};
  return item;
}

stats::DifAnalysis two_items() {
  stats::DifAnalysis analysis;
  analysis.n_reference = 738;
  analysis.n_focal = 651;
  analysis.items = {full_item(), undefined_item()};
  analysis.rounds = {{1, {0, 1}}, {2, {0}}};
  analysis.converged = false;
  return analysis;
}

RunFacts quiz_facts() {
  RunFacts run;
  run.version = "9.8.7";
  run.command = "analyze";
  run.input = "quiz.csv";
  run.options = {{"levels", "thin", false}, {"alpha", "0.05", true}, {"max_rounds", "10", true}};
  run.methods = {"mh", "std"};
  run.reference = {"M", 738};
  run.focal = {"F", 651};
  run.rows_left_out = 11;
  return run;
}

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

/// items.csv's columns, in order, stated here once and read from the analysis's fields.
ExpectedRow expected_item(const stats::ItemResult& i) {
  return {{"item", i.name},
          {"n_reference", static_cast<long long>(i.n_reference)},
          {"n_focal", static_cast<long long>(i.n_focal)},
          {"p_reference", number(i.p_reference)},
          {"p_focal", number(i.p_focal)},
          {"mh_alpha", number(i.mh.alpha)},
          {"mh_alpha_low", number(i.mh.alpha_low)},
          {"mh_alpha_high", number(i.mh.alpha_high)},
          {"mh_d_dif", number(i.mh.d_dif)},
          {"mh_d_dif_se", number(i.mh.d_dif_se)},
          {"mh_chi_square", number(i.mh.chi_square)},
          {"mh_p", number(i.mh.p)},
          {"mh_p_adjusted", number(i.mh.p_adjusted)},
          {"ets_class", text(i.mh.ets_class)},
          {"std_p_dif", number(i.std_dif.p_dif)},
          {"std_class", text(i.std_dif.std_class)},
          {"bd_chi_square", number(i.bd.chi_square)},
          {"bd_df", i.bd.df ? Expected(static_cast<long long>(*i.bd.df)) : Expected()},
          {"bd_p", number(i.bd.p)},
          {"lr_chi_square", number(i.lr.chi_square)},
          {"lr_p", number(i.lr.p)},
          {"lr_p_adjusted", number(i.lr.p_adjusted)},
          {"lr_uniform_chi_square", number(i.lr.uniform_chi_square)},
          {"lr_uniform_p", number(i.lr.uniform_p)},
          {"lr_nonuniform_chi_square", number(i.lr.nonuniform_chi_square)},
          {"lr_nonuniform_p", number(i.lr.nonuniform_p)},
          {"lr_delta_r2", number(i.lr.delta_r2)},
          {"lr_uniform_delta_r2", number(i.lr.uniform_delta_r2)},
          {"zumbo_thomas_class", text(i.lr.zumbo_thomas_class)},
          {"jodoin_gierl_class", text(i.lr.jodoin_gierl_class)},
          {"flagged", i.flagged},
          {"note", i.note}};
}

ExpectedRow expected_level(const stats::ItemResult& i, std::size_t k) {
  const stats::LevelRow& l = i.levels[k];
  return {{"item", i.name},
          {"level", static_cast<long long>(k + 1)},
          {"low", static_cast<long long>(l.low)},
          {"high", static_cast<long long>(l.high)},
          {"reference_correct", l.reference_correct},
          {"reference_incorrect", l.reference_incorrect},
          {"focal_correct", l.focal_correct},
          {"focal_incorrect", l.focal_incorrect},
          {"used", l.used}};
}

ExpectedRow expected_coefficient(const stats::ItemResult& i, const stats::Coefficient& c) {
  return {{"item", i.name},        {"model", c.model},       {"term", c.term},
          {"estimate", number(c.estimate)}, {"se", number(c.se)}, {"z", number(c.z)},
          {"p", number(c.p)}};
}

std::vector<std::string> names_of(const ExpectedRow& row) {
  std::vector<std::string> names;
  for (const auto& [name, value] : row) names.push_back(name);
  return names;
}

void expect_csv_row(const std::map<std::string, std::string>& cells, const ExpectedRow& row) {
  for (const auto& [name, value] : row) {
    const std::string& cell = cells.at(name);
    SCOPED_TRACE(name + " = \"" + cell + "\"");
    if (std::holds_alternative<std::monostate>(value)) { EXPECT_EQ(cell, ""); }
    if (auto* n = std::get_if<double>(&value)) { EXPECT_EQ(cell_number(cell), *n); }
    if (auto* n = std::get_if<long long>(&value)) { EXPECT_EQ(cell, std::to_string(*n)); }
    if (auto* t = std::get_if<std::string>(&value)) { EXPECT_EQ(cell, *t); }
    if (auto* b = std::get_if<bool>(&value)) { EXPECT_EQ(cell, *b ? "true" : "false"); }
  }
}

/// The object's fields: those of the row, in its order (without `item` when nested), then
/// `extra` names.
void expect_json_object(const Json& object, const ExpectedRow& row, bool nested,
                        const std::vector<std::string>& extra = {}) {
  std::vector<std::string> names;
  for (const auto& [name, value] : object.items()) names.push_back(name);
  std::vector<std::string> expected = names_of(row);
  if (nested) expected.erase(expected.begin());
  expected.insert(expected.end(), extra.begin(), extra.end());
  EXPECT_EQ(names, expected);
  for (const auto& [name, value] : row) {
    if (nested && name == "item") continue;
    SCOPED_TRACE(name);
    const Json& field = object.at(name);
    if (std::holds_alternative<std::monostate>(value)) { EXPECT_TRUE(field.is_null()) << field; }
    if (auto* n = std::get_if<double>(&value)) { EXPECT_EQ(field.get<double>(), *n); }
    if (auto* n = std::get_if<long long>(&value)) { EXPECT_EQ(field.get<long long>(), *n); }
    if (auto* t = std::get_if<std::string>(&value)) { EXPECT_EQ(field.get<std::string>(), *t); }
    if (auto* b = std::get_if<bool>(&value)) { EXPECT_EQ(field.get<bool>(), *b); }
  }
}

const std::vector<std::string> kResultsFiles = {"coefficients.csv", "items.csv", "levels.csv",
                                                "report.html", "results.json"};

TEST(ResultsFiles, CsvColumnsHoldTheAnalysisValues) {
  ScratchFolder scratch;
  const stats::DifAnalysis analysis = two_items();
  write_results_files(scratch / "out", quiz_facts(), analysis);

  const auto items = read_csv(scratch / "out" / "items.csv");
  EXPECT_EQ(items.header,
            (std::vector<std::string>{
                "item", "n_reference", "n_focal", "p_reference", "p_focal", "mh_alpha",
                "mh_alpha_low", "mh_alpha_high", "mh_d_dif", "mh_d_dif_se", "mh_chi_square",
                "mh_p", "mh_p_adjusted", "ets_class", "std_p_dif", "std_class",
                "bd_chi_square", "bd_df", "bd_p", "lr_chi_square", "lr_p", "lr_p_adjusted",
                "lr_uniform_chi_square", "lr_uniform_p", "lr_nonuniform_chi_square",
                "lr_nonuniform_p", "lr_delta_r2", "lr_uniform_delta_r2", "zumbo_thomas_class",
                "jodoin_gierl_class", "flagged", "note"}));
  ASSERT_EQ(items.rows.size(), 2u);
  for (std::size_t j = 0; j < 2; ++j) {
    EXPECT_EQ(items.header, names_of(expected_item(analysis.items[j])));
    expect_csv_row(items.rows[j], expected_item(analysis.items[j]));
  }

  const auto levels = read_csv(scratch / "out" / "levels.csv");
  EXPECT_EQ(levels.header, names_of(expected_level(analysis.items[0], 0)));
  ASSERT_EQ(levels.rows.size(), 3u);
  expect_csv_row(levels.rows[0], expected_level(analysis.items[0], 0));
  expect_csv_row(levels.rows[1], expected_level(analysis.items[0], 1));
  expect_csv_row(levels.rows[2], expected_level(analysis.items[1], 0));

  // Only the terms each model has: the second item has none.
  const auto coefficients = read_csv(scratch / "out" / "coefficients.csv");
  EXPECT_EQ(coefficients.header,
            (std::vector<std::string>{"item", "model", "term", "estimate", "se", "z", "p"}));
  ASSERT_EQ(coefficients.rows.size(), 3u);
  for (std::size_t c = 0; c < 3; ++c)
    expect_csv_row(coefficients.rows[c],
                   expected_coefficient(analysis.items[0], analysis.items[0].coefficients[c]));
}

TEST(ResultsFiles, JsonHoldsFactsRoundsAndItemsUnderTheCsvNames) {
  ScratchFolder scratch;
  const stats::DifAnalysis analysis = two_items();
  write_results_files(scratch.path(), quiz_facts(), analysis);
  const std::string text = file_text(scratch / "results.json");
  EXPECT_EQ(text.find("NaN"), std::string::npos);
  EXPECT_EQ(text.find("Infinity"), std::string::npos);
  const Json json = Json::parse(text);

  std::vector<std::string> keys;
  for (const auto& [key, value] : json.items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"itemdif", "command", "input", "options", "groups",
                                            "purification", "items"}));
  EXPECT_EQ(json["itemdif"], "9.8.7");
  EXPECT_EQ(json["command"], "analyze");
  EXPECT_EQ(json["input"], "quiz.csv");
  EXPECT_EQ(json["options"]["levels"], "thin");
  EXPECT_TRUE(json["options"]["alpha"].is_number_float());
  EXPECT_EQ(json["options"]["alpha"].get<double>(), 0.05);
  EXPECT_TRUE(json["options"]["max_rounds"].is_number_integer());
  EXPECT_EQ(json["options"]["methods"], Json::parse(R"(["mh","std"])"));
  EXPECT_EQ(json["groups"], Json::parse(R"({"reference": {"value": "M", "n": 738},
                                            "focal": {"value": "F", "n": 651},
                                            "rows_left_out": 11})"));
  EXPECT_EQ(json["purification"],
            Json::parse(R"({"rounds": [{"round": 1, "flagged": ["q,1 \"a\"", "q2"]},
                                       {"round": 2, "flagged": ["q,1 \"a\""]}],
                            "converged": false})"));

  ASSERT_EQ(json["items"].size(), 2u);
  for (std::size_t j = 0; j < 2; ++j) {
    const stats::ItemResult& item = analysis.items[j];
    const Json& object = json["items"][j];
    expect_json_object(object, expected_item(item), false, {"levels", "coefficients"});
    ASSERT_EQ(object["levels"].size(), item.levels.size());
    for (std::size_t k = 0; k < item.levels.size(); ++k)
      expect_json_object(object["levels"][k], expected_level(item, k), true);
    ASSERT_EQ(object["coefficients"].size(), item.coefficients.size());
    for (std::size_t c = 0; c < item.coefficients.size(); ++c)
      expect_json_object(object["coefficients"][c],
                         expected_coefficient(item, item.coefficients[c]), true);
  }
}

TEST(ResultsFiles, ReportIsTheHtmlPageAndNoTemporaryStays) {
  ScratchFolder scratch;
  const stats::DifAnalysis analysis = two_items();
  write_results_files(scratch / "a" / "b", quiz_facts(), analysis);
  EXPECT_EQ(scratch.names(scratch / "a" / "b"), kResultsFiles);
  EXPECT_EQ(file_text(scratch / "a" / "b" / "report.html"), html_report(quiz_facts(), analysis));
}

TEST(ResultsFiles, SecondRunReplacesTheFiles) {
  ScratchFolder scratch;
  write_results_files(scratch.path(), quiz_facts(), two_items());
  stats::DifAnalysis one = two_items();
  one.items.resize(1);
  write_results_files(scratch.path(), quiz_facts(), one);
  EXPECT_EQ(read_csv(scratch / "items.csv").rows.size(), 1u);
  EXPECT_EQ(read_json(scratch / "results.json")["items"].size(), 1u);
  EXPECT_EQ(scratch.names(), kResultsFiles);
}

/// The write fails with OutputError naming `named`; afterwards the scratch folder holds
/// exactly `left`.
void expect_failure(const fs::path& folder, const fs::path& named, const ScratchFolder& scratch,
                    const std::vector<std::string>& left) {
  try {
    write_results_files(folder, quiz_facts(), two_items());
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
  stats::DifAnalysis earlier = two_items();
  earlier.items.resize(1);
  write_results_files(scratch.path(), quiz_facts(), earlier);
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

// Whole analyses through the passes, the curves and the logistic procedure.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "analysis_fixture.hpp"
#include "level_tables.hpp"

namespace itemdif::driver::testing {
namespace {

// Ten items, 300 reference and 250 focal examinees; items 4 and 8 are far harder for the
// focal group and end in category C in both passes.
class WholeAnalysis : public AnalysisTest {
 protected:
  void SetUp() override {
    AnalysisTest::SetUp();
    std::uint64_t seed = 41;
    const std::vector<double> difficulty = {-1.5, -1.0, -0.7, -0.4, -0.1,
                                            0.1,  0.4,  0.7,  1.0,  1.4};
    std::vector<double> shift(10, 0.0);
    shift[3] = 2.2;
    shift[7] = 2.2;
    const auto reference = simulate_group(300, 0.0, difficulty, std::vector<double>(10, 0.0), seed);
    const auto focal = simulate_group(250, -0.2, difficulty, shift, seed);
    control_.n_reference = 300;
    control_.n_focal = 250;
    control_.n_items = 10;
    control_.reference_layout = "(5X,10F1.0)";
    control_.focal_layout = "(5X,10F1.0)";
    control_.low = {0, 3, 5, 7};
    control_.high = {2, 4, 6, 10};
    control_.labels_flag = "Y";
    control_.labels = {11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    reference_data_ = records(reference);
    focal_data_ = records(focal);
  }

  static std::string records(const std::vector<std::vector<double>>& scores) {
    std::string text;
    int id = 0;
    for (const auto& row : scores) {
      std::string line = std::to_string(10000 + ++id);
      for (double s : row) line += s == 1.0 ? '1' : '0';
      text += line + "\n";
    }
    return text;
  }

  std::vector<std::string> run_analysis(int model, RunResult& result) {
    control_.model = model;
    write_analysis(control_, reference_data_, focal_data_);
    result = run_in_process();
    return lines(read_file(control_.output_file));
  }

  static std::size_t find(const std::vector<std::string>& lines, const std::string& text,
                          std::size_t from = 0) {
    return static_cast<std::size_t>(
        std::find(lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end(), text) -
        lines.begin());
  }

  ControlFile control_;
  std::string reference_data_, focal_data_;
};

TEST_F(WholeAnalysis, SectionsInOrderWithLabelsAndPurgeLists) {
  RunResult result;
  const auto report = run_analysis(2, result);
  EXPECT_EQ(result.status, 0);
  const std::size_t pass1 = find(report, "Results for Pass Number: 1");
  const std::size_t purge1 = find(report, "Number of Items Purged in Pass 1:   2");
  const std::size_t pass2 = find(report, "Results for Pass Number: 2");
  const std::size_t curves = find(
      report, "                    Empirical Item Characteristic Curves (Items purged from Pass 2)");
  const std::size_t purge2 = find(report, "Number of Items Purged in Pass 2:   2");
  const std::size_t logistic =
      find(report, " Logistic Regression Procedure.  Note: Items purged from previous step");
  ASSERT_LT(logistic, report.size());
  EXPECT_LT(pass1, purge1);
  EXPECT_LT(purge1, pass2);
  EXPECT_LT(pass2, curves);
  EXPECT_LT(curves, purge2);
  EXPECT_LT(purge2, logistic);

  EXPECT_EQ(std::vector<std::string>(report.begin() + purge1 + 1, report.begin() + purge1 + 4),
            (std::vector<std::string>{"Item Numbers: ", " 14", " 18"}));
  EXPECT_EQ(std::vector<std::string>(report.begin() + purge2 + 1, report.begin() + purge2 + 6),
            (std::vector<std::string>{"Item Numbers: ", " 14", " 18", "", ""}));

  // Curve blocks and coefficient blocks name items by label.
  EXPECT_LT(find(report, "Item  14   ETS Code = C R", curves), purge2);
  EXPECT_LT(find(report, "Item  11   ETS Code = A  ", curves), purge2);
  for (int label = 11; label <= 20; ++label) {
    const std::size_t at = find(
        report,
        "Item Number: " + std::to_string(label) +
            "       Estimate    SE Estimate       Z         p-value",
        logistic);
    ASSERT_LT(at + 4, report.size()) << label;
    EXPECT_EQ(report[at + 1].substr(0, 9), "Intercept");
    EXPECT_EQ(report[at + 4].substr(0, 13), "Trait x Group");
  }
  EXPECT_EQ(report.back().substr(0, 13), "Trait x Group");

  // The console counts positions, not labels, and ends with the report's name.
  const auto console = lines(result.console);
  const std::size_t computing = find(console, "              COMPUTING LOGISTIC REGRESSIONS");
  ASSERT_LT(computing + 10, console.size());
  for (int j = 1; j <= 10; ++j) {
    std::string number = std::to_string(j);
    EXPECT_EQ(console[computing + j],
              "               ANALYZING ITEM: " + std::string(3 - number.size(), ' ') + number);
  }
  EXPECT_LT(find(console, "              COMPUTING M-H CHI-SQUARE,  PASS #2"), computing);
  EXPECT_EQ(console.back().substr(0, 19), "  Output in OUT.TXT");
}

// The same scores written one column each, read by their columns, and two columns each
// ("10" and "00" under F2.1), read field by field through the layout: every report line
// and every console line of a model-2 run is the same.
TEST_F(WholeAnalysis, ScoresReadByColumnsGiveTheReportOfTheGeneralRead) {
  RunResult by_columns;
  const std::vector<std::string> report = run_analysis(2, by_columns);
  ASSERT_EQ(by_columns.status, 0) << by_columns.errors;

  auto widened = [](const std::string& records) {
    std::string text;
    std::size_t column = 0;
    for (char c : records) {
      if (c == '\n') {
        column = 0;
        text += c;
        continue;
      }
      text += c;
      if (column++ >= 5) text += '0';
    }
    return text;
  };
  reference_data_ = widened(reference_data_);
  focal_data_ = widened(focal_data_);
  control_.reference_layout = "(5X,10F2.1)";
  control_.focal_layout = "(5X,10F2.1)";
  RunResult by_fields;
  const std::vector<std::string> general = run_analysis(2, by_fields);
  ASSERT_EQ(by_fields.status, 0) << by_fields.errors;
  EXPECT_EQ(general, report);
  EXPECT_EQ(by_fields.console, by_columns.console);
  EXPECT_GT(report.size(), 100u);
}

TEST_F(WholeAnalysis, ModelOneEndsAfterTheCurves) {
  RunResult result;
  const auto report = run_analysis(1, result);
  EXPECT_EQ(result.status, 0);
  ASSERT_GE(report.size(), 4u);
  EXPECT_EQ(report[report.size() - 5], "Item  20   ETS Code = A  ");
  EXPECT_EQ(report.back(), "    U       2     4     6    10");
  EXPECT_EQ(result.console.find("LOGISTIC"), std::string::npos);
  EXPECT_NE(result.console.find("\r\n\r\n  Output in OUT.TXT"), std::string::npos);
}

}  // namespace
}  // namespace itemdif::driver::testing

// Whole runs up to the end of the header: console dialogue, control file, report header,
// no-variance check and the end of a completed run.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "analysis_fixture.hpp"
#include "driver/keyword.hpp"

namespace itemdif::driver::testing {
namespace {

std::string blanks(std::size_t n) { return std::string(n, ' '); }

// Random 0/1 scores; with 30 or more examinees every item has both answers in both groups.
std::vector<std::vector<int>> random_scores(int n, int n_items, unsigned seed) {
  std::minstd_rand random(seed);
  std::vector<std::vector<int>> scores(n, std::vector<int>(n_items));
  for (auto& row : scores)
    for (int& s : row) s = static_cast<int>((random() >> 8) & 1);
  return scores;
}

const std::vector<std::string> kConsoleStart = {
    "", "", "", "",
    blanks(13) + "Mantel-Haenszel and Logistic Regression Analysis of ",
    "",
    blanks(25) + "DIFFERENTIAL ITEM FUNCTIONING" + blanks(11),
    "",
    blanks(22) + "   Programmed by Thandrelkovisch" + blanks(8),
    "",
    "", "", "", "", "  Enter Name of Input file: ", "",
};

std::vector<std::string> report_header(const std::string& title, const std::string& reference,
                                       const std::string& focal, const std::string& sizes_line_1,
                                       const std::string& sizes_line_2,
                                       const std::string& low_line, const std::string& high_line) {
  return {
      "",
      "",
      blanks(13) + "Mantel-Haenszel and Logistic Regression Analysis of ",
      blanks(25) + "DIFFERENTIAL ITEM FUNCTIONING" + blanks(11),
      "",
      blanks(22) + "   Programmed by Thandrelkovisch" + blanks(8),
      "",
      title + blanks(160 - title.size()),
      "",
      "Reference Group: " + reference + blanks(60 - reference.size()),
      "Focal Group: " + focal + blanks(60 - focal.size()),
      sizes_line_1,
      sizes_line_2,
      "",
      " Conditioning Levels",
      low_line,
      high_line,
      "",
      "",
      "Note:",
      "Alpha > 1.00 favors Reference Group; Alpha < 1.00 favors Focal Group" + blanks(12),
      "D-DIF < 0.00 favors Reference Group, D-DIF > 0.00 favors Focal Group" + blanks(12),
      "",
      "",
  };
}

void expect_prefix(const std::vector<std::string>& actual, const std::vector<std::string>& prefix) {
  ASSERT_GE(actual.size(), prefix.size());
  for (std::size_t n = 0; n < prefix.size(); ++n)
    EXPECT_EQ(actual[n], prefix[n]) << "line " << n + 1;
}

class RunStart : public AnalysisTest {};

TEST_F(RunStart, KnownControlFileGivesHeaderConsoleAndCompletedRun) {
  write_file("test.ctl",
             ">TITLE:Sample analysis\n"
             ">MODEL: 1\n"
             ">REFERENCE: REF.DAT 40 4\n"
             "(4F1.0)\n"
             ">FOCAL: FOC.DAT 30\n"
             "(4F1.0)\n"
             ">OUTPUT: OUT.TXT\n"
             ">LEVELS: 3\n"
             "0 -5 1000\n"
             "4 99 2000\n"
             ">LABELS: N\n");
  write_file("REF.DAT", score_lines(random_scores(40, 4, 1)));
  write_file("FOC.DAT", score_lines(random_scores(30, 4, 2)));
  write_file("OUT.TXT", std::string(5000, 'x') + "\n");  // an earlier report, longer
  const RunResult result = run_in_process();
  EXPECT_EQ(result.status, 0) << result.console << result.errors;
  EXPECT_EQ(result.errors, "");

  std::vector<std::string> header = report_header(
      "Sample analysis", "REF.DAT", "FOC.DAT", "Number of Cases in Reference Group:     40",
      "Number of Cases in Focal Group:         30", "     0   -5 1000", "     4   99 2000");
  header.push_back("");  // the no-variance check passed: only its empty line
  const std::vector<std::string> report = lines(read_file("OUT.TXT"));
  expect_prefix(report, header);
  EXPECT_EQ(read_file("OUT.TXT").find('x'), std::string::npos);

  std::vector<std::string> console_start = kConsoleStart;
  console_start.push_back("               READING DATA FROM REFERENCE GROUP");
  console_start.push_back("               READING DATA FROM FOCAL GROUP");
  const std::vector<std::string> console = lines(result.console);
  expect_prefix(console, console_start);
  ASSERT_GE(console.size(), 3u);
  EXPECT_EQ(console[console.size() - 3], "");
  EXPECT_EQ(console[console.size() - 2], "");
  EXPECT_EQ(console.back(), "  Output in OUT.TXT" + blanks(73));
}

TEST_F(RunStart, HeaderCutsNamesAtSixtyAndOverflowsWideFields) {
  const std::string long_name = "R23456789012345678901234567890123456789012345678901234567890XYZ";
  ControlFile control;
  control.title = " " + std::string(170, 't');  // a leading blank is part of the title
  control.reference_file = long_name;
  control.n_reference = 0;  // every item then fails for the reference group
  control.n_items = 2;
  control.n_focal = 1;
  control.low = {-10000, 7};
  control.high = {99999, 100000};
  write_analysis(control, "", "11\n");
  const RunResult result = run_in_process();
  EXPECT_EQ(result.status, 1);
  std::vector<std::string> expected = report_header(
      " " + std::string(159, 't'), long_name.substr(0, 60), "FOC.DAT",
      "Number of Cases in Reference Group:      0", "Number of Cases in Focal Group:          1",
      " *****    7", " 99999*****");
  expected.push_back("Fatal Error: No variance for Item   1 in Reference Group");
  expected.push_back("Fatal Error: No variance for Item   2 in Reference Group");
  expected.push_back("");
  expected.push_back("Fatal Error: No variance for Item   1 in Focal Group");
  expected.push_back("Fatal Error: No variance for Item   2 in Focal Group");
  EXPECT_EQ(lines(read_file("OUT.TXT")), expected);
}

TEST_F(RunStart, KeywordsInAnyCaseWithTabsCommasQuotesAndValuesOnLaterLines) {
  write_file("test.ctl",
             ">title:  Lower case works\n"
             "  >model:\n"
             "\n"
             "1\n"
             ">Reference:,'ref data.dat',\t3\t4\n"
             "(4F1.0)\n"
             "\t>FOCAL: \"foc data.dat\", 2  this rest is skipped\n"
             "(4F1.0)\n"
             ">output:\tout.txt\n"
             ">levels: 3\n"
             "0 -5\n"
             "1000\n"
             "4 99 2000\n"
             ">labels: yes\n"
             "7 8\n"
             "9, 10\n");
  // Item 3 (label 9) and item 4 (label 10) have no variance in the reference group.
  write_file("ref data.dat", "1001\n0101\n1001\n");
  write_file("foc data.dat", "1010\n0101\n");
  const RunResult result = run_in_process();
  EXPECT_EQ(result.status, 1) << result.errors;
  std::vector<std::string> expected =
      report_header("  Lower case works", "ref data.dat", "foc data.dat",
                    "Number of Cases in Reference Group:      3",
                    "Number of Cases in Focal Group:          2", "     0   -5 1000",
                    "     4   99 2000");
  expected.push_back("Fatal Error: No variance for Item   9 in Reference Group");
  expected.push_back("Fatal Error: No variance for Item  10 in Reference Group");
  expected.push_back("");
  EXPECT_EQ(lines(read_file("out.txt")), expected);
}

TEST_F(RunStart, LabelsAnswerOtherThanYGivesPositions) {
  ControlFile control;
  control.n_reference = 2;
  control.n_focal = 2;
  control.n_items = 3;
  control.labels_flag = "no";
  write_analysis(control, "101\n011\n", "110\n011\n");
  run_in_process();
  const std::vector<std::string> report = lines(read_file("OUT.TXT"));
  ASSERT_GE(report.size(), 3u);
  EXPECT_EQ(report[report.size() - 3], "Fatal Error: No variance for Item   3 in Reference Group");
  EXPECT_EQ(report[report.size() - 2], "");
  EXPECT_EQ(report.back(), "Fatal Error: No variance for Item   2 in Focal Group");
}

TEST_F(RunStart, NoLevelsStillTakeTheirTwoLinesAndPrintNoBoundLines) {
  ControlFile control;
  control.low = {};
  control.high = {};
  control.n_reference = 2;
  control.n_focal = 2;
  control.n_items = 2;
  control.labels_flag = "Y";
  control.labels = {41, 42};
  write_analysis(control, "10\n11\n", "10\n01\n");
  const RunResult result = run_in_process();
  EXPECT_EQ(result.status, 1) << result.errors;
  std::vector<std::string> expected = report_header(
      "Test analysis", "REF.DAT", "FOC.DAT", "Number of Cases in Reference Group:      2",
      "Number of Cases in Focal Group:          2", "", "");
  expected.erase(expected.begin() + 15, expected.begin() + 17);
  expected.push_back("Fatal Error: No variance for Item  41 in Reference Group");
  expected.push_back("");
  EXPECT_EQ(lines(read_file("OUT.TXT")), expected);
}

TEST_F(RunStart, ReplyInQuotesMayHoldBlanksAndEmptyLinesArePassedOver) {
  ControlFile control;
  control.n_items = 1;
  write_file("my control.ctl", control.text());
  write_analysis(control, "", "");
  const RunResult result = run_in_process("\n   \n'my control.ctl' ignored\n");
  EXPECT_EQ(result.status, 1);  // groups of 0 examinees fail the no-variance check
  EXPECT_TRUE(exists("OUT.TXT"));
}

TEST_F(RunStart, MissingControlFileIsErrorTwentyNine) {
  const RunResult result = run_in_process("absent.ctl\n");
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.errors, "itemdif: severe (29): file not found, unit 12, file absent.ctl\r\n");
}

// Each keyword out of place: its message alone after the prompt, status 1, no report.
TEST_F(RunStart, EachMisplacedKeywordHasItsMessage) {
  const ControlFile control;
  const std::string good = control.text();
  struct Case {
    std::string from, to, keyword;
  };
  const std::vector<Case> cases = {
      {">TITLE:", " >TITLE:", ">TITLE:"},
      {">TITLE:Test analysis\n", "\n", ">TITLE:"},
      {">MODEL:", ">MODL:", ">MODEL:"},
      {">REFERENCE:", ">REFERENCES:", ">REFERENCE:"},
      {">FOCAL:", ">FOCUS:", ">FOCAL:"},
      {">OUTPUT:", ">OUTPT:", ">OUTPUT:"},
      {">LEVELS:", ">LEVEL:", ">LEVELS:"},
      {">LABELS:", ">LABEL:", ">LABELS:"},
  };
  for (const Case& c : cases) {
    std::string text = good;
    text.replace(text.find(c.from), c.from.size(), c.to);
    write_file("test.ctl", text);
    const RunResult result = run_in_process();
    EXPECT_EQ(result.status, 1) << c.to;
    EXPECT_EQ(result.errors, "") << c.to;
    std::vector<std::string> expected = kConsoleStart;
    expected.push_back(" FATAL ERROR; Keyword " + c.keyword + " missing");
    EXPECT_EQ(lines(result.console), expected) << c.to;
    EXPECT_FALSE(exists("OUT.TXT")) << c.to;
  }
}

TEST_F(RunStart, ValuesOutOfOrderAreAnInputErrorNotAKeywordMessage) {
  // The bounds all on one line: the upper bounds are sought on the labels record.
  ControlFile control;
  control.low = {0, 5, 10};
  control.high = {4, 9, 20};
  std::string text = control.text();
  text.replace(text.find("0 5 10\n4 9 20"), 13, "0 5 10 4 9 20");
  write_file("test.ctl", text);
  const RunResult result = run_in_process();
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.errors.rfind("itemdif: severe (59): list-directed I/O syntax error, unit 12", 0), 0u)
      << result.errors;

  // A file name glued to its keyword: the two numbers become the file name and the count of
  // examinees, and the count of items is sought on the layout line.
  control = ControlFile{};
  text = control.text();
  text.replace(text.find(">REFERENCE: "), 12, ">REFERENCE:");
  write_file("test.ctl", text);
  const RunResult glued = run_in_process();
  EXPECT_EQ(glued.status, 2);
  EXPECT_EQ(glued.errors,
            "itemdif: severe (59): list-directed I/O syntax error, unit 12, file test.ctl\r\n");
  EXPECT_EQ(glued.console.find("FATAL ERROR"), std::string::npos);
}

TEST_F(RunStart, OverflowingTableSizeIsErrorFortyOneNotACrash) {
  ControlFile control;
  control.n_reference = 2000000000;
  control.n_items = 2000000000;
  control.low.assign(1, 0);
  std::string text = control.text();
  text.replace(text.find(">LEVELS: 1"), 10, ">LEVELS: 2000000000");
  write_file("test.ctl", text);
  const RunResult result = run_in_process();
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.errors, "itemdif: severe (41): insufficient virtual memory\r\n");
  EXPECT_FALSE(exists("OUT.TXT"));
}

TEST(UpcaseKeyword, OnlyLettersAToZAmongTheFirstFifteen) {
  std::string text = ">abc`{z@[xyzmnopq";
  upcase_keyword(text);
  EXPECT_EQ(text, ">ABC`{Z@[XYZMNOpq");
  std::string short_text = "y";
  upcase_keyword(short_text);
  EXPECT_EQ(short_text, "Y");
  std::string non_ascii = "\xe9t\xe9";
  upcase_keyword(non_ascii);
  EXPECT_EQ(non_ascii, "\xe9T\xe9");
}

}  // namespace
}  // namespace itemdif::driver::testing

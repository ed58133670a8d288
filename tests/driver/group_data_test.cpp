// Group data: reading the scores under run-time layouts, totals, the no-variance check.
#include "driver/group_data.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis_fixture.hpp"
#include "driver/levels.hpp"
#include "driver/run_data.hpp"
#include "textio/errors.hpp"

namespace itemdif::driver::testing {
namespace {

class GroupData : public AnalysisTest {
 protected:
  // Reads `data` as the reference group of `n` examinees with `n_items` items under `layout`.
  RunData read_reference(const std::string& layout, int n, int n_items, const std::string& data) {
    RunData run;
    run.n_items = n_items;
    run.n_reference = n;
    run.reference_file_name = "REF.DAT" + std::string(73, ' ');
    run.reference_layout = layout + std::string(80 - layout.size(), ' ');
    create_level_tables(run);
    create_label_table(run);
    create_data_tables(run);
    write_file("REF.DAT", data);
    in_folder([&] {
      const auto file = open_group_file(run, kReference);
      read_group(run, kReference, *file);
    });
    return run;
  }

  static std::vector<double> row(const RunData& run, std::size_t i) {
    std::vector<double> scores(run.reference_responses.cols());
    run.reference_responses.row(i, scores.data());
    return scores;
  }
};

TEST_F(GroupData, LayoutWithTabGroupSlashAndReversion) {
  // T3, then the group twice, "/" to the next record for one more value; the layout then
  // reverts to the group on a new record, and "/" once more. Four records per examinee; the
  // empty fourth record of examinee 1 reads as 0, the record after the last is ignored.
  const RunData run = read_reference("(T3,2(F1.0,1X),/,F1.0)", 2, 6,
                                     "xx1 0zz\n1\n0 1\n\n"
                                     "  0 1\n0\n1 0\n1\n"
                                     "99999\n");
  EXPECT_EQ(row(run, 0), (std::vector<double>{1, 0, 1, 0, 1, 0}));
  EXPECT_EQ(row(run, 1), (std::vector<double>{0, 1, 0, 1, 0, 1}));
  EXPECT_EQ(matching_totals(run.reference_responses, {}), (std::vector<double>{3, 3}));
}

TEST_F(GroupData, BlankFieldsAndShortLinesReadAsZeroAndValuesStayAsRead) {
  const RunData run = read_reference("(10X,5F1.0)", 3, 5, "ID000000011 1\nID2\nID00000003 2 01\n");
  EXPECT_EQ(row(run, 0), (std::vector<double>{1, 0, 1, 0, 0}));
  EXPECT_EQ(row(run, 1), (std::vector<double>{0, 0, 0, 0, 0}));
  EXPECT_EQ(row(run, 2), (std::vector<double>{0, 2, 0, 0, 1}));
  EXPECT_EQ(matching_totals(run.reference_responses, {}), (std::vector<double>{2, 0, 3}));
  // Without items 2 and 4, subtracted in their order.
  EXPECT_EQ(matching_totals(run.reference_responses, {1, 3}), (std::vector<double>{2, 0, 1}));
  // Only item 4 sums to 0 or to the group's size of 3.
  EXPECT_EQ(items_without_variance(run, kReference), (std::vector<std::size_t>{3}));
}

TEST_F(GroupData, RecordsOfDigitsAndOthersMixedInOneFile) {
  // Records 1, 2 and 5 hold digits in every scored column and are read by their columns; 3
  // (a blank) and 4 (short) go through the layout; 6 holds a 7 and reads as 7.
  const RunData run = read_reference("(3X,4F1.0)", 6, 4,
                                     "id 1011\nid 0000xyz\nid 1 11\nid 1\nid 1111\nid 0170\n");
  EXPECT_EQ(row(run, 0), (std::vector<double>{1, 0, 1, 1}));
  EXPECT_EQ(row(run, 1), (std::vector<double>{0, 0, 0, 0}));
  EXPECT_EQ(row(run, 2), (std::vector<double>{1, 0, 1, 1}));
  EXPECT_EQ(row(run, 3), (std::vector<double>{1, 0, 0, 0}));
  EXPECT_EQ(row(run, 4), (std::vector<double>{1, 1, 1, 1}));
  EXPECT_EQ(row(run, 5), (std::vector<double>{0, 1, 7, 0}));
  EXPECT_EQ(matching_totals(run.reference_responses, {2}), (std::vector<double>{2, 0, 2, 1, 3, 1}));

  // Fraction digits: a digit in F1.1 is a tenth of it, exactly as the layout reads it.
  const RunData tenths = read_reference("(2F1.1)", 2, 2, "13\n 9\n");
  EXPECT_EQ(row(tenths, 0), (std::vector<double>{1 / 10.0, 3 / 10.0}));
  EXPECT_EQ(row(tenths, 1), (std::vector<double>{0, 9 / 10.0}));
}

TEST_F(GroupData, NoVarianceFoundInATableOfZerosAndOnes) {
  const RunData run = read_reference("(4F1.0)", 3, 4, "1101\n1001\n1011\n");
  ASSERT_TRUE(run.reference_responses.plain());
  EXPECT_EQ(items_without_variance(run, kReference), (std::vector<std::size_t>{0, 3}));
  EXPECT_EQ(matching_totals(run.reference_responses, {0, 0}), (std::vector<double>{1, 0, 1}));
}

TEST_F(GroupData, BadLayoutFailsAtTheFirstRecordButNotForAnEmptyGroup) {
  EXPECT_NO_THROW(read_reference("(4K1.0)", 0, 4, ""));
  try {
    read_reference("(4K1.0)", 1, 4, "1111\n");
    ADD_FAILURE() << "no error";
  } catch (const textio::IoError& error) {
    EXPECT_EQ(error.number, 62);
    EXPECT_EQ(error.text(), "syntax error in format, unit 20, file REF.DAT");
    EXPECT_FALSE(error.info.empty());
  }
}

TEST_F(GroupData, LetterInAScoreFieldIsConversionError) {
  try {
    read_reference("(4F1.0)", 2, 4, "1111\n1a11\n");
    ADD_FAILURE() << "no error";
  } catch (const textio::IoError& error) {
    EXPECT_EQ(error.number, 64);
    EXPECT_EQ(error.unit, 20);
  }
}

class GroupRuns : public AnalysisTest {};

TEST_F(GroupRuns, TooFewRecordsEndWithEndOfFileNamingTheChannel) {
  ControlFile control;
  control.n_reference = 3;
  control.n_focal = 3;
  control.n_items = 2;
  write_analysis(control, "10\n01\n", "10\n01\n11\n");
  RunResult result = run_binary();
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.errors, "itemdif: severe (24): end-of-file during read, unit 20, file REF.DAT\r\n");
  EXPECT_TRUE(exists("OUT.TXT"));
  EXPECT_EQ(read_file("OUT.TXT"), "");
  EXPECT_NE(result.console.find(" READING DATA FROM REFERENCE GROUP\r\n"), std::string::npos);

  write_analysis(control, "10\n01\n11\n", "10\n01\n");
  result = run_binary();
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.errors, "itemdif: severe (24): end-of-file during read, unit 30, file FOC.DAT\r\n");
}

TEST_F(GroupRuns, MissingDataFileAndBadLayoutThroughTheProgram) {
  ControlFile control;
  control.n_reference = 1;
  control.n_focal = 1;
  control.n_items = 1;
  write_file("test.ctl", control.text());
  write_file("REF.DAT", "1\n");
  RunResult result = run_binary();
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.errors, "itemdif: severe (29): file not found, unit 30, file FOC.DAT\r\n");

  control.reference_layout = "(1F1.0,K)";
  write_analysis(control, "1\n", "1\n");
  result = run_binary();
  EXPECT_EQ(result.status, 2);
  // The rest of the 80-column layout field is shown without its trailing blanks.
  EXPECT_EQ(result.errors,
            "itemdif: info (58): format syntax error at or near K)\r\n"
            "itemdif: severe (62): syntax error in format, unit 20, file REF.DAT\r\n");

  // A layout that breaks off at its end leaves nothing to show, but the info line still comes.
  control.reference_layout = "(1F1.0";
  write_analysis(control, "1\n", "1\n");
  result = run_binary();
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.errors,
            "itemdif: info (58): format syntax error at or near \r\n"
            "itemdif: severe (62): syntax error in format, unit 20, file REF.DAT\r\n");
}

TEST_F(GroupRuns, NoVarianceLinesForBothGroupsThenStatusOne) {
  ControlFile control;
  control.n_reference = 2;
  control.n_focal = 3;
  control.n_items = 4;
  control.labels_flag = "Y";
  control.labels = {11, 12, 13, 1000};
  // Reference: item 1 all correct (sum 2 = size), item 3 all wrong, item 4 a score of 2 and a
  // 0 (sum 2 = size). Focal: item 3 all wrong.
  write_analysis(control, "1002\n1100\n", "0101\n1001\n0100\n");
  const RunResult result = run_in_process();
  EXPECT_EQ(result.status, 1);
  const std::vector<std::string> report = lines(read_file("OUT.TXT"));
  ASSERT_GE(report.size(), 5u);
  const std::vector<std::string> tail(report.end() - 6, report.end());
  EXPECT_EQ(tail, (std::vector<std::string>{
                      "",  // the last line of the header's note
                      "Fatal Error: No variance for Item  11 in Reference Group",
                      "Fatal Error: No variance for Item  13 in Reference Group",
                      "Fatal Error: No variance for Item *** in Reference Group",
                      "",
                      "Fatal Error: No variance for Item  13 in Focal Group",
                  }));
  const std::vector<std::string> console = lines(result.console);
  ASSERT_GE(console.size(), 4u);
  EXPECT_EQ(console[console.size() - 4], "               READING DATA FROM REFERENCE GROUP");
  EXPECT_EQ(console[console.size() - 3], "               READING DATA FROM FOCAL GROUP");
  EXPECT_EQ(console[console.size() - 2], " Fatal Error: One or more items have 0.00 variance.");
  EXPECT_EQ(console.back(), " Further Details in Ouput File.");
}

TEST_F(GroupRuns, EmptyGroupFailsEveryItemAndItsLayoutIsNeverUsed) {
  ControlFile control;
  control.n_reference = 2;
  control.n_focal = 0;
  control.n_items = 2;
  control.focal_layout = "(not a layout";
  write_analysis(control, "10\n01\n", "");
  const RunResult result = run_in_process();
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.errors, "");
  const std::vector<std::string> report = lines(read_file("OUT.TXT"));
  ASSERT_GE(report.size(), 3u);
  EXPECT_EQ(report[report.size() - 3], "");
  EXPECT_EQ(report[report.size() - 2], "Fatal Error: No variance for Item   1 in Focal Group");
  EXPECT_EQ(report.back(), "Fatal Error: No variance for Item   2 in Focal Group");
}

}  // namespace
}  // namespace itemdif::driver::testing

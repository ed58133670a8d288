#include "data/text_table.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/item_scores.hpp"

namespace itemdif::data {
namespace {

struct Row {
  std::size_t line;
  std::vector<std::string> cells;
  bool operator==(const Row&) const = default;
};

std::vector<Row> rows_of(std::string_view bytes, char delimiter = ',') {
  TextTable table(bytes, delimiter, "t.csv");
  std::vector<std::string_view> cells;
  std::vector<Row> rows;
  while (table.next_row(cells)) rows.push_back({table.row_line(), {cells.begin(), cells.end()}});
  return rows;
}

std::string error_of(std::string_view bytes) {
  try {
    rows_of(bytes);
  } catch (const InputError& error) {
    return error.what();
  }
  return "no error";
}

using Rows = std::vector<Row>;

TEST(TextTable, SplitsRowsAndCellsAtLfAndCrLf) {
  EXPECT_EQ(rows_of("a,b\n1,0\n0,1\n"), (Rows{{1, {"a", "b"}}, {2, {"1", "0"}}, {3, {"0", "1"}}}));
  EXPECT_EQ(rows_of("a,b\r\n1,0\r\n0,1\r\n"),
            (Rows{{1, {"a", "b"}}, {2, {"1", "0"}}, {3, {"0", "1"}}}));
  EXPECT_EQ(rows_of("a,b\r\n1,0\n0,1\r\n"),
            (Rows{{1, {"a", "b"}}, {2, {"1", "0"}}, {3, {"0", "1"}}}));
}

TEST(TextTable, ReadsTheLastRowWithoutALineEnd) {
  EXPECT_EQ(rows_of("a,b\n1,0"), (Rows{{1, {"a", "b"}}, {2, {"1", "0"}}}));
  EXPECT_EQ(rows_of("a,b\r\n1,"), (Rows{{1, {"a", "b"}}, {2, {"1", ""}}}));
  EXPECT_EQ(rows_of("a,b\n\"x\""), (Rows{{1, {"a", "b"}}, {2, {"x"}}}));
}

TEST(TextTable, KeepsEmptyCellsAtEitherEndAndBetween) {
  EXPECT_EQ(rows_of("a,b,c\n,,\n,1,\n"),
            (Rows{{1, {"a", "b", "c"}}, {2, {"", "", ""}}, {3, {"", "1", ""}}}));
  EXPECT_EQ(rows_of("a,b,c\r\n,,\r\n"), (Rows{{1, {"a", "b", "c"}}, {2, {"", "", ""}}}));
}

TEST(TextTable, SkipsALeadingByteOrderMarkOnly) {
  EXPECT_EQ(rows_of("\xEF\xBB\xBFid,g\n1,F\n"), (Rows{{1, {"id", "g"}}, {2, {"1", "F"}}}));
  // A mark further on is text of its cell.
  EXPECT_EQ(rows_of("id\n\xEF\xBB\xBFx\n"), (Rows{{1, {"id"}}, {2, {"\xEF\xBB\xBFx"}}}));
}

TEST(TextTable, TrailingEmptyLinesAreNoRowsButEmptyLinesBeforeARowAre) {
  EXPECT_EQ(rows_of("a\n1\n\n"), (Rows{{1, {"a"}}, {2, {"1"}}}));
  EXPECT_EQ(rows_of("a\r\n1\r\n\r\n\r\n"), (Rows{{1, {"a"}}, {2, {"1"}}}));
  EXPECT_EQ(rows_of("a\n\n1\n"), (Rows{{1, {"a"}}, {2, {""}}, {3, {"1"}}}));
  EXPECT_TRUE(rows_of("").empty());
  EXPECT_TRUE(rows_of("\n\n").empty());
}

TEST(TextTable, QuotedCellsHoldDelimitersQuotesAndLineBreaks) {
  EXPECT_EQ(rows_of("a,b\n\"x,y\",\"say \"\"hi\"\"\"\n"),
            (Rows{{1, {"a", "b"}}, {2, {"x,y", "say \"hi\""}}}));
  EXPECT_EQ(rows_of("a,b\n\"\"\"\",\"\"\n"), (Rows{{1, {"a", "b"}}, {2, {"\"", ""}}}));
  // A line break inside quotes belongs to the cell; the next row's line counts it.
  EXPECT_EQ(rows_of("a,b\n\"two\nlines\",1\r\n0,\"x\r\ny\"\n1,1\n"),
            (Rows{{1, {"a", "b"}}, {2, {"two\nlines", "1"}}, {4, {"0", "x\r\ny"}}, {6, {"1", "1"}}}));
  // A quote inside an unquoted cell is text.
  EXPECT_EQ(rows_of("a\nx\"y\n"), (Rows{{1, {"a"}}, {2, {"x\"y"}}}));
}

TEST(TextTable, SeveralEscapedCellsInARowKeepTheirOwnText) {
  std::string bytes = "a,b,c\n";
  for (int k = 0; k < 3; ++k) bytes += "\"" + std::string(40, static_cast<char>('p' + k)) + "\"\"\",";
  bytes.back() = '\n';
  const Rows rows = rows_of(bytes);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].cells[0], std::string(40, 'p') + "\"");
  EXPECT_EQ(rows[1].cells[1], std::string(40, 'q') + "\"");
  EXPECT_EQ(rows[1].cells[2], std::string(40, 'r') + "\"");
}

TEST(TextTable, LongRowsAcrossBlocksOfSixteenBytes) {
  const std::string plain = "0,1,0,1,0,1,0,1,0,1,0,1";  // 23 bytes: cells on both sides of 16
  const std::vector<std::string> cells = {"0", "1", "0", "1", "0", "1", "0", "1", "0", "1", "0", "1"};
  EXPECT_EQ(rows_of(plain + "\r\n" + plain), (Rows{{1, cells}, {2, cells}}));
  // A quote late in a row sends the whole row through the quoted path.
  std::vector<std::string> quoted = cells;
  quoted.back() = "x,\"y";
  EXPECT_EQ(rows_of(plain + "\n" + plain.substr(0, 22) + "\"x,\"\"y\"\n"),
            (Rows{{1, cells}, {2, quoted}}));
  // A CR LF split across two blocks, and a CR that is no line end.
  const std::string fifteen = "aaaaaaa,bbbbbbb";
  EXPECT_EQ(rows_of(fifteen + "\r\n" + "c\rd,e\n"),
            (Rows{{1, {"aaaaaaa", "bbbbbbb"}}, {2, {"c\rd", "e"}}}));
  EXPECT_EQ(rows_of(std::string(40, 'x') + ",\n"), (Rows{{1, {std::string(40, 'x'), ""}}}));
}

TEST(TextTable, OtherDelimiters) {
  EXPECT_EQ(rows_of("a\tb\n1\t\n\"x\ty\"\t0\n", '\t'),
            (Rows{{1, {"a", "b"}}, {2, {"1", ""}}, {3, {"x\ty", "0"}}}));
  EXPECT_EQ(rows_of("a;b\n1,5;0\n", ';'), (Rows{{1, {"a", "b"}}, {2, {"1,5", "0"}}}));
}

TEST(TextTable, QuotingFaultsNameFileAndLine) {
  EXPECT_EQ(error_of("a,b\n1,0\n\"open,1\n0,0\n"),
            "t.csv line 3: a quoted cell is not closed before the end of the file");
  EXPECT_EQ(error_of("a,b\n1,0\n\"x\"y,1\n"),
            "t.csv line 3: text after the closing quote of a quoted cell");
  EXPECT_EQ(error_of("a,b\n\"x\ny\"z,1\n"),
            "t.csv line 3: text after the closing quote of a quoted cell");
}

TEST(TextTable, OffsetFollowsTheRowsRead) {
  const std::string bytes = "a\n1\n";
  TextTable table(bytes, ',', "t.csv");
  std::vector<std::string_view> cells;
  ASSERT_TRUE(table.next_row(cells));
  EXPECT_EQ(table.offset(), 2u);
  ASSERT_TRUE(table.next_row(cells));
  EXPECT_EQ(table.offset(), 4u);
  EXPECT_FALSE(table.next_row(cells));
}

}  // namespace
}  // namespace itemdif::data

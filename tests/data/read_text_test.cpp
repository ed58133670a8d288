// Text files through read_item_scores: the table, the groups, the items and every message.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "data/item_scores.hpp"
#include "data_files.hpp"

namespace itemdif::data {
namespace {

using testing::DataDir;
using testing::options_for;
using testing::read_error;
using testing::row_text;

TEST(ReadText, ScoresGroupsAndIdsInFileOrder) {
  DataDir dir;
  const std::string path = dir.write("s.csv",
                                     "id,g,q1,q2,q3\n"
                                     "a,F,1,0,\n"
                                     "b,M,0,NA,1\n"
                                     "c,F,.,1.0,0.0\n");
  ReadOptions options = options_for(path);
  options.id_column = "id";
  const ItemScores scores = read_item_scores(options);
  EXPECT_EQ(scores.item_names, (std::vector<std::string>{"q1", "q2", "q3"}));
  ASSERT_EQ(scores.n_examinees, 3u);
  EXPECT_EQ(scores.scores.size(), 9u);
  EXPECT_EQ(row_text(scores, 0), "10.");
  EXPECT_EQ(row_text(scores, 1), "0.1");
  EXPECT_EQ(row_text(scores, 2), ".10");
  EXPECT_EQ(scores.group, (std::vector<std::uint8_t>{kFocalGroup, kReferenceGroup, kFocalGroup}));
  EXPECT_EQ(scores.ids, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(scores.focal_values, std::vector<std::string>{"F"});
  EXPECT_EQ(scores.reference_value, "M");
  EXPECT_EQ(scores.rows_read, 3u);
  EXPECT_EQ(scores.rows_left_out, 0u);
}

TEST(ReadText, ByteOrderMarkCrLfQuotesAndNoFinalLineEnd) {
  DataDir dir;
  const std::string path = dir.write("s.csv",
                                     "\xEF\xBB\xBF\"g\",\"q 1\",q2\r\n"
                                     "\"F\",\"1\",0\r\n"
                                     "M,\" 0 \",\"\"\r\n"
                                     "M,1,1");
  const ItemScores scores = read_item_scores(options_for(path));
  EXPECT_EQ(scores.item_names, (std::vector<std::string>{"q 1", "q2"}));
  ASSERT_EQ(scores.n_examinees, 3u);
  EXPECT_EQ(row_text(scores, 0), "10");
  EXPECT_EQ(row_text(scores, 1), "0.");
  EXPECT_EQ(row_text(scores, 2), "11");
  EXPECT_TRUE(scores.ids.empty());
}

TEST(ReadText, TabsByExtensionAndAnyDelimiterGiven) {
  DataDir dir;
  const std::string content = "g\tq1\tq2\nF\t1\t0\nM\t0\t1\n";
  for (const char* name : {"s.tsv", "s.tab", "S.TSV"}) {
    const ItemScores scores = read_item_scores(options_for(dir.write(name, content)));
    EXPECT_EQ(scores.n_examinees, 2u) << name;
    EXPECT_EQ(row_text(scores, 0), "10") << name;
  }
  ReadOptions options = options_for(dir.write("s.txt", "g;q1;q2\nF;1;0\nM;0;1\n"));
  options.delimiter = ';';
  EXPECT_EQ(row_text(read_item_scores(options), 1), "01");
  options = options_for(dir.write("s2.csv", "g|q1\nF|1\nM|0\n"));
  options.delimiter = '|';  // the delimiter given wins over the extension
  EXPECT_EQ(read_item_scores(options).n_items(), 1u);
}

TEST(ReadText, MissingCodesAreExactCellsAndWinOverScores) {
  DataDir dir;
  const std::string path = dir.write("s.csv", "g,q1,q2,q3\nF,9,-1,0\nM,99,1, 9 \n");
  ReadOptions options = options_for(path);
  options.missing_codes = {"9", "99", "-1"};
  const ItemScores scores = read_item_scores(options);
  EXPECT_EQ(row_text(scores, 0), "..0");
  EXPECT_EQ(row_text(scores, 1), ".1.");
  options.missing_codes = {"0"};
  EXPECT_EQ(read_error(options),
            path + " line 2, column q1: \"9\""
                " is not a score (0 to 1, see --max-score) or a missing code");
  const std::string zeros = dir.write("z.csv", "g,q1\nF,0\nM,1\n");
  options = options_for(zeros);
  options.missing_codes = {"0"};
  EXPECT_EQ(row_text(read_item_scores(options), 0), ".");
  // "9" is a code, "9.0" is not.
  options = options_for(dir.write("n.csv", "g,q1\nF,9.0\nM,1\n"));
  options.missing_codes = {"9"};
  EXPECT_EQ(read_error(options),
            options.path + " line 2, column q1: \"9.0\""
                " is not a score (0 to 1, see --max-score) or a missing code");
}

TEST(ReadText, CellThatIsNoScoreNamesFileLineColumnAndText) {
  DataDir dir;
  std::string content = "id,g,q1,q12\n";
  for (int line = 2; line < 17; ++line) content += "x,F,1,0\n";
  content += "x,M,0,2\n";
  const std::string path = dir.write("scores.csv", content);
  ReadOptions options = options_for(path);
  options.id_column = "id";
  EXPECT_EQ(read_error(options),
            path + " line 17, column q12: \"2\""
                " is not a score (0 to 1, see --max-score) or a missing code");
  for (const char* cell : {"yes", "0.5", "1.00", "-0", "01", "na"}) {
    const std::string bad = dir.write("b.csv", std::string("g,q1\nF,0\nM,") + cell + "\n");
    EXPECT_EQ(read_error(options_for(bad)),
              bad + " line 3, column q1: \"" + cell + "\""
                  " is not a score (0 to 1, see --max-score) or a missing code");
  }
  // A line break inside quotes moves the line the message names.
  const std::string multi = dir.write("m.csv", "g,note,q1\nF,\"a\nb\",1\nM,x,3\n");
  options = options_for(multi);
  options.items = "q1";
  EXPECT_EQ(read_error(options),
            multi + " line 4, column q1: \"3\""
                " is not a score (0 to 1, see --max-score) or a missing code");
}

TEST(ReadText, RowsOfNeitherGroupOrAMissingGroupAreLeftOutButChecked) {
  DataDir dir;
  const std::string path = dir.write("s.csv",
                                     "g,q1\n"
                                     "F,1\n"
                                     ",0\n"
                                     "NA,1\n"
                                     ".,0\n"
                                     "X,1\n"
                                     "M,0\n");
  ReadOptions options = options_for(path);
  options.reference_value = "M";
  const ItemScores scores = read_item_scores(options);
  EXPECT_EQ(scores.n_examinees, 2u);
  EXPECT_EQ(scores.rows_read, 6u);
  EXPECT_EQ(scores.rows_left_out, 4u);
  EXPECT_EQ(scores.group, (std::vector<std::uint8_t>{kFocalGroup, kReferenceGroup}));
  EXPECT_EQ(row_text(scores, 0), "1");
  EXPECT_EQ(row_text(scores, 1), "0");

  for (const char* group : {"", "X"}) {
    const std::string bad =
        dir.write("b.csv", std::string("g,q1\nF,1\nM,0\n") + group + ",7\n");
    ReadOptions o = options_for(bad);
    o.reference_value = "M";
    EXPECT_EQ(read_error(o), bad + " line 4, column q1: \"7\" is not a score (0 to 1, see "
                                   "--max-score) or a missing code");
  }
}

TEST(ReadText, LeftOutRowsCloseUpWithTheirIds) {
  DataDir dir;
  const std::string path = dir.write("s.csv",
                                     "id,g,q1,q2\n"
                                     "1,X,1,1\n"
                                     "2,F,1,0\n"
                                     "3,X,0,0\n"
                                     "4,,0,1\n"
                                     "5,M,0,1\n");
  ReadOptions options = options_for(path);
  options.reference_value = "M";
  options.id_column = "id";
  const ItemScores scores = read_item_scores(options);
  ASSERT_EQ(scores.n_examinees, 2u);
  EXPECT_EQ(scores.scores.size(), 4u);
  EXPECT_EQ(scores.ids, (std::vector<std::string>{"2", "5"}));
  EXPECT_EQ(row_text(scores, 0), "10");
  EXPECT_EQ(row_text(scores, 1), "01");
  EXPECT_EQ(scores.rows_left_out, 3u);
}

TEST(ReadText, ReferenceFollowsFromTheOneOtherValue) {
  DataDir dir;
  const std::string path = dir.write("s.csv", "g,q1\n2,1\n1,0\nNA,1\n2,0\n");
  const ItemScores scores = read_item_scores(options_for(path, "g", "2"));
  EXPECT_EQ(scores.reference_value, "1");
  EXPECT_EQ(scores.focal_values, std::vector<std::string>{"2"});
  EXPECT_EQ(scores.group, (std::vector<std::uint8_t>{kFocalGroup, kReferenceGroup, kFocalGroup}));
  EXPECT_EQ(scores.rows_left_out, 1u);
}

TEST(ReadText, GroupValueErrors) {
  DataDir dir;
  const std::string three = dir.write("s.csv", "g,q1\nF,1\nM,0\nX,1\nF,0\n");
  EXPECT_EQ(read_error(options_for(three, "g", "Z")),
            three + ": no row has the focal value \"Z\" in the group column g");
  EXPECT_EQ(read_error(options_for(three)),
            three + ": the group column g holds 2 values besides the focal value \"F\" (\"M\", "
                    "\"X\"); name the reference value");
  ReadOptions options = options_for(three);
  options.reference_value = "W";
  EXPECT_EQ(read_error(options),
            three + ": no row has the reference value \"W\" in the group column g");
  options.reference_value = "F";
  EXPECT_EQ(read_error(options), three + ": the focal and the reference value are the same value, "
                                         "\"F\", of the group column g");
  const std::string one = dir.write("o.csv", "g,q1\nF,1\n,0\nF,0\n");
  EXPECT_EQ(read_error(options_for(one)),
            one + ": the group column g holds no value besides the focal value \"F\"");
  EXPECT_EQ(read_error(options_for(one, "group")),
            one + ": there is no column named \"group\" for the group");
  ReadOptions id = options_for(one);
  id.id_column = "name";
  EXPECT_EQ(read_error(id), one + ": there is no column named \"name\" for the id");
}

TEST(ReadText, ItemsByNamesAndRanges) {
  DataDir dir;
  const std::string path = dir.write("s.csv",
                                     "id,q1,q2,g,q3,q4,a:b\n"
                                     "x,1,0,F,1,0,1\n"
                                     "y,0,1,M,0,1,0\n");
  ReadOptions options = options_for(path);
  options.id_column = "id";
  EXPECT_EQ(read_item_scores(options).item_names,
            (std::vector<std::string>{"q1", "q2", "q3", "q4", "a:b"}));
  options.items = "q4, q1";
  ItemScores scores = read_item_scores(options);
  EXPECT_EQ(scores.item_names, (std::vector<std::string>{"q4", "q1"}));
  EXPECT_EQ(row_text(scores, 0), "01");
  options.items = "q1:q4";  // passes over the group column
  EXPECT_EQ(read_item_scores(options).item_names, (std::vector<std::string>{"q1", "q2", "q3", "q4"}));
  options.items = "q2:q2,a:b";  // a name holding a colon is a name
  EXPECT_EQ(read_item_scores(options).item_names, (std::vector<std::string>{"q2", "a:b"}));
  options.items = "q3:a:b";  // split at the first colon
  EXPECT_EQ(read_item_scores(options).item_names, (std::vector<std::string>{"q3", "q4", "a:b"}));
  options.items = "q0:q2";
  EXPECT_EQ(read_error(options), path + ": there is no column named \"q0\" to begin the item range q0:q2");
  options.items = "q4:q2";
  EXPECT_EQ(read_error(options),
            path + ": the item range q4:q2 runs backwards: q2 comes before q4 in the header");
  options.items = "q1:q9";
  EXPECT_EQ(read_error(options), path + ": there is no column named \"q9\" to end the item range q1:q9");
  options.items = "q1,q7";
  EXPECT_EQ(read_error(options), path + ": there is no column named \"q7\" among the items");
  options.items = "q1,q1:q2";
  EXPECT_EQ(read_error(options), path + ": column q1 is selected twice as an item");
  options.items = "q1,g";
  EXPECT_EQ(read_error(options), path + ": column g is the group column and cannot be an item");
  options.items = "id";
  EXPECT_EQ(read_error(options), path + ": column id is the id column and cannot be an item");
  options.items = " , ";
  EXPECT_EQ(read_error(options), path + ": no item columns are selected");
  options.items = "g:g";
  EXPECT_EQ(read_error(options), path + ": no item columns are selected");
}

TEST(ReadText, OnlyTheSelectedItemsAreChecked) {
  DataDir dir;
  const std::string path = dir.write("s.csv", "g,age,q1\nF,34,1\nM,51,0\n");
  ReadOptions options = options_for(path);
  options.items = "q1";
  EXPECT_EQ(read_item_scores(options).n_examinees, 2u);
  options.items.reset();
  EXPECT_EQ(read_error(options),
            path + " line 2, column age: \"34\""
                " is not a score (0 to 1, see --max-score) or a missing code");
}

TEST(ReadText, HeaderNamesTwice) {
  DataDir dir;
  const std::string path = dir.write("s.csv", "g,q1,q1\nF,1,0\nM,0,1\n");
  EXPECT_EQ(read_error(options_for(path)), path + ": the header has more than one column named \"q1\"");
  const std::string groups = dir.write("g.csv", "g,q1,g\nF,1,F\nM,0,M\n");
  EXPECT_EQ(read_error(options_for(groups)),
            groups + ": the header has more than one column named \"g\"");
}

TEST(ReadText, RaggedRowsNameFileAndLine) {
  DataDir dir;
  const std::string more = dir.write("s.csv", "g,q1,q2\nF,1,0\nM,0,1,1\n");
  EXPECT_EQ(read_error(options_for(more)), more + " line 3: 4 cells where the header has 3");
  const std::string fewer = dir.write("f.csv", "g,q1,q2\r\nF,1,0\r\nM,0\r\n");
  EXPECT_EQ(read_error(options_for(fewer)), fewer + " line 3: 2 cells where the header has 3");
  const std::string blank = dir.write("b.csv", "g,q1\nF,1\n\nM,0\n");
  EXPECT_EQ(read_error(options_for(blank)), blank + " line 3: 1 cell where the header has 2");
  const std::string trailing = dir.write("t.csv", "g,q1\nF,1\nM,0\n\n");
  EXPECT_EQ(read_item_scores(options_for(trailing)).rows_read, 2u);
}

TEST(ReadText, FilesThatHoldNoTable) {
  DataDir dir;
  const std::string empty = dir.write("e.csv", "");
  EXPECT_EQ(read_error(options_for(empty)), empty + ": the file is empty");
  const std::string mark = dir.write("m.csv", "\xEF\xBB\xBF");
  EXPECT_EQ(read_error(options_for(mark)), mark + ": the file is empty");
  const std::string header = dir.write("h.csv", "g,q1\n");
  EXPECT_EQ(read_error(options_for(header)), header + ": the file has a header but no data rows");
  const std::string binary = dir.write("b.csv", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  EXPECT_EQ(read_error(options_for(binary)), binary + ": not a text data file (it holds binary data)");
  const std::string absent = dir.path("absent.csv");
  EXPECT_EQ(read_error(options_for(absent)),
            absent + ": cannot read the file (No such file or directory)");
  const std::string folder = dir.path("folder.csv");
  std::filesystem::create_directories(folder);
  EXPECT_EQ(read_error(options_for(folder)), folder + ": cannot read the file (Is a directory)");
  const std::string unknown = dir.write("s.txt", "g,q1\nF,1\n");
  EXPECT_EQ(read_error(options_for(unknown)),
            unknown + ": unknown kind of data file (extension .txt); use .csv, .tsv, .tab, .sav, "
                      ".dta or .sas7bdat, or give a delimiter");
  const std::string bare = dir.write("scores", "g,q1\nF,1\n");
  EXPECT_EQ(read_error(options_for(bare)),
            bare + ": unknown kind of data file (no extension); use .csv, .tsv, .tab, .sav, "
                   ".dta or .sas7bdat, or give a delimiter");
}

TEST(ReadText, UnreadableFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not hold for root";
  DataDir dir;
  const std::string path = dir.write("s.csv", "g,q1\nF,1\nM,0\n");
  std::filesystem::permissions(path, std::filesystem::perms::none);
  EXPECT_EQ(read_error(options_for(path)), path + ": cannot read the file (Permission denied)");
}

TEST(ReadText, ThePathAsGiven) {
  DataDir dir;
  dir.write("s.csv", "g,q1\nF,1\nM,2\n");
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::path(dir.path("s.csv")).parent_path());
  const std::string message = read_error(options_for("./s.csv"));
  std::filesystem::current_path(previous);
  EXPECT_EQ(message, "./s.csv line 3, column q1: \"2\" is not a score (0 to 1, see --max-score) "
                     "or a missing code");
}

TEST(ReadText, ManyRowsAcrossReleasedPages) {
  // Enough rows that pages already read are given back while the rest is read.
  DataDir dir;
  std::string content = "id,g,q1,q2,q3\n";
  const std::size_t rows = 3'000'000;
  content.reserve(rows * 16);
  for (std::size_t i = 0; i < rows; ++i) {
    content += std::to_string(i % 1000);
    content += i % 3 == 0 ? ",F," : ",M,";
    content += i % 2 ? "1,0,\n" : "0,1,1\n";
  }
  ReadOptions options = options_for(dir.write("s.csv", content));
  options.id_column = "id";
  const ItemScores scores = read_item_scores(options);
  ASSERT_EQ(scores.n_examinees, rows);
  for (std::size_t i : {std::size_t{0}, std::size_t{1}, rows / 2, rows - 1}) {
    EXPECT_EQ(row_text(scores, i), i % 2 ? "10." : "011") << i;
    EXPECT_EQ(scores.group[i], i % 3 == 0 ? kFocalGroup : kReferenceGroup) << i;
    EXPECT_EQ(scores.ids[i], std::to_string(i % 1000)) << i;
  }
}

}  // namespace
}  // namespace itemdif::data

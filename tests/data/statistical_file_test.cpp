// SPSS and Stata files written here with ReadStat's writer, read back through read_item_scores.
#include <gtest/gtest.h>
#include <readstat.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/item_scores.hpp"
#include "data_files.hpp"

namespace itemdif::data {
namespace {

using testing::DataDir;
using testing::options_for;
using testing::read_error;
using testing::row_text;

ssize_t write_bytes(const void* data, size_t length, void* context) {
  return static_cast<ssize_t>(std::fwrite(data, 1, length, static_cast<std::FILE*>(context)));
}

enum class Kind { sav, dta };

// A value to write: a number, system-missing, a tagged missing value (Stata), or a string.
struct Value {
  enum { number, missing, tagged, text } what = number;
  double x = 0.0;
  std::string s;
};
Value num(double x) { return {Value::number, x, {}}; }
Value sysmis() { return {Value::missing, 0.0, {}}; }
Value tag(char t) { return {Value::tagged, static_cast<double>(t), {}}; }
Value str(std::string s) { return {Value::text, 0.0, std::move(s)}; }

struct Column {
  Column(std::string name_, bool is_string_ = false, std::vector<double> user_missing_ = {},
         std::vector<std::pair<double, std::string>> labels_ = {})
      : name(std::move(name_)),
        is_string(is_string_),
        user_missing(std::move(user_missing_)),
        labels(std::move(labels_)) {}
  std::string name;
  bool is_string = false;
  std::vector<double> user_missing;             // SPSS only
  std::vector<std::pair<double, std::string>> labels;
};

void write_file(Kind kind, const std::string& path, const std::vector<Column>& columns,
                const std::vector<std::vector<Value>>& rows) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  const std::unique_ptr<readstat_writer_t, void (*)(readstat_writer_t*)> writer(
      readstat_writer_init(), readstat_writer_free);
  readstat_set_data_writer(writer.get(), write_bytes);
  std::vector<readstat_variable_t*> variables;
  for (const Column& column : columns) {
    readstat_label_set_t* labels = nullptr;
    if (!column.labels.empty()) {
      labels = readstat_add_label_set(writer.get(),
                                      kind == Kind::dta ? READSTAT_TYPE_INT32 : READSTAT_TYPE_DOUBLE,
                                      (column.name + "_lbl").c_str());
      for (const auto& [value, label] : column.labels) {
        if (kind == Kind::dta)
          readstat_label_int32_value(labels, static_cast<int32_t>(value), label.c_str());
        else
          readstat_label_double_value(labels, value, label.c_str());
      }
    }
    readstat_variable_t* variable = readstat_add_variable(
        writer.get(), column.name.c_str(), column.is_string ? READSTAT_TYPE_STRING : READSTAT_TYPE_DOUBLE,
        column.is_string ? 16 : 0);
    if (labels) readstat_variable_set_label_set(variable, labels);
    for (const double missing : column.user_missing)
      readstat_variable_add_missing_double_value(variable, missing);
    variables.push_back(variable);
  }
  const long n = static_cast<long>(rows.size());
  ASSERT_EQ(kind == Kind::dta ? readstat_begin_writing_dta(writer.get(), out, n)
                              : readstat_begin_writing_sav(writer.get(), out, n),
            READSTAT_OK);
  for (const auto& row : rows) {
    ASSERT_EQ(readstat_begin_row(writer.get()), READSTAT_OK);
    for (std::size_t k = 0; k < row.size(); ++k) {
      const Value& v = row[k];
      readstat_error_t error = READSTAT_OK;
      switch (v.what) {
        case Value::number: error = readstat_insert_double_value(writer.get(), variables[k], v.x); break;
        case Value::missing: error = readstat_insert_missing_value(writer.get(), variables[k]); break;
        case Value::tagged:
          error = readstat_insert_tagged_missing_value(writer.get(), variables[k], static_cast<char>(v.x));
          break;
        case Value::text: error = readstat_insert_string_value(writer.get(), variables[k], v.s.c_str()); break;
      }
      ASSERT_EQ(error, READSTAT_OK) << readstat_error_message(error);
    }
    ASSERT_EQ(readstat_end_row(writer.get()), READSTAT_OK);
  }
  ASSERT_EQ(readstat_end_writing(writer.get()), READSTAT_OK);
  std::fclose(out);
}

class StatisticalFile : public ::testing::TestWithParam<Kind> {
 protected:
  std::string file(const std::string& stem) const {
    return dir_.path(stem + (GetParam() == Kind::dta ? ".dta" : ".sav"));
  }
  DataDir dir_;
};

TEST_P(StatisticalFile, NumbersStringsAndMissingValuesRoundTrip) {
  const std::string path = file("s");
  write_file(GetParam(), path,
             {{"id", true}, {"sex", true}, {"q1"}, {"q2"}, {"q3", true}},
             {{str("a1"), str("F"), num(1), num(0), str("1")},
              {str("a2"), str("M"), sysmis(), num(1), str("")},
              {str("a3"), str("F"), num(0), num(1), str("NA")}});
  ReadOptions options = options_for(path, "sex");
  options.id_column = "id";
  const ItemScores scores = read_item_scores(options);
  EXPECT_EQ(scores.item_names, (std::vector<std::string>{"q1", "q2", "q3"}));
  ASSERT_EQ(scores.n_examinees, 3u);
  EXPECT_EQ(row_text(scores, 0), "101");
  EXPECT_EQ(row_text(scores, 1), ".1.");
  EXPECT_EQ(row_text(scores, 2), "01.");
  EXPECT_EQ(scores.ids, (std::vector<std::string>{"a1", "a2", "a3"}));
  EXPECT_EQ(scores.group, (std::vector<std::uint8_t>{kFocalGroup, kReferenceGroup, kFocalGroup}));
  EXPECT_EQ(scores.reference_value, "M");
}

TEST_P(StatisticalFile, LabelledGroupMatchesByLabelOrNumber) {
  const std::string path = file("g");
  write_file(GetParam(), path, {{"grp", false, {}, {{1, "boys"}, {2, "girls"}}}, {"q1"}},
             {{num(2), num(1)}, {num(1), num(0)}, {sysmis(), num(1)}, {num(2), num(0)}, {num(3), num(1)}});
  for (const char* focal : {"girls", "2", "2.0"}) {
    ReadOptions options = options_for(path, "grp", focal);
    options.reference_value = "boys";
    const ItemScores scores = read_item_scores(options);
    EXPECT_EQ(scores.focal_values, std::vector<std::string>{"girls"}) << focal;
    EXPECT_EQ(scores.reference_value, "boys") << focal;
    EXPECT_EQ(scores.group, (std::vector<std::uint8_t>{kFocalGroup, kReferenceGroup, kFocalGroup}));
    EXPECT_EQ(scores.rows_left_out, 2u);  // a missing group and the unlabelled 3
  }
  ReadOptions by_number = options_for(path, "grp", "3");
  by_number.reference_value = "1";
  const ItemScores scores = read_item_scores(by_number);
  EXPECT_EQ(scores.focal_values, std::vector<std::string>{"3"});
  EXPECT_EQ(scores.reference_value, "boys");
  EXPECT_EQ(scores.n_examinees, 2u);
  EXPECT_EQ(read_error(options_for(path, "grp", "women")),
            path + ": no row has the focal value \"women\" in the group column grp");
  EXPECT_EQ(read_error(options_for(path, "grp", "girls")),
            path + ": the group column grp holds 2 values besides the focal value \"girls\" "
                   "(\"boys\", \"3\"); name the reference value");
}

TEST_P(StatisticalFile, SeveralFocalGroupsMatchByLabelOrNumber) {
  const std::string path = file("several");
  write_file(GetParam(), path,
             {{"grp", false, {}, {{1, "boys"}, {2, "girls"}, {3, "other"}}}, {"q1"}},
             {{num(2), num(1)}, {num(1), num(0)}, {num(3), num(1)}, {num(4), num(0)}});
  ReadOptions options = options_for(path, "grp");
  options.focal_values = {"3", "girls"};
  options.reference_value = "1";
  const ItemScores scores = read_item_scores(options);
  EXPECT_EQ(scores.focal_values, (std::vector<std::string>{"other", "girls"}));
  EXPECT_EQ(scores.reference_value, "boys");
  EXPECT_EQ(scores.group, (std::vector<std::uint8_t>{2, kReferenceGroup, 1}));
  EXPECT_EQ(scores.rows_left_out, 1u);
  // A number and its label are one value given twice.
  options.focal_values = {"girls", "2"};
  EXPECT_EQ(read_error(options),
            path + ": the focal values \"girls\" and \"2\" are the same value, \"girls\", of the "
                   "group column grp");
  options.focal_values = {"girls", "boys"};
  EXPECT_EQ(read_error(options),
            path + ": the focal and the reference value are the same value, \"boys\", of the "
                   "group column grp");
}

TEST_P(StatisticalFile, ItemValueThatIsNoScoreNamesRowAndColumn) {
  const std::string path = file("b");
  write_file(GetParam(), path, {{"g", true}, {"q1"}, {"q12"}},
             {{str("F"), num(1), num(0)}, {str("M"), num(0), num(0.5)}});
  EXPECT_EQ(read_error(options_for(path)),
            path + " row 2, column q12: \"0.5\""
                " is not a score (0 to 1, see --max-score) or a missing code");
  ReadOptions options = options_for(path);
  options.missing_codes = {"0.5"};
  EXPECT_EQ(row_text(read_item_scores(options), 1), "0.");
}

TEST_P(StatisticalFile, MissingCodesApplyToNumbers) {
  const std::string path = file("m");
  write_file(GetParam(), path, {{"g", true}, {"q1"}}, {{str("F"), num(9)}, {str("M"), num(1)}});
  EXPECT_EQ(read_error(options_for(path)),
            path + " row 1, column q1: \"9\""
                " is not a score (0 to 1, see --max-score) or a missing code");
  ReadOptions options = options_for(path);
  options.missing_codes = {"9.0"};
  EXPECT_EQ(row_text(read_item_scores(options), 0), ".");
}

TEST_P(StatisticalFile, NumbersUpToTheHighestScore) {
  const std::string path = file("p");
  write_file(GetParam(), path, {{"g", true}, {"q1"}, {"q2"}, {"q3", true}},
             {{str("F"), num(6), num(0), str("12")},
              {str("M"), num(3), sysmis(), str("4.0")},
              {str("F"), num(12), num(99), str("99")}});
  ReadOptions options = options_for(path);
  options.max_score = 12;
  options.missing_codes = {"99"};
  const ItemScores scores = read_item_scores(options);
  ASSERT_EQ(scores.n_examinees, 3u);
  const std::vector<std::uint8_t> expected = {6, 0, 12, 3, kMissing, 4, 12, kMissing, kMissing};
  EXPECT_EQ(scores.scores, expected);

  options.max_score = 11;
  EXPECT_EQ(read_error(options), path + " row 1, column q3: \"12\" is not a score (0 to 11, see "
                                        "--max-score) or a missing code");
  const std::string fraction = file("f");
  write_file(GetParam(), fraction, {{"g", true}, {"q1"}},
             {{str("F"), num(2)}, {str("M"), num(2.5)}, {str("M"), num(-3)}});
  options = options_for(fraction);
  options.max_score = 4;
  EXPECT_EQ(read_error(options), fraction + " row 2, column q1: \"2.5\" is not a score (0 to 4, "
                                            "see --max-score) or a missing code");
  options.missing_codes = {"2.5"};
  EXPECT_EQ(read_error(options), fraction + " row 3, column q1: \"-3\" is not a score (0 to 4, "
                                            "see --max-score) or a missing code");
}

TEST_P(StatisticalFile, ColumnsAndRowsAreChecked) {
  const std::string path = file("c");
  write_file(GetParam(), path, {{"g", true}, {"q1"}}, {});
  EXPECT_EQ(read_error(options_for(path)), path + ": the file has no data rows");
  EXPECT_EQ(read_error(options_for(path, "group")),
            path + ": there is no column named \"group\" for the group");
}

INSTANTIATE_TEST_SUITE_P(SpssAndStata, StatisticalFile, ::testing::Values(Kind::sav, Kind::dta),
                         [](const auto& info) { return info.param == Kind::sav ? "sav" : "dta"; });

TEST(SpssFile, UserDefinedMissingValuesAreMissing) {
  DataDir dir;
  const std::string path = dir.path("u.sav");
  write_file(Kind::sav, path, {{"g", false, {9}, {{1, "f"}, {2, "m"}}}, {"q1", false, {8, 9}}},
             {{num(1), num(8)}, {num(2), num(9)}, {num(9), num(1)}, {num(1), num(0)}});
  const ItemScores scores = read_item_scores(options_for(path, "g", "f"));
  ASSERT_EQ(scores.n_examinees, 3u);
  EXPECT_EQ(row_text(scores, 0), ".");
  EXPECT_EQ(row_text(scores, 1), ".");
  EXPECT_EQ(row_text(scores, 2), "0");
  EXPECT_EQ(scores.rows_left_out, 1u);  // the group's user-missing 9
  EXPECT_EQ(scores.reference_value, "m");
}

TEST(StataFile, TaggedMissingValuesAreMissing) {
  DataDir dir;
  const std::string path = dir.path("t.dta");
  write_file(Kind::dta, path, {{"g", false, {}, {{0, "ref"}, {1, "foc"}}}, {"q1"}, {"q2"}},
             {{num(1), tag('a'), num(1)}, {num(0), num(1), tag('z')}, {tag('b'), num(0), num(0)}});
  const ItemScores scores = read_item_scores(options_for(path, "g", "foc"));
  ASSERT_EQ(scores.n_examinees, 2u);
  EXPECT_EQ(row_text(scores, 0), ".1");
  EXPECT_EQ(row_text(scores, 1), "1.");
  EXPECT_EQ(scores.rows_left_out, 1u);
}

TEST(StatisticalFileErrors, LibraryErrorsAndFilesThatAreNone) {
  DataDir dir;
  const std::string garbage = dir.write("x.sav", "this is not an SPSS file at all, only text\n");
  const std::string message = read_error(options_for(garbage));
  EXPECT_EQ(message.rfind(garbage + ": cannot be read as an SPSS file (", 0), 0u) << message;
  EXPECT_EQ(message.back(), ')');
  const std::string stata = dir.write("x.dta", "neither is this a Stata file\n");
  EXPECT_EQ(read_error(options_for(stata)).rfind(stata + ": cannot be read as a Stata file (", 0), 0u);
  const std::string sas = dir.write("x.sas7bdat", "nor SAS\n");
  EXPECT_EQ(read_error(options_for(sas)).rfind(sas + ": cannot be read as a SAS file (", 0), 0u);
  const std::string empty = dir.write("e.sav", "");
  EXPECT_EQ(read_error(options_for(empty)), empty + ": the file is empty");
  const std::string absent = dir.path("absent.dta");
  EXPECT_EQ(read_error(options_for(absent)), absent + ": cannot read the file (No such file or directory)");
}

}  // namespace
}  // namespace itemdif::data

// Several focal groups through read_item_scores: their codes, the reference value found or
// named, and every refusal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/item_scores.hpp"
#include "data_files.hpp"

namespace itemdif::data {
namespace {

using testing::DataDir;
using testing::read_error;
using testing::row_text;

/// Group values A, R, B, C, missing, A, B, in that row order.
std::string four_groups(const DataDir& dir) {
  return dir.write("g.csv", "g,q1,q2\nA,1,0\nR,0,1\nB,1,1\nC,0,0\n,1,1\nA,0,0\nB,1,0\n");
}

ReadOptions options(const std::string& path, std::vector<std::string> focal,
                    std::optional<std::string> reference = std::nullopt) {
  ReadOptions o;
  o.path = path;
  o.group_column = "g";
  o.focal_values = std::move(focal);
  o.reference_value = std::move(reference);
  return o;
}

TEST(FocalGroups, CodesFollowTheOrderNamed) {
  DataDir dir;
  const std::string path = four_groups(dir);
  const ItemScores scores = read_item_scores(options(path, {"B", "A"}, "R"));
  EXPECT_EQ(scores.focal_values, (std::vector<std::string>{"B", "A"}));
  EXPECT_EQ(scores.reference_value, "R");
  // A is the second focal group (code 2), B the first (code 1); C and the missing value go.
  EXPECT_EQ(scores.group, (std::vector<std::uint8_t>{2, 0, 1, 2, 1}));
  ASSERT_EQ(scores.n_examinees, 5u);
  EXPECT_EQ(row_text(scores, 0), "10");
  EXPECT_EQ(row_text(scores, 2), "11");
  EXPECT_EQ(row_text(scores, 4), "10");
  EXPECT_EQ(scores.rows_read, 7u);
  EXPECT_EQ(scores.rows_left_out, 2u);
}

TEST(FocalGroups, TheOnlyOtherValueIsTheReference) {
  DataDir dir;
  const ItemScores scores = read_item_scores(options(four_groups(dir), {"A", "B", "C"}));
  EXPECT_EQ(scores.reference_value, "R");
  EXPECT_EQ(scores.group, (std::vector<std::uint8_t>{1, 0, 2, 3, 1, 2}));
  EXPECT_EQ(scores.rows_left_out, 1u);
}

TEST(FocalGroups, RefusalsNameTheValues) {
  DataDir dir;
  const std::string path = four_groups(dir);
  EXPECT_EQ(read_error(options(path, {"A", "Z"}, "R")),
            path + ": no row has the focal value \"Z\" in the group column g");
  EXPECT_EQ(read_error(options(path, {"A", "B", "A"}, "R")),
            path + ": the focal value \"A\" is given twice");
  // Surrounding blanks are no part of a value.
  EXPECT_EQ(read_error(options(path, {"A", " A"}, "R")),
            path + ": the focal value \"A\" is given twice");
  EXPECT_EQ(read_error(options(path, {"A", "R"}, "R")),
            path + ": the focal and the reference value are the same value, \"R\", of the group "
                   "column g");
  EXPECT_EQ(read_error(options(path, {"A", "B"})),
            path + ": the group column g holds 2 values besides the focal values \"A\", \"B\" "
                   "(\"R\", \"C\"); name the reference value");
  EXPECT_EQ(read_error(options(path, {"A", "B", "C", "R"})),
            path + ": the group column g holds no value besides the focal values \"A\", \"B\", "
                   "\"C\", \"R\"");
  EXPECT_EQ(read_error(options(path, {}, "R")), path + ": no focal value given");
  std::vector<std::string> many;
  for (std::size_t k = 0; k <= kMostFocalGroups; ++k) many.push_back("v" + std::to_string(k));
  EXPECT_EQ(read_error(options(path, many, "R")),
            path + ": 251 focal values given; an analysis takes at most 250");
}

TEST(FocalGroups, OneFocalValueKeepsItsMessages) {
  DataDir dir;
  const std::string path = four_groups(dir);
  EXPECT_EQ(read_error(options(path, {"A"})),
            path + ": the group column g holds 3 values besides the focal value \"A\" (\"R\", "
                   "\"B\", \"C\"); name the reference value");
  const std::string two = dir.write("two.csv", "g,q1\nA,1\nA,0\n");
  EXPECT_EQ(read_error(options(two, {"A"})),
            two + ": the group column g holds no value besides the focal value \"A\"");
}

}  // namespace
}  // namespace itemdif::data

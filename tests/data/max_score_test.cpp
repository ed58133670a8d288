// Item scores above 1: cells from 0 to the highest score given, their forms, their refusals,
// and the look-up tables that read one- and two-digit cells.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "data/cell_rules.hpp"
#include "data/item_scores.hpp"
#include "data_files.hpp"
#include "support/thrown.hpp"

namespace itemdif::data {
namespace {

using itemdif::testing::thrown_message;
using testing::DataDir;
using testing::options_for;
using testing::read_error;

/// Examinee i's scores as numbers, -1 for missing.
std::vector<int> row_of(const ItemScores& scores, std::size_t i) {
  std::vector<int> row;
  for (std::size_t j = 0; j < scores.n_items(); ++j) {
    const std::uint8_t s = scores.score(i, j);
    row.push_back(s == kMissing ? -1 : s);
  }
  return row;
}

std::string refusal(const std::string& where, const std::string& cell, int max_score) {
  return where + ": \"" + cell + "\" is not a score (0 to " + std::to_string(max_score) +
         ", see --max-score) or a missing code";
}

/// `cell` as the only cell after a valid row, read with `max_score`, is refused by name.
void expect_refused(DataDir& dir, const std::string& cell, int max_score) {
  const std::string bad = dir.write("b.csv", "g,q1\nM,12\nF," + cell + "\n");
  ReadOptions options = options_for(bad);
  options.max_score = max_score;
  EXPECT_EQ(read_error(options), refusal(bad + " line 3, column q1", cell, max_score)) << cell;
}

TEST(MaxScore, EveryWholeNumberUpToTheHighestIsAScore) {
  DataDir dir;
  const std::string path = dir.write("s.csv",
                                     "g,q1,q2,q3,q4,q5\n"
                                     "F,0,1,2,3,4\n"
                                     "M,4.0,2.0, 3 ,\" 1.0 \",NA\n"
                                     "F,0.0,,.,4,0\n");
  ReadOptions options = options_for(path);
  options.max_score = 4;
  const ItemScores scores = read_item_scores(options);
  ASSERT_EQ(scores.n_examinees, 3u);
  EXPECT_EQ(row_of(scores, 0), (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(row_of(scores, 1), (std::vector<int>{4, 2, 3, 1, -1}));
  EXPECT_EQ(row_of(scores, 2), (std::vector<int>{0, -1, -1, 4, 0}));
}

TEST(MaxScore, ACellOutsideTheScoresNamesTheHighestScore) {
  DataDir dir;
  for (const char* cell : {"5", "-1", "2.5", "02", "2.00", "+2", "2.", "1e0", "four", "-0", "10"}) {
    const std::string path = dir.write("b.csv", std::string("g,q1,q2\nM,1,4\nF,0,") + cell + "\n");
    ReadOptions options = options_for(path);
    options.max_score = 4;
    EXPECT_EQ(read_error(options), refusal(path + " line 3, column q2", cell, 4)) << cell;
  }
}

TEST(MaxScore, TheDefaultKeepsItemsAtZeroAndOne) {
  DataDir dir;
  const std::string path = dir.write("s.csv", "g,q1\nF,1\nM,2.0\n");
  EXPECT_EQ(read_error(options_for(path)), refusal(path + " line 3, column q1", "2.0", 1));
  ReadOptions two = options_for(path);
  two.max_score = 2;
  EXPECT_EQ(row_of(read_item_scores(two), 1), std::vector<int>{2});
}

TEST(MaxScore, TwoAndThreeDigitScores) {
  DataDir dir;
  const std::string path = dir.write("s.csv",
                                     "g,q1,q2,q3,q4\n"
                                     "F,10,12,12.0, 11\n"
                                     "M,9,0,1.0,99.0\n");
  ReadOptions options = options_for(path);
  options.max_score = 99;
  const ItemScores scores = read_item_scores(options);
  EXPECT_EQ(row_of(scores, 0), (std::vector<int>{10, 12, 12, 11}));
  EXPECT_EQ(row_of(scores, 1), (std::vector<int>{9, 0, 1, 99}));

  options.max_score = 12;
  EXPECT_EQ(read_error(options), refusal(path + " line 3, column q4", "99.0", 12));
  for (const char* cell : {"13", "09", "00", "100"}) expect_refused(dir, cell, 12);

  const std::string wide = dir.write("w.csv", "g,q1,q2\nF,250,249.0\nM,0,100\n");
  options = options_for(wide);
  options.max_score = kHighestMaxScore;
  const ItemScores high = read_item_scores(options);
  EXPECT_EQ(row_of(high, 0), (std::vector<int>{250, 249}));
  EXPECT_EQ(row_of(high, 1), (std::vector<int>{0, 100}));
  for (const char* cell : {"251", "999", "1000", "2500"}) expect_refused(dir, cell, kHighestMaxScore);
}

TEST(MaxScore, MissingCodesWinOverScoresOfAnyLength) {
  DataDir dir;
  const std::string path = dir.write("s.csv",
                                     "g,q1,q2,q3,q4,q5\n"
                                     "F,9,8,9.0,99,10\n"
                                     "M,7,11,12,5, 10 \n");
  ReadOptions options = options_for(path);
  options.max_score = 12;
  options.missing_codes = {"9", "99", "10"};
  const ItemScores scores = read_item_scores(options);
  // "9.0" is no code but a score; "99" would be refused were it not a code.
  EXPECT_EQ(row_of(scores, 0), (std::vector<int>{-1, 8, 9, -1, -1}));
  EXPECT_EQ(row_of(scores, 1), (std::vector<int>{7, 11, 12, 5, -1}));
}

TEST(MaxScore, AHighestScoreOutsideItsBoundsIsRefused) {
  DataDir dir;
  const std::string path = dir.write("s.csv", "g,q1\nF,1\nM,0\n");
  for (const int max_score : {0, -2, kHighestMaxScore + 1}) {
    ReadOptions options = options_for(path);
    options.max_score = max_score;
    EXPECT_EQ(thrown_message<InputError>([&] { read_item_scores(options); }),
              "the highest score must be a whole number from 1 to 250, not " +
                  std::to_string(max_score));
  }
}

TEST(ScoreRulesTables, LookedUpCellsAnswerAsTheSpelledOutRule) {
  // A cell with blanks around it skips the tables; without them it is looked up.
  for (const int max_score : {1, 4, 12, 99, kHighestMaxScore}) {
    const ScoreRules rules({"7", "42", "NR"}, max_score);
    for (int c = 0; c < 256; ++c) {
      const std::string cell(1, static_cast<char>(c));
      EXPECT_EQ(rules.text(cell), rules.text(" " + cell + "\t")) << max_score << " " << c;
    }
    for (int n = 0; n < 100; ++n) {
      const std::string cell = {static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
      EXPECT_EQ(rules.text(cell), rules.text(" " + cell)) << max_score << " " << cell;
    }
  }
  const ScoreRules rules({"7", "42"}, 50);
  EXPECT_EQ(rules.text("7"), kMissing);
  EXPECT_EQ(rules.text("42"), kMissing);
  EXPECT_EQ(rules.text("43"), 43);
  EXPECT_EQ(rules.text("51"), ScoreRules::kInvalid);
  EXPECT_EQ(rules.text("5"), 5);
  EXPECT_EQ(rules.text("x"), ScoreRules::kInvalid);
}

TEST(ScoreRulesNumbers, WholeNumbersUpToTheHighestScore) {
  const ScoreRules rules({"9", "-1"}, 9);
  EXPECT_EQ(rules.number(0.0), 0);
  EXPECT_EQ(rules.number(-0.0), 0);
  EXPECT_EQ(rules.number(3.0), 3);
  EXPECT_EQ(rules.number(8.0), 8);
  EXPECT_EQ(rules.number(9.0), kMissing);  // a code, though within the scores
  EXPECT_EQ(rules.number(-1.0), kMissing);
  for (const double value : {9.5, 10.0, -2.0, 0.25, 1e300, std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()})
    EXPECT_EQ(rules.number(value), ScoreRules::kInvalid) << value;
}

TEST(ScoreRulesNumbers, EdgesOfTheLookedUpNumbers) {
  // Whole numbers below 256 are looked up, the rest computed: both give the same answers.
  const ScoreRules rules({"255", "300"}, kHighestMaxScore);
  EXPECT_EQ(rules.number(250.0), 250);
  EXPECT_EQ(rules.number(255.0), kMissing);
  EXPECT_EQ(rules.number(300.0), kMissing);
  for (const double value : {251.0, 254.0, 255.5, 256.0, 249.5, -0.5})
    EXPECT_EQ(rules.number(value), ScoreRules::kInvalid) << value;
}

}  // namespace
}  // namespace itemdif::data

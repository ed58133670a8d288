// The counting pass with an item outside the matching set, under each missing policy; the
// expected tables are reference_values.py's (D2, matching on q1 and q3).
#include "stats/score_counts.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "stats/scores_builder.hpp"

namespace itemdif::stats {
namespace {

using Table = std::vector<std::vector<std::uint32_t>>;

Table table_of(const ScoreCounts& counts, std::size_t item) {
  Table t;
  for (std::size_t s = 0; s <= 3; ++s)
    t.push_back({counts.at(item, s, 0, 1), counts.at(item, s, 0, 0), counts.at(item, s, 1, 1),
                 counts.at(item, s, 1, 0)});
  return t;
}

struct CountCase {
  MissingPolicy policy;
  Table q1, q2;
};

class CountScores : public ::testing::TestWithParam<CountCase> {};

TEST_P(CountScores, ItemOutsideTheMatchingSetAddsItsOwnScore) {
  const CountCase& c = GetParam();
  const data::ItemScores scores = testing::data_set_2();
  const Examinees examinees = select_examinees(scores, c.policy);
  const ScoreCounts counts = count_scores(scores, examinees, c.policy, {1, 0, 1});
  EXPECT_EQ(counts.max_score(), 3u);
  EXPECT_EQ(table_of(counts, 0), c.q1);
  EXPECT_EQ(table_of(counts, 1), c.q2);
}

INSTANTIATE_TEST_SUITE_P(
    DataSet2, CountScores,
    ::testing::Values(
        CountCase{MissingPolicy::excluded,
                  {{0, 5, 0, 6}, {7, 1, 4, 2}, {5, 0, 3, 0}, {0, 0, 0, 0}},
                  {{0, 3, 0, 4}, {2, 1, 3, 3}, {7, 2, 3, 0}, {3, 0, 2, 0}}},
        CountCase{MissingPolicy::incorrect,
                  {{0, 5, 0, 8}, {7, 3, 4, 2}, {5, 0, 3, 0}, {0, 0, 0, 0}},
                  {{0, 3, 0, 5}, {2, 3, 3, 3}, {7, 2, 3, 1}, {3, 0, 2, 0}}},
        CountCase{MissingPolicy::listwise,
                  {{0, 5, 0, 5}, {4, 1, 4, 2}, {5, 0, 2, 0}, {0, 0, 0, 0}},
                  {{0, 3, 0, 2}, {2, 1, 3, 3}, {4, 2, 3, 0}, {3, 0, 2, 0}}}));

TEST(SelectExaminees, ListwiseLeavesOutEveryRowWithAMissingResponse) {
  const data::ItemScores scores = testing::data_set_2();
  const Examinees listwise = select_examinees(scores, MissingPolicy::listwise);
  EXPECT_EQ(listwise.left_out, 9u);
  EXPECT_EQ(listwise.n_reference, 15u);
  EXPECT_EQ(listwise.n_focal, 13u);
  EXPECT_EQ(listwise.taking_part[0], 0);  // "1.0"
  EXPECT_EQ(listwise.taking_part[5], 1);  // "000"
  const Examinees excluded = select_examinees(scores, MissingPolicy::excluded);
  EXPECT_EQ(excluded.left_out, 0u);
  EXPECT_EQ(excluded.n_reference + excluded.n_focal, scores.n_examinees);
}

}  // namespace
}  // namespace itemdif::stats

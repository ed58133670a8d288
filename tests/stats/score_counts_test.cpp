// The counting pass: the worked tables of data set D2 with an item outside the matching set
// under each missing policy, and random data of every shape against a naive count.
#include "stats/score_counts.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <tuple>
#include <vector>

#include "stats/examinees.hpp"
#include "stats/item_range.hpp"
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
  const Examinees examinees = select_examinees(scores, 2, c.policy);
  const ScoreCounts counts = count_scores(scores, examinees.taking_part,
                                          item_ranges(scores, examinees.taking_part), 2,
                                          c.policy, {1, 0, 1});
  EXPECT_EQ(counts.max_sum(), 3u);
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
  const Examinees listwise = select_examinees(scores, 2, MissingPolicy::listwise);
  EXPECT_EQ(listwise.left_out, 9u);
  ASSERT_EQ(listwise.group_sizes.size(), 2u);
  EXPECT_EQ(listwise.group_sizes[0], 15u);
  EXPECT_EQ(listwise.group_sizes[1], 13u);
  EXPECT_EQ(listwise.taking_part[0], 0);  // "1.0"
  EXPECT_EQ(listwise.taking_part[5], 1);  // "000"
  const Examinees excluded = select_examinees(scores, 2, MissingPolicy::excluded);
  EXPECT_EQ(excluded.left_out, 0u);
  EXPECT_EQ(excluded.group_sizes[0] + excluded.group_sizes[1], scores.n_examinees);
}

TEST(ItemRanges, PolytomousItemsRunFromTheirSmallestToTheirLargestScore) {
  // q1 scored 2..5 by the examinees taking part (the 0 belongs to the one left out), q2 only
  // 1s (dichotomous), q3 0..3, q4 only missing.
  const data::ItemScores scores =
      testing::make_scores({{0, "21..", 1}, {1, "513.", 1}, {0, "410.", 2}, {1, "0129", 1}});
  const std::vector<ItemRange> ranges = item_ranges(scores, {1, 1, 1, 1, 0});
  ASSERT_EQ(ranges.size(), 4u);
  EXPECT_EQ(std::tie(ranges[0].score_min, ranges[0].score_max, ranges[0].polytomous),
            std::make_tuple(2, 5, true));
  EXPECT_EQ(std::tie(ranges[1].score_min, ranges[1].score_max, ranges[1].polytomous),
            std::make_tuple(0, 1, false));
  EXPECT_EQ(std::tie(ranges[2].score_min, ranges[2].score_max, ranges[2].polytomous),
            std::make_tuple(0, 3, true));
  EXPECT_EQ(std::tie(ranges[3].score_min, ranges[3].score_max, ranges[3].polytomous),
            std::make_tuple(0, 1, false));
}

// The naive count: for each examinee taking part, the matching sum with a missing response at
// the item's lowest score, and each item's score (its own added when it is not matched on).
using Key = std::tuple<std::size_t, std::size_t, std::size_t, int>;  // item, sum, group, score

std::map<Key, std::uint32_t> naive_counts(const data::ItemScores& scores,
                                          const std::vector<std::uint8_t>& taking_part,
                                          const std::vector<ItemRange>& ranges,
                                          MissingPolicy policy,
                                          const std::vector<std::uint8_t>& matching) {
  std::map<Key, std::uint32_t> counts;
  const std::size_t items = scores.n_items();
  for (std::size_t i = 0; i < scores.n_examinees; ++i) {
    if (!taking_part[i]) continue;
    auto score_of = [&](std::size_t j) {
      const std::uint8_t x = scores.scores[i * items + j];
      return x == data::kMissing ? ranges[j].score_min : static_cast<int>(x);
    };
    std::size_t sum = 0;
    for (std::size_t j = 0; j < items; ++j)
      if (matching[j]) sum += static_cast<std::size_t>(score_of(j));
    for (std::size_t j = 0; j < items; ++j) {
      const bool missing = scores.scores[i * items + j] == data::kMissing;
      if (missing && policy == MissingPolicy::excluded) continue;
      const int y = score_of(j);
      const std::size_t matched_on = matching[j] ? sum : sum + static_cast<std::size_t>(y);
      ++counts[{j, matched_on, scores.group[i], y}];
    }
  }
  return counts;
}

struct RandomShape {
  std::size_t groups;
  std::vector<std::pair<int, int>> ranges;  // each item's smallest and largest score
};

TEST(CountScores, RandomDataAgreesWithANaiveCount) {
  const std::vector<RandomShape> shapes = {
      {2, {{0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}}},
      {3, {{0, 1}, {0, 2}, {1, 5}, {0, 4}, {0, 1}}},
      {4, {{1, 6}, {1, 6}, {1, 6}, {2, 3}}},
      {2, {{0, 9}, {0, 1}, {3, 7}}},
  };
  std::mt19937 random(20261209);
  for (const RandomShape& shape : shapes)
    for (const MissingPolicy policy :
         {MissingPolicy::excluded, MissingPolicy::incorrect, MissingPolicy::listwise}) {
      const std::size_t items = shape.ranges.size();
      data::ItemScores scores;
      for (std::size_t j = 0; j < items; ++j) scores.item_names.push_back("i" + std::to_string(j));
      scores.n_examinees = 400;
      for (std::size_t i = 0; i < scores.n_examinees; ++i) {
        scores.group.push_back(static_cast<std::uint8_t>(random() % shape.groups));
        for (const auto& [low, high] : shape.ranges)
          scores.scores.push_back(
              random() % 10 == 0
                  ? data::kMissing
                  : static_cast<std::uint8_t>(low + static_cast<int>(random() % (high - low + 1))));
      }
      scores.rows_read = scores.n_examinees;
      const Examinees examinees = select_examinees(scores, shape.groups, policy);
      const std::vector<ItemRange> ranges = item_ranges(scores, examinees.taking_part);
      std::vector<std::uint8_t> matching(items, 1);
      matching[random() % items] = 0;  // one item matched on the sum plus its own score
      const ScoreCounts counts =
          count_scores(scores, examinees.taking_part, ranges, shape.groups, policy, matching);
      const auto expected = naive_counts(scores, examinees.taking_part, ranges, policy, matching);

      std::size_t compared = 0;
      for (std::size_t j = 0; j < items; ++j)
        for (std::size_t sum = 0; sum <= counts.max_sum(); ++sum)
          for (std::size_t g = 0; g < shape.groups; ++g)
            for (int y = ranges[j].score_min; y <= ranges[j].score_max; ++y) {
              const auto found = expected.find({j, sum, g, y});
              const std::uint32_t want = found == expected.end() ? 0 : found->second;
              ASSERT_EQ(counts.at(j, sum, g, y), want)
                  << "groups " << shape.groups << ", policy " << static_cast<int>(policy)
                  << ", item " << j << ", sum " << sum << ", group " << g << ", score " << y;
              compared += want;
            }
      // Every naive count was reached by the loops above.
      std::size_t total = 0;
      for (const auto& [key, n] : expected) total += n;
      EXPECT_EQ(compared, total);
    }
}

}  // namespace
}  // namespace itemdif::stats

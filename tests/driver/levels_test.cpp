// Conditioning levels: matching totals, counts, validity, sizes and warning lines.
#include "driver/levels.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "driver/report.hpp"
#include "driver/run_data.hpp"
#include "textio/channels.hpp"

namespace itemdif::driver {
namespace {

// A run with the given levels and scores.
RunData make_run(const std::vector<std::int32_t>& low, const std::vector<std::int32_t>& high,
                 const std::vector<std::vector<double>>& reference,
                 const std::vector<std::vector<double>>& focal, int n_items) {
  RunData run;
  run.n_items = n_items;
  run.n_levels = static_cast<std::int32_t>(low.size());
  run.n_reference = static_cast<std::int32_t>(reference.size());
  run.n_focal = static_cast<std::int32_t>(focal.size());
  create_level_tables(run);
  run.level_low = low;
  run.level_high = high;
  create_label_table(run);
  create_data_tables(run);
  for (std::size_t i = 0; i < reference.size(); ++i)
    for (int j = 0; j < n_items; ++j) run.reference_responses.set(i, j, reference[i][j]);
  for (std::size_t i = 0; i < focal.size(); ++i)
    for (int j = 0; j < n_items; ++j) run.focal_responses.set(i, j, focal[i][j]);
  return run;
}

// The counts of one pass and the warning lines the report gives for them.
struct Counted {
  LevelTables tables;
  std::string warnings;
};

Counted count(const RunData& run, const Matching& matching) {
  std::ostringstream text;
  textio::OutputChannel report(textio::kReportChannel, "report", text);
  Counted counted{count_levels(run, matching), {}};
  write_thin_levels(report, run, thin_levels(counted.tables));
  report.flush();
  counted.warnings = text.str();
  return counted;
}

// The counts of a first pass: plain totals.
Counted count(const RunData& run) { return count(run, match_without(run, {}, true)); }

// The counting as defined, level by level, examinee by examinee, item by item.
struct NaiveCounts {
  std::vector<double> cells[2][3];  // (level * n_items + item)
  std::string warnings;
};

// `removed` items are left out of the totals; with `own_score` they are matched on the total
// plus their own score.
NaiveCounts naive_count(const RunData& run, const std::vector<std::size_t>& removed,
                        bool own_score) {
  const int n_items = run.n_items;
  const int n_levels = run.n_levels;
  NaiveCounts result;
  for (auto& group : result.cells)
    for (auto& cls : group) cls.assign(static_cast<std::size_t>(n_levels * n_items), 0.0);
  for (int g = 0; g < 2; ++g) {
    const ScoreTable& responses = g == 0 ? run.reference_responses : run.focal_responses;
    std::vector<double> total(responses.rows(), 0.0);
    for (std::size_t i = 0; i < total.size(); ++i) {
      for (int j = 0; j < n_items; ++j) total[i] += responses(i, j);
      for (std::size_t j : removed) total[i] -= responses(i, j);
    }
    auto is_removed = [&](int j) {
      return std::find(removed.begin(), removed.end(), static_cast<std::size_t>(j)) != removed.end();
    };
    for (int k = 0; k < n_levels; ++k)
      for (std::size_t i = 0; i < total.size(); ++i)
        for (int j = 0; j < n_items; ++j) {
          double s = total[i];
          if (own_score && is_removed(j)) s += responses(i, j);
          if (!(run.level_low[k] <= s && s <= run.level_high[k])) continue;
          const std::size_t cell = static_cast<std::size_t>(k * n_items + j);
          if (responses(i, j) == 1.0) {
            result.cells[g][0][cell] += 1;
            result.cells[g][2][cell] += 1;
          } else if (responses(i, j) == 0.0) {
            result.cells[g][1][cell] += 1;
            result.cells[g][2][cell] += 1;
          }
        }
  }
  for (int k = 0; k < n_levels && n_items > 0; ++k) {
    const std::size_t cell = static_cast<std::size_t>(k * n_items);
    if (result.cells[0][2][cell] >= 10 && result.cells[1][2][cell] >= 10) continue;
    char line[80];
    std::snprintf(line, sizeof line, "WARNING: Insufficient Data Found in Level: %3d -%3d\r\n",
                  run.level_low[k], run.level_high[k]);
    result.warnings += line;
  }
  return result;
}

void expect_same_as_naive(const RunData& run, const std::vector<std::size_t>& removed,
                          bool own_score) {
  const Counted counted = count(run, match_without(run, removed, own_score));
  const LevelTables& t = counted.tables;
  const NaiveCounts expected = naive_count(run, removed, own_score);
  for (int g = 0; g < 2; ++g)
    for (int r = 0; r < 3; ++r)
      EXPECT_EQ(t.counts[g][r].elements(), expected.cells[g][r])
          << "group " << g << " class " << r << " removed " << removed.size();
  const auto& reference = expected.cells[0][2];
  const auto& focal = expected.cells[1][2];
  for (std::size_t cell = 0; cell < reference.size(); ++cell) {
    EXPECT_EQ(t.size.elements()[cell], reference[cell] + focal[cell]);
    EXPECT_EQ(t.valid.elements()[cell], reference[cell] >= 10 && focal[cell] >= 10 ? 1 : 0);
  }
  EXPECT_EQ(counted.warnings, expected.warnings);
}

std::vector<std::vector<double>> random_scores(std::mt19937& random, int n, int n_items) {
  // Mostly 0 and 1, with some 2s and halves that lie in levels but count in no cell.
  const double values[] = {0, 1, 1, 0, 1, 0, 1, 2, 0.5};
  std::uniform_int_distribution<int> pick(0, 8);
  std::vector<std::vector<double>> scores(n, std::vector<double>(n_items));
  for (auto& row : scores)
    for (double& s : row) s = values[pick(random)];
  return scores;
}

TEST(CountLevels, MatchesTheDefinitionForOverlappingReversedAndGappedLevels) {
  std::mt19937 random(12345);
  // Overlapping (0-4 and 3-8), reversed (9-2), a single score (5-5), negative, and a gap at 9
  // and above 11.
  const std::vector<std::int32_t> low = {0, 3, 9, 5, -3, 10};
  const std::vector<std::int32_t> high = {4, 8, 2, 5, -1, 11};
  RunData run = make_run(low, high, random_scores(random, 300, 9), random_scores(random, 250, 9), 9);
  expect_same_as_naive(run, {}, true);

  // Purified totals: items 2 and 6 are left out and matched on the total plus their own
  // score, the others on the total alone.
  expect_same_as_naive(run, {2, 6}, true);
  // Left out of the totals but matched on them alone.
  expect_same_as_naive(run, {2, 6}, false);
}

TEST(CountLevels, TablesOfZerosAndOnesCountedInWholeNumbersMatchTheDefinition) {
  // Scores of 0 and 1 only take the byte-wise count; a copy of the data with a single 2 takes
  // the general one.
  std::mt19937 random(777);
  std::bernoulli_distribution correct(0.6);
  auto plain_scores = [&](int n, int n_items) {
    std::vector<std::vector<double>> scores(n, std::vector<double>(n_items));
    for (auto& row : scores)
      for (double& s : row) s = correct(random) ? 1.0 : 0.0;
    return scores;
  };
  const std::vector<std::int32_t> low = {0, 3, 9, 5, 2, 0};
  const std::vector<std::int32_t> high = {4, 8, 2, 5, 7, 40};
  const auto reference = plain_scores(400, 37);
  const auto focal = plain_scores(333, 37);
  RunData run = make_run(low, high, reference, focal, 37);
  ASSERT_TRUE(run.reference_responses.plain());
  ASSERT_TRUE(run.focal_responses.plain());
  expect_same_as_naive(run, {}, true);
  expect_same_as_naive(run, {0, 17, 36}, true);
  expect_same_as_naive(run, {17, 3}, false);

  auto changed = reference;
  changed[10][4] = 2.0;
  RunData general = make_run(low, high, changed, focal, 37);
  ASSERT_FALSE(general.reference_responses.plain());
  expect_same_as_naive(general, {0, 17}, true);
}

TEST(CountLevels, OverlapCountsBothReversedLevelHoldsNobody) {
  // Reference and focal: 12 examinees each with total 4 (item 1 correct, then 3 more).
  std::vector<std::vector<double>> rows(12, {1, 1, 1, 1, 0});
  RunData run = make_run({0, 3, 6}, {5, 8, 2}, rows, rows, 5);
  const auto [t, warnings] = count(run);
  for (int k : {0, 1}) {
    EXPECT_EQ(t.counts[kReference][kCorrect](k, 0), 12.0) << k;
    EXPECT_EQ(t.counts[kFocal][kIncorrect](k, 4), 12.0) << k;
    EXPECT_EQ(t.size(k, 0), 24.0) << k;
    EXPECT_EQ(t.valid(k, 0), 1) << k;
  }
  EXPECT_EQ(t.size(2, 0), 0.0);
  EXPECT_EQ(t.valid(2, 0), 0);
  EXPECT_EQ(warnings, "WARNING: Insufficient Data Found in Level:   6 -  2\r\n");
}

TEST(CountLevels, TenOfEachGroupIsValidNineIsNotAndOnlyItemOneWarns) {
  // Level 1 holds totals 0-2, level 2 totals 3-4, level 3 everybody. Reference: 10 in level 1,
  // 10 in level 2; focal: 10 in level 1, 9 in level 2. One reference examinee of level 1
  // scored 2 on item 2: inside the level and the totals, in none of item 2's cells.
  std::vector<std::vector<double>> reference;
  for (int i = 0; i < 10; ++i) reference.push_back({double(i % 2), 0, 0});
  reference[0] = {0, 2, 0};
  for (int i = 0; i < 10; ++i) reference.push_back({1, 1, 1});
  std::vector<std::vector<double>> focal;
  for (int i = 0; i < 10; ++i) focal.push_back({0, double(i % 2), 0});
  for (int i = 0; i < 9; ++i) focal.push_back({1, 1, 1});
  RunData run = make_run({0, 3, -100}, {2, 4, 1000}, reference, focal, 3);
  const auto [t, warnings] = count(run);

  EXPECT_EQ(t.valid(0, 0), 1);  // exactly 10 of each group
  EXPECT_EQ(t.size(0, 0), 20.0);
  EXPECT_EQ(t.counts[kReference][kCorrect](0, 0), 5.0);
  EXPECT_EQ(t.counts[kReference][kBoth](0, 1), 9.0);
  EXPECT_EQ(t.valid(0, 1), 0);  // 9 counted reference examinees on item 2
  EXPECT_EQ(t.size(0, 1), 19.0);
  EXPECT_EQ(t.valid(1, 0), 0);  // 9 focal examinees
  EXPECT_EQ(t.counts[kFocal][kBoth](1, 0), 9.0);
  EXPECT_EQ(t.size(1, 0), 19.0);
  EXPECT_EQ(t.valid(2, 0), 1);
  EXPECT_EQ(t.size(2, 0), 39.0);
  EXPECT_EQ(t.size(2, 1), 38.0);
  // Level 1 is thin only for item 2: no line. Item 1 decides.
  EXPECT_EQ(warnings, "WARNING: Insufficient Data Found in Level:   3 -  4\r\n");
}

TEST(CountLevels, ThinLevelWithOverflowingBoundsWarnsWithAsterisks) {
  std::vector<std::vector<double>> rows(3, {1});
  RunData run = make_run({-100}, {1000}, rows, rows, 1);
  EXPECT_EQ(count(run).warnings, "WARNING: Insufficient Data Found in Level: *** -***\r\n");
}

TEST(CountLevels, NoItemsOrNoLevelsCountNothingAndWarnNothing) {
  RunData no_items = make_run({0, 5}, {4, 3}, {{}, {}}, {{}}, 0);
  EXPECT_EQ(count(no_items).warnings, "");
  RunData no_levels = make_run({}, {}, {{1}, {0}}, {{1}}, 1);
  EXPECT_EQ(count(no_levels).warnings, "");
}

}  // namespace
}  // namespace itemdif::driver

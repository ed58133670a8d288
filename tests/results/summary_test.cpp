// The summary's head: the line of item ranges that appears once an item is scored above 0/1.
#include "results/summary.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "item_values.hpp"

namespace itemdif::results {
namespace {

using testing::item_named;

/// An analysis of one comparison whose items have the given ranges (0-1 ones dichotomous).
stats::DifAnalysis analysis_of(const std::vector<std::pair<int, int>>& ranges) {
  stats::DifAnalysis analysis;
  analysis.reference = {"M", 10};
  analysis.focal = {{"F", 12}};
  stats::Comparison comparison;
  comparison.focal = "F";
  comparison.rounds = {{1, {}}};
  comparison.converged = true;
  for (std::size_t j = 0; j < ranges.size(); ++j) {
    stats::ItemResult item = item_named("q" + std::to_string(j + 1));
    const auto [low, high] = ranges[j];
    item.range = {low, high, high > 1};
    comparison.items.push_back(std::move(item));
  }
  analysis.comparisons.push_back(std::move(comparison));
  return analysis;
}

std::vector<std::string> summary_lines(const stats::DifAnalysis& analysis) {
  RunDescription run;
  run.command = "analyze";
  run.input = "s.csv";
  run.items = analysis.comparisons.empty() ? 0 : analysis.comparisons.front().items.size();
  run.rows_read = 22;
  std::ostringstream out;
  write_summary(out, run, analysis);
  std::vector<std::string> lines;
  std::istringstream in(out.str());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(SummaryItemRanges, CountsByRangeRightAfterTheFirstLine) {
  std::vector<std::pair<int, int>> ranges(25, {1, 6});
  ranges[3] = {0, 1};
  ranges[20] = {0, 1};
  const std::vector<std::string> lines = summary_lines(analysis_of(ranges));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "itemdif analyze s.csv: 25 items, 22 rows");
  EXPECT_EQ(lines[1], "Items: 25 (2 scored 0-1, 23 scored 1-6)");
  EXPECT_EQ(lines[2].rfind("Groups: ", 0), 0u) << lines[2];
}

TEST(SummaryItemRanges, RangesByLowestThenHighestScore) {
  const std::vector<std::string> lines =
      summary_lines(analysis_of({{1, 3}, {0, 4}, {2, 2}, {0, 1}, {0, 2}, {1, 3}, {0, 12}}));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1],
            "Items: 7 (1 scored 0-1, 1 scored 0-2, 1 scored 0-4, 1 scored 0-12, 2 scored 1-3, "
            "1 scored 2-2)");
}

TEST(SummaryItemRanges, NoLineWhenEveryItemIsZeroOne) {
  const std::vector<std::string> lines = summary_lines(analysis_of({{0, 1}, {0, 1}, {0, 1}}));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1].rfind("Groups: ", 0), 0u) << lines[1];
  for (const std::string& line : lines) EXPECT_EQ(line.rfind("Items:", 0), std::string::npos);
}

TEST(SummaryItemRanges, AnAnalysisWithoutComparisonsHasNoLine) {
  stats::DifAnalysis analysis = analysis_of({});
  analysis.comparisons.clear();
  const std::vector<std::string> lines = summary_lines(analysis);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].rfind("Groups: ", 0), 0u) << lines[1];
}

}  // namespace
}  // namespace itemdif::results

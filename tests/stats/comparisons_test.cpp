// Several focal groups: each comparison is the two-group analysis of its groups alone, item
// ranges come from every analysed row, and the threads never change a result.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "stats/dif_analysis.hpp"
#include "stats/method_list.hpp"
#include "stats/scores_builder.hpp"

namespace itemdif::stats {
namespace {

using testing::four_groups;


/// The rows of the reference group and focal group `code` alone, that group coded 1.
data::ItemScores two_groups(const data::ItemScores& s, std::uint8_t code) {
  data::ItemScores out;
  out.item_names = s.item_names;
  out.reference_value = s.reference_value;
  out.focal_values = {s.focal_values[code - 1]};
  for (std::size_t i = 0; i < s.n_examinees; ++i) {
    if (s.group[i] != 0 && s.group[i] != code) continue;
    for (std::size_t j = 0; j < s.n_items(); ++j) out.scores.push_back(s.score(i, j));
    out.group.push_back(s.group[i] == 0 ? 0 : 1);
    ++out.n_examinees;
  }
  out.rows_read = out.n_examinees;
  return out;
}

void expect_same_number(const std::optional<double>& a, const std::optional<double>& b,
                        const std::string& what) {
  ASSERT_EQ(a.has_value(), b.has_value()) << what;
  if (a) {
    EXPECT_EQ(std::memcmp(&*a, &*b, sizeof(double)), 0) << what << ": " << *a << " " << *b;
  }
}

/// Bit for bit the same values, tables and coefficients.
void expect_same_item(const ItemResult& a, const ItemResult& b, const std::string& where) {
  const std::string what = where + " " + a.name;
  EXPECT_EQ(a.name, b.name) << what;
  EXPECT_EQ(a.range.score_min, b.range.score_min) << what;
  EXPECT_EQ(a.range.score_max, b.range.score_max) << what;
  EXPECT_EQ(a.n_reference, b.n_reference) << what;
  EXPECT_EQ(a.n_focal, b.n_focal) << what;
  expect_same_number(a.mean_reference, b.mean_reference, what + " mean_reference");
  expect_same_number(a.mean_focal, b.mean_focal, what + " mean_focal");
  EXPECT_EQ(a.flagged, b.flagged) << what;
  EXPECT_EQ(a.note, b.note) << what;
  ASSERT_EQ(a.methods.size(), b.methods.size()) << what;
  for (std::size_t m = 0; m < a.methods.size(); ++m) {
    ASSERT_EQ(a.methods[m].cells.size(), b.methods[m].cells.size()) << what;
    for (std::size_t c = 0; c < a.methods[m].cells.size(); ++c) {
      const std::string column = what + " " + std::string(methods()[m].columns[c]->name);
      expect_same_number(cell_number(a.cell(m, c)), cell_number(b.cell(m, c)), column);
      EXPECT_EQ(cell_text(a.cell(m, c)), cell_text(b.cell(m, c))) << column;
    }
    const auto& ca = a.methods[m].coefficients;
    const auto& cb = b.methods[m].coefficients;
    ASSERT_EQ(ca.size(), cb.size()) << what;
    for (std::size_t k = 0; k < ca.size(); ++k) {
      const std::string term = what + " " + ca[k].model + " " + ca[k].term;
      EXPECT_EQ(ca[k].model + ca[k].term, cb[k].model + cb[k].term) << term;
      expect_same_number(ca[k].estimate, cb[k].estimate, term);
      expect_same_number(ca[k].se, cb[k].se, term);
      expect_same_number(ca[k].p, cb[k].p, term);
    }
  }
  ASSERT_EQ(a.levels.size(), b.levels.size()) << what;
  for (std::size_t k = 0; k < a.levels.size(); ++k) {
    const LevelTable& x = a.levels[k];
    const LevelTable& y = b.levels[k];
    EXPECT_EQ(x.low, y.low) << what;
    EXPECT_EQ(x.high, y.high) << what;
    EXPECT_EQ(x.used, y.used) << what;
    ASSERT_EQ(x.groups(), 2u) << what;
    ASSERT_EQ(y.groups(), 2u) << what;
    for (std::size_t g = 0; g < 2; ++g)
      for (int score = x.score_min(); score <= x.score_max(); ++score)
        EXPECT_EQ(x.count(g, score), y.count(g, score)) << what << " level " << k;
  }
}

void expect_same_comparison(const Comparison& a, const Comparison& b, const std::string& where) {
  EXPECT_EQ(a.focal, b.focal) << where;
  EXPECT_EQ(a.converged, b.converged) << where;
  ASSERT_EQ(a.rounds.size(), b.rounds.size()) << where;
  for (std::size_t r = 0; r < a.rounds.size(); ++r)
    EXPECT_EQ(a.rounds[r].flagged, b.rounds[r].flagged) << where << " round " << r + 1;
  ASSERT_EQ(a.items.size(), b.items.size()) << where;
  for (std::size_t j = 0; j < a.items.size(); ++j) expect_same_item(a.items[j], b.items[j], where);
}

AnalyzeOptions adjusted() {
  AnalyzeOptions o;
  o.adjust = Adjust::holm;
  o.min_per_group = 3;
  return o;
}

TEST(Comparisons, EachIsTheAnalysisOfItsTwoGroupsAlone) {
  const data::ItemScores s = four_groups(11);
  for (const MissingPolicy missing :
       {MissingPolicy::excluded, MissingPolicy::incorrect, MissingPolicy::listwise}) {
    AnalyzeOptions o = adjusted();
    o.missing = missing;
    const DifAnalysis all = analyze_scores(s, o);
    ASSERT_EQ(all.comparisons.size(), 3u);
    for (std::uint8_t code = 1; code <= 3; ++code) {
      const DifAnalysis alone = analyze_scores(two_groups(s, code), o);
      ASSERT_EQ(alone.comparisons.size(), 1u);
      const std::string where = "focal " + s.focal_values[code - 1] + ", missing policy " +
                                std::to_string(static_cast<int>(missing));
      // Ranges are those of the pair here (the data make sure of it), so all must agree.
      expect_same_comparison(all.comparisons[code - 1], alone.comparisons[0], where);
      EXPECT_EQ(all.focal[code - 1].n, alone.focal[0].n) << where;
    }
  }
}

TEST(Comparisons, TheFirstComparisonFlagsItsOwnItem) {
  // Not a check of the numbers but of the data: the comparison above is of items with DIF.
  const DifAnalysis a = analyze_scores(four_groups(11), adjusted());
  EXPECT_TRUE(a.comparisons[0].items[0].flagged);
  EXPECT_FALSE(a.comparisons[1].items[0].flagged);
  EXPECT_TRUE(a.comparisons[2].items[1].flagged);
}

TEST(Comparisons, GroupsAreListedWithTheirSizes) {
  data::ItemScores s = four_groups(3);
  AnalyzeOptions o = adjusted();
  o.missing = MissingPolicy::listwise;
  const DifAnalysis a = analyze_scores(s, o);
  std::size_t complete[4] = {0, 0, 0, 0};
  std::size_t left_out = 0;
  for (std::size_t i = 0; i < s.n_examinees; ++i) {
    bool any_missing = false;
    for (std::size_t j = 0; j < s.n_items(); ++j) any_missing |= s.score(i, j) == data::kMissing;
    if (any_missing)
      ++left_out;
    else
      ++complete[s.group[i]];
  }
  EXPECT_GT(left_out, 0u);
  EXPECT_EQ(a.listwise_left_out, left_out);
  EXPECT_EQ(a.reference.value, "R");
  EXPECT_EQ(a.reference.n, complete[0]);
  ASSERT_EQ(a.focal.size(), 3u);
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(a.focal[k].value, s.focal_values[k]);
    EXPECT_EQ(a.focal[k].n, complete[k + 1]);
    EXPECT_EQ(a.comparisons[k].focal, s.focal_values[k]);
  }
}

TEST(Comparisons, RangesComeFromEveryAnalysedRow) {
  // q1 reaches 3 in focal group 2 alone; q2 is 0/1 everywhere.
  data::ItemScores s = testing::make_scores({{0, "10", 3}, {0, "21", 3}, {0, "00", 2},
                                             {1, "11", 2}, {1, "20", 3}, {1, "00", 2},
                                             {2, "31", 2}, {2, "10", 3}});
  s.focal_values = {"A", "B"};
  const DifAnalysis a = analyze_scores(s, adjusted());
  for (const Comparison& comparison : a.comparisons) {
    const ItemResult& q1 = comparison.items[0];
    EXPECT_TRUE(q1.range.polytomous) << comparison.focal;
    EXPECT_EQ(q1.range.score_min, 0) << comparison.focal;
    EXPECT_EQ(q1.range.score_max, 3) << comparison.focal;
    // Every level lists every score of the range, 3 too where no examinee of the pair has it.
    for (const LevelTable& level : q1.levels) EXPECT_EQ(level.score_max(), 3);
    EXPECT_FALSE(comparison.items[1].range.polytomous) << comparison.focal;
  }
  // The pair of the reference group and A alone would score q1 on 0..2.
  data::ItemScores pair = s;
  pair.focal_values = {"A"};
  std::size_t kept = 0;
  pair.scores.clear();
  pair.group.clear();
  for (std::size_t i = 0; i < s.n_examinees; ++i) {
    if (s.group[i] == 2) continue;
    pair.scores.push_back(s.score(i, 0));
    pair.scores.push_back(s.score(i, 1));
    pair.group.push_back(s.group[i]);
    ++kept;
  }
  pair.n_examinees = kept;
  EXPECT_EQ(analyze_scores(pair, adjusted()).comparisons[0].items[0].range.score_max, 2);
  // The focal group's counts hold the pair's examinees only: 7 of A, none of B.
  EXPECT_EQ(a.comparisons[0].items[0].n_focal, 7u);
  EXPECT_EQ(a.comparisons[1].items[0].n_focal, 5u);
  EXPECT_EQ(a.comparisons[0].items[0].n_reference, 8u);
}

TEST(Comparisons, ThreadsDoNotChangeTheResults) {
  const data::ItemScores s = four_groups(5);
  AnalyzeOptions o = adjusted();
  o.threads = 1;
  const DifAnalysis one = analyze_scores(s, o);
  for (const unsigned threads : {2u, 3u, 5u, 8u, 0u}) {
    o.threads = threads;
    std::mutex guard;
    bool inside = false;
    bool overlapped = false;
    std::size_t reports = 0;
    const DifAnalysis many = analyze_scores(s, o, [&](int, std::size_t, std::size_t) {
      // Reports never overlap, whichever comparison they come from.
      {
        const std::lock_guard<std::mutex> lock(guard);
        overlapped |= inside;
        inside = true;
      }
      ++reports;
      const std::lock_guard<std::mutex> lock(guard);
      inside = false;
    });
    EXPECT_FALSE(overlapped) << threads;
    std::size_t expected_reports = 0;
    for (const Comparison& comparison : one.comparisons)
      expected_reports += comparison.rounds.size() * (s.n_items() + 1);
    ASSERT_TRUE(one.overall.has_value());
    ASSERT_TRUE(many.overall.has_value());
    expected_reports += one.overall->rounds.size() * (s.n_items() + 1);
    EXPECT_EQ(reports, expected_reports) << threads;
    ASSERT_EQ(many.comparisons.size(), one.comparisons.size());
    for (std::size_t k = 0; k < one.comparisons.size(); ++k)
      expect_same_comparison(many.comparisons[k], one.comparisons[k],
                             std::to_string(threads) + " threads, comparison " + std::to_string(k));
    const OverallAnalysis& a = *many.overall;
    const OverallAnalysis& b = *one.overall;
    ASSERT_EQ(a.rounds.size(), b.rounds.size()) << threads;
    for (std::size_t r = 0; r < a.rounds.size(); ++r)
      EXPECT_EQ(a.rounds[r].flagged, b.rounds[r].flagged) << threads;
    ASSERT_EQ(a.items.size(), b.items.size());
    for (std::size_t j = 0; j < a.items.size(); ++j)
      for (const Method& method : methods())
        for (const Column* column : method.overall_columns) {
          const std::string what = std::to_string(threads) + " threads, overall " +
                                   a.items[j].name + " " + std::string(column->name);
          expect_same_number(a.items[j].number(*column), b.items[j].number(*column), what);
          EXPECT_EQ(a.items[j].text(*column), b.items[j].text(*column)) << what;
        }
  }
}

TEST(Comparisons, AGroupCodeBeyondTheFocalValuesIsRefused) {
  data::ItemScores s = four_groups(5);
  s.focal_values = {"A", "B"};
  try {
    analyze_scores(s, adjusted());
    FAIL() << "no error";
  } catch (const data::InputError& error) {
    EXPECT_STREQ(error.what(), "examinee 831: group code 3 is none of the analysis's 3 groups");
  }
}

}  // namespace
}  // namespace itemdif::stats

// The whole analysis on small data sets whose tables and statistics reference_values.py works
// out from the definitions with exact fractions (its printed values are quoted here).
#include "stats/dif_analysis.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "stats/method_list.hpp"
#include "stats/p_adjust.hpp"
#include "stats/scores_builder.hpp"
#include "support/thrown.hpp"

namespace itemdif::stats {
namespace {

using testing::data_set_1;
using testing::data_set_2;
using testing::single_table;

using Table = std::vector<std::vector<double>>;

/// The logistic regression's coefficients of an item.
const std::vector<Coefficient>& coefficients_of(const ItemResult& item) {
  return item.methods[*method_position("lr")].coefficients;
}

/// The 2x2 tables of a 0/1 item's levels: A, B, C, D.
Table rows_of(const ItemResult& item) {
  Table t;
  for (const LevelTable& level : item.levels) {
    const TwoByTwo cells = level.two_by_two();
    t.push_back({cells.a, cells.b, cells.c, cells.d});
  }
  return t;
}

std::vector<bool> used_of(const ItemResult& item) {
  std::vector<bool> u;
  for (const LevelTable& level : item.levels) u.push_back(level.used);
  return u;
}

AnalyzeOptions one_round() {
  AnalyzeOptions o;
  o.purify = PurifyMode::none;
  return o;
}

AnalyzeOptions with_bounds(std::vector<std::pair<int, int>> bounds) {
  AnalyzeOptions o = one_round();
  o.levels.kind = LevelSpec::Kind::bounds;
  o.levels.bounds = std::move(bounds);
  return o;
}

void expect_close(const std::optional<double>& actual, double expected) {
  ASSERT_TRUE(actual.has_value());
  EXPECT_NEAR(*actual, expected, 1e-13 * std::max(1.0, std::fabs(expected)));
}

TEST(Analysis, ThinLevelsOfTheFirstDataSet) {
  const DifAnalysis a = analyze_scores(data_set_1(), AnalyzeOptions{});
  EXPECT_EQ(a.reference.n, 24u);
  EXPECT_EQ(a.focal[0].n, 20u);
  ASSERT_EQ(a.comparisons[0].items.size(), 3u);
  const ItemResult& q1 = a.comparisons[0].items[0];
  EXPECT_EQ(q1.name, "q1");
  EXPECT_EQ(rows_of(q1), (Table{{0, 3, 0, 4}, {4, 3, 2, 5}, {8, 2, 3, 4}, {4, 0, 2, 0}}));
  EXPECT_EQ(q1.levels[2].low, 2);
  EXPECT_EQ(q1.levels[2].high, 2);
  EXPECT_EQ(q1.n_reference, 24u);
  EXPECT_EQ(q1.n_focal, 20u);
  EXPECT_DOUBLE_EQ(*q1.mean_reference, 16.0 / 24);
  EXPECT_DOUBLE_EQ(*q1.mean_focal, 7.0 / 20);
  expect_close(q1.number("mh_alpha"), 394.0 / 93);
  expect_close(q1.number("mh_chi_square"), 20631.0 / 9629);
  expect_close(q1.number("mh_p"), 0.143259838182899);
  expect_close(q1.number("mh_d_dif"), -3.392815827939993);
  expect_close(q1.number("mh_d_dif_se"), 1.8499835782196046);
  expect_close(q1.number("mh_alpha_low"), 0.9055749160526347);
  expect_close(q1.number("mh_alpha_high"), 19.81993209698417);
  EXPECT_EQ(q1.text("ets_class"), "A");  // large D-DIF, but p >= 0.05
  expect_close(q1.number("mh_p_adjusted"), *q1.number("mh_p"));

  const ItemResult& q3 = a.comparisons[0].items[2];
  EXPECT_EQ(rows_of(q3), (Table{{0, 3, 0, 4}, {1, 6, 2, 5}, {5, 5, 5, 2}, {4, 0, 2, 0}}));
  expect_close(q3.number("mh_alpha"), 225.0 / 554);
  expect_close(q3.number("mh_chi_square"), 5850.0 / 12731);
  expect_close(q3.number("mh_p"), 0.4978538656382617);
  expect_close(q3.number("mh_d_dif"), 2.11750106867573);
  expect_close(q3.number("mh_d_dif_se"), 1.9551677348037402);
  expect_close(q3.number("mh_alpha_low"), 0.0795215342850803);
  expect_close(q3.number("mh_alpha_high"), 2.074248363090673);

  ASSERT_EQ(a.comparisons[0].rounds.size(), 1u);  // nothing flagged: converged after round 1
  EXPECT_TRUE(a.comparisons[0].rounds[0].flagged.empty());
  EXPECT_TRUE(a.comparisons[0].converged);
}

TEST(Analysis, ExplicitLevelsWithAReversedOne) {
  const DifAnalysis a = analyze_scores(data_set_1(), with_bounds({{0, 1}, {9, 4}, {2, 3}}));
  const ItemResult& q2 = a.comparisons[0].items[1];
  EXPECT_EQ(rows_of(q2), (Table{{2, 8, 3, 8}, {11, 3, 8, 1}}));
  EXPECT_EQ(q2.levels[1].low, 2);
  EXPECT_EQ(q2.levels[1].high, 3);
  expect_close(q2.number("mh_alpha"), 599.0 / 1056);
  expect_close(q2.number("mh_chi_square"), 2043371.0 / 18687472);
  expect_close(q2.number("mh_p"), 0.7408917291195667);
  expect_close(q2.number("mh_d_dif_se"), 1.8658681047324928);
}

TEST(Analysis, AScoreInNoLevelLeavesTheExamineeOutOfTheTablesOnly) {
  const DifAnalysis a = analyze_scores(data_set_1(), with_bounds({{0, 0}, {2, 3}}));
  const ItemResult& q1 = a.comparisons[0].items[0];
  // Score 1 (7 reference, 7 focal examinees) is in no level.
  EXPECT_EQ(rows_of(q1), (Table{{0, 3, 0, 4}, {12, 2, 5, 4}}));
  EXPECT_EQ(q1.n_reference, 24u);
  EXPECT_EQ(q1.n_focal, 20u);
  EXPECT_DOUBLE_EQ(*q1.mean_focal, 7.0 / 20);
}

TEST(Analysis, MinPerGroupChoosesTheUsedLevels) {
  AnalyzeOptions o = with_bounds({{0, 1}, {2, 3}});
  o.min_per_group = 10;  // level 2-3 has 9 focal examinees
  const ItemResult q2 = analyze_scores(data_set_1(), o).comparisons[0].items[1];
  EXPECT_EQ(used_of(q2), (std::vector<bool>{true, false}));
  // One table 2, 8, 3, 8: alpha = 16/24; E = 5*10/21, |A - E| = 8/21 < 1/2 (no correction);
  // V = 10*11*5*16 / (21^2 * 20) = 440/441; chi-square = (64/441) / (440/441) = 8/55.
  expect_close(q2.number("mh_alpha"), 2.0 / 3);
  expect_close(q2.number("mh_chi_square"), 8.0 / 55);
  EXPECT_EQ(rows_of(q2)[1], (std::vector<double>{11, 3, 8, 1}));  // listed though not used

  AnalyzeOptions thin = one_round();
  thin.min_per_group = 7;
  const ItemResult q1 = analyze_scores(data_set_1(), thin).comparisons[0].items[0];
  EXPECT_EQ(used_of(q1), (std::vector<bool>{false, true, true, false}));
  thin.min_per_group = 8;
  const ItemResult none_used = analyze_scores(data_set_1(), thin).comparisons[0].items[0];
  EXPECT_FALSE(none_used.number("mh_chi_square"));
  EXPECT_FALSE(none_used.number("mh_p_adjusted"));
  EXPECT_NE(none_used.note.find("no used level"), std::string::npos);
  EXPECT_EQ(none_used.n_reference, 24u);
}

TEST(Analysis, MoreLevelsThanScoresGiveTheThinLevels) {
  AnalyzeOptions o = one_round();
  o.levels.kind = LevelSpec::Kind::equal_width;
  o.levels.count = 6;  // m = 3: levels 0-(-1), 0-0, 1-1, 2-1, 2-2, 3-3
  const DifAnalysis wide = analyze_scores(data_set_1(), o);
  const DifAnalysis thin = analyze_scores(data_set_1(), one_round());
  for (std::size_t j = 0; j < 3; ++j) {
    EXPECT_EQ(rows_of(wide.comparisons[0].items[j]), rows_of(thin.comparisons[0].items[j]));
    EXPECT_EQ(*wide.comparisons[0].items[j].number("mh_chi_square"), *thin.comparisons[0].items[j].number("mh_chi_square"));
  }
  o.levels.count = 2;
  EXPECT_EQ(rows_of(analyze_scores(data_set_1(), o).comparisons[0].items[1]),
            (Table{{2, 8, 3, 8}, {11, 3, 8, 1}}));
}

struct PolicyCase {
  MissingPolicy policy;
  Table q1, q2;
  std::size_t n_ref, n_foc;
  double p_ref_q1, p_foc_q2;
  double alpha_q1, chi_q1, alpha_q2, chi_q2;
};

class MissingPolicies : public ::testing::TestWithParam<PolicyCase> {};

TEST_P(MissingPolicies, TablesCountsAndStatistics) {
  const PolicyCase& c = GetParam();
  AnalyzeOptions o = one_round();
  o.missing = c.policy;
  const DifAnalysis a = analyze_scores(data_set_2(), o);
  EXPECT_EQ(rows_of(a.comparisons[0].items[0]), c.q1);
  EXPECT_EQ(rows_of(a.comparisons[0].items[1]), c.q2);
  EXPECT_EQ(a.comparisons[0].items[0].n_reference, c.n_ref);
  EXPECT_EQ(a.comparisons[0].items[0].n_focal, c.n_foc);
  EXPECT_DOUBLE_EQ(*a.comparisons[0].items[0].mean_reference, c.p_ref_q1);
  EXPECT_DOUBLE_EQ(*a.comparisons[0].items[1].mean_focal, c.p_foc_q2);
  expect_close(a.comparisons[0].items[0].number("mh_alpha"), c.alpha_q1);
  expect_close(a.comparisons[0].items[0].number("mh_chi_square"), c.chi_q1);
  expect_close(a.comparisons[0].items[1].number("mh_alpha"), c.alpha_q2);
  expect_close(a.comparisons[0].items[1].number("mh_chi_square"), c.chi_q2);
  const bool listwise = c.policy == MissingPolicy::listwise;
  EXPECT_EQ(a.listwise_left_out, listwise ? 9u : 0u);
  EXPECT_EQ(a.reference.n, listwise ? 15u : 20u);
  EXPECT_EQ(a.focal[0].n, listwise ? 13u : 17u);
}

INSTANTIATE_TEST_SUITE_P(
    DataSet2, MissingPolicies,
    ::testing::Values(
        PolicyCase{MissingPolicy::excluded,
                   {{0, 3, 0, 3}, {2, 3, 3, 3}, {7, 0, 2, 2}, {3, 0, 2, 0}},
                   {{0, 3, 0, 4}, {2, 1, 3, 3}, {7, 2, 3, 0}, {3, 0, 2, 0}},
                   18, 15, 12.0 / 18, 8.0 / 15, 20.0 / 9, 605.0 / 2808, 4.0 / 5, 11.0 / 355},
        PolicyCase{MissingPolicy::incorrect,
                   {{0, 3, 0, 5}, {2, 3, 3, 3}, {7, 2, 2, 2}, {3, 0, 2, 0}},
                   {{0, 3, 0, 5}, {2, 3, 3, 3}, {7, 2, 3, 1}, {3, 0, 2, 0}},
                   20, 17, 12.0 / 20, 8.0 / 17, 232.0 / 161, 5041.0 / 28278, 155.0 / 183,
                   196.0 / 6525},
        PolicyCase{MissingPolicy::listwise,
                   {{0, 3, 0, 2}, {0, 3, 3, 3}, {6, 0, 1, 2}, {3, 0, 2, 0}},
                   {{0, 3, 0, 2}, {2, 1, 3, 3}, {4, 2, 3, 0}, {3, 0, 2, 0}},
                   15, 13, 9.0 / 15, 8.0 / 13, 4.0 / 3, 1.0 / 8, 2.0 / 3, 2.0 / 17}));

TEST(Analysis, UndefinedValuesHaveNotesAndTheRunGoesOn) {
  // q2 is answered incorrectly by everyone: no variance.
  const DifAnalysis zero = analyze_scores(single_table(0, 3, 2, 2), with_bounds({{0, 2}}));
  const ItemResult& q1 = zero.comparisons[0].items[0];
  EXPECT_FALSE(q1.number("mh_alpha"));
  EXPECT_TRUE(q1.text("ets_class").empty());
  EXPECT_TRUE(q1.number("mh_chi_square"));
  EXPECT_TRUE(q1.number("mh_p_adjusted"));
  EXPECT_FALSE(q1.flagged);
  EXPECT_NE(q1.note.find("odds ratio is 0"), std::string::npos);
  const ItemResult& q2 = zero.comparisons[0].items[1];
  EXPECT_FALSE(q2.number("mh_chi_square"));
  EXPECT_FALSE(q2.number("mh_p"));
  EXPECT_NE(q2.note.find("no variance"), std::string::npos);
  EXPECT_DOUBLE_EQ(*q2.mean_reference, 0.0);

  // No focal examinee answered q1.
  const data::ItemScores only_reference =
      testing::make_scores({{0, "1", 3}, {0, "0", 2}, {1, ".", 4}});
  const ItemResult lone = analyze_scores(only_reference, one_round()).comparisons[0].items[0];
  EXPECT_EQ(lone.n_focal, 0u);
  EXPECT_FALSE(lone.mean_focal);
  EXPECT_NE(lone.note.find("no focal examinee"), std::string::npos);
  EXPECT_NE(lone.note.find("no used level"), std::string::npos);
}

TEST(Analysis, ContinuityRuleAtItsBoundary) {
  // |A - E| = 1/2 exactly: corrected to chi-square 0; 1/3: uncorrected, chi-square 1/2.
  const auto at = analyze_scores(single_table(1, 1, 0, 2), with_bounds({{0, 2}})).comparisons[0].items[0];
  EXPECT_EQ(*at.number("mh_chi_square"), 0.0);
  const auto below = analyze_scores(single_table(1, 0, 1, 1), with_bounds({{0, 2}})).comparisons[0].items[0];
  EXPECT_DOUBLE_EQ(*below.number("mh_chi_square"), 0.5);
}

/// Two-parameter logistic responses with uniform DIF against the focal group on item 0 and
/// in its favour on item 1; a fixed seed.
data::ItemScores simulated(int per_group, int items, unsigned seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> normal(0.0, 1.0);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  std::vector<double> slope(static_cast<std::size_t>(items)), difficulty(slope.size());
  for (std::size_t j = 0; j < slope.size(); ++j) {
    slope[j] = 0.8 + 0.8 * uniform(random);
    difficulty[j] = normal(random);
  }
  data::ItemScores s;
  for (int j = 0; j < items; ++j) s.item_names.push_back("i" + std::to_string(j));
  for (int g = 0; g < 2; ++g)
    for (int i = 0; i < per_group; ++i) {
      const double theta = normal(random);
      for (std::size_t j = 0; j < slope.size(); ++j) {
        double b = difficulty[j];
        if (g == 1 && j == 0) b += 1.2;
        if (g == 1 && j == 1) b -= 1.0;
        const double p = 1.0 / (1.0 + std::exp(-1.7 * slope[j] * (theta - b)));
        s.scores.push_back(uniform(random) < p ? 1 : 0);
      }
      s.group.push_back(static_cast<std::uint8_t>(g));
      ++s.n_examinees;
    }
  return s;
}

/// The data set with only the listed items, in their order.
data::ItemScores keep_items(const data::ItemScores& s, const std::vector<std::size_t>& items) {
  data::ItemScores out = s;
  out.item_names.clear();
  out.scores.clear();
  for (std::size_t j : items) out.item_names.push_back(s.item_names[j]);
  for (std::size_t i = 0; i < s.n_examinees; ++i)
    for (std::size_t j : items) out.scores.push_back(s.score(i, j));
  return out;
}

TEST(Analysis, SecondRoundMatchesWithoutTheFlaggedItems) {
  const data::ItemScores s = simulated(600, 12, 7);
  AnalyzeOptions o;
  o.purify = PurifyMode::two_pass;
  const DifAnalysis a = analyze_scores(s, o);
  ASSERT_EQ(a.comparisons[0].rounds.size(), 2u);
  const std::vector<std::size_t>& first = a.comparisons[0].rounds[0].flagged;
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first[0], 0u);
  EXPECT_EQ(first[1], 1u);
  EXPECT_EQ(a.comparisons[0].converged, a.comparisons[0].rounds[1].flagged == first);

  std::vector<std::size_t> matched;
  for (std::size_t j = 0; j < 12; ++j)
    if (std::find(first.begin(), first.end(), j) == first.end()) matched.push_back(j);
  // An item matched on: the same as a one-round analysis of the matching items alone.
  const DifAnalysis reduced = analyze_scores(keep_items(s, matched), one_round());
  for (std::size_t k = 0; k < matched.size(); ++k) {
    const ItemResult& full = a.comparisons[0].items[matched[k]];
    EXPECT_EQ(rows_of(full), rows_of(reduced.comparisons[0].items[k])) << full.name;
    EXPECT_EQ(full.number("mh_chi_square"), reduced.comparisons[0].items[k].number("mh_chi_square")) << full.name;
    EXPECT_EQ(full.levels.size(), matched.size() + 1);
  }
  // A flagged item: matched on the matching items plus its own score.
  std::vector<std::size_t> with_own = matched;
  with_own.push_back(first[0]);
  const DifAnalysis own = analyze_scores(keep_items(s, with_own), one_round());
  EXPECT_EQ(rows_of(a.comparisons[0].items[first[0]]), rows_of(own.comparisons[0].items.back()));
  EXPECT_EQ(a.comparisons[0].items[first[0]].number("mh_alpha"), own.comparisons[0].items.back().number("mh_alpha"));
  EXPECT_EQ(a.comparisons[0].items[first[0]].levels.size(), matched.size() + 2);
  EXPECT_EQ(a.comparisons[0].items[0].text("ets_class")[0], 'C');
  EXPECT_EQ(a.comparisons[0].items[0].text("ets_class")[1], '-');
  EXPECT_EQ(a.comparisons[0].items[1].text("ets_class")[1], '+');
}

TEST(Analysis, IterativePurificationConvergesAndFlagsTheLastRound) {
  const data::ItemScores s = simulated(600, 12, 7);
  const DifAnalysis a = analyze_scores(s, AnalyzeOptions{});
  ASSERT_GE(a.comparisons[0].rounds.size(), 2u);
  EXPECT_TRUE(a.comparisons[0].converged);
  EXPECT_EQ(a.comparisons[0].rounds.back().flagged, a.comparisons[0].rounds[a.comparisons[0].rounds.size() - 2].flagged);
  for (std::size_t j = 0; j < a.comparisons[0].items.size(); ++j) {
    const bool listed = std::find(a.comparisons[0].rounds.back().flagged.begin(), a.comparisons[0].rounds.back().flagged.end(),
                                  j) != a.comparisons[0].rounds.back().flagged.end();
    EXPECT_EQ(a.comparisons[0].items[j].flagged, listed);
  }
  AnalyzeOptions limited;
  limited.max_rounds = 1;
  const DifAnalysis one = analyze_scores(s, limited);
  EXPECT_EQ(one.comparisons[0].rounds.size(), 1u);
  EXPECT_FALSE(one.comparisons[0].converged);
}

TEST(Analysis, AdjustedPValuesAndThePFlagRule) {
  const data::ItemScores s = simulated(300, 8, 11);
  AnalyzeOptions o = one_round();
  o.adjust = Adjust::holm;
  o.flag = "p";
  const DifAnalysis a = analyze_scores(s, o);
  std::vector<std::optional<double>> p;
  for (const ItemResult& item : a.comparisons[0].items) p.push_back(item.number("mh_p"));
  const auto holm = adjust_p(p, Adjust::holm);
  for (std::size_t j = 0; j < a.comparisons[0].items.size(); ++j) {
    EXPECT_EQ(a.comparisons[0].items[j].number("mh_p_adjusted"), holm[j]);
    EXPECT_EQ(a.comparisons[0].items[j].flagged, *holm[j] < 0.05);
  }
  EXPECT_TRUE(a.comparisons[0].items[0].flagged);
  o.adjust = Adjust::none;
  const DifAnalysis unadjusted = analyze_scores(s, o);
  for (const ItemResult& item : unadjusted.comparisons[0].items)
    EXPECT_EQ(item.number("mh_p_adjusted"), item.number("mh_p"));
}

TEST(Analysis, LogisticPValuesAreAdjustedAcrossTheItemsToo) {
  const data::ItemScores s = simulated(300, 8, 11);
  AnalyzeOptions o = one_round();
  for (Adjust method : {Adjust::holm, Adjust::bh}) {
    o.adjust = method;
    const DifAnalysis a = analyze_scores(s, o);
    std::vector<std::optional<double>> p;
    for (const ItemResult& item : a.comparisons[0].items) p.push_back(item.number("lr_p"));
    const auto adjusted = adjust_p(p, method);
    for (std::size_t j = 0; j < a.comparisons[0].items.size(); ++j) {
      ASSERT_TRUE(a.comparisons[0].items[j].number("lr_p").has_value()) << a.comparisons[0].items[j].note;
      EXPECT_EQ(a.comparisons[0].items[j].number("lr_p_adjusted"), adjusted[j]);
    }
    EXPECT_GT(*a.comparisons[0].items[3].number("lr_p_adjusted"), *a.comparisons[0].items[3].number("lr_p"));
  }
  o.adjust = Adjust::none;
  const DifAnalysis unadjusted = analyze_scores(s, o);
  for (const ItemResult& item : unadjusted.comparisons[0].items)
    EXPECT_EQ(item.number("lr_p_adjusted"), item.number("lr_p"));
}

TEST(Analysis, PlantedDifShowsInEveryMethod) {
  const DifAnalysis a = analyze_scores(simulated(600, 12, 7), AnalyzeOptions{});
  const ItemResult& harder = a.comparisons[0].items[0];  // harder for the focal group
  EXPECT_LT(*harder.number("std_p_dif"), -0.05);
  EXPECT_EQ(harder.text("std_class").back(), '-');
  EXPECT_LT(*harder.number("lr_uniform_p"), 1e-10);
  EXPECT_GT(*harder.number("lr_uniform_delta_r2"), 0.0);
  EXPECT_GT(*a.comparisons[0].items[1].number("std_p_dif"), 0.05);  // easier for it
  EXPECT_EQ(a.comparisons[0].items[1].text("std_class").back(), '+');
  // A DIF-free item: no uniform or nonuniform evidence to speak of.
  const ItemResult& plain = a.comparisons[0].items[5];
  EXPECT_LT(std::fabs(*plain.number("std_p_dif")), 0.05);
  EXPECT_GT(*plain.number("lr_p"), 1e-3);
  ASSERT_TRUE(plain.number("bd_df").has_value());
  EXPECT_GE(*plain.number("bd_df"), 5);
  EXPECT_EQ(coefficients_of(plain).size(), 9u);
}

TEST(Analysis, OnlyTheMethodsAskedForAreComputed) {
  AnalyzeOptions o = one_round();
  o.methods = {0};
  const DifAnalysis mh_only = analyze_scores(simulated(200, 6, 5), o);
  for (const ItemResult& item : mh_only.comparisons[0].items) {
    EXPECT_TRUE(item.number("mh_p").has_value());
    EXPECT_FALSE(item.number("std_p_dif") || item.number("bd_chi_square") || item.number("lr_chi_square") ||
                 item.number("lr_p_adjusted"));
    EXPECT_TRUE(coefficients_of(item).empty());
  }
  o.methods = {0, *method_position("bd")};
  const ItemResult item = analyze_scores(simulated(200, 6, 5), o).comparisons[0].items[2];
  EXPECT_TRUE(item.number("bd_chi_square").has_value());
  EXPECT_FALSE(item.number("std_p_dif") || item.number("lr_chi_square"));
}

void expect_same(const std::optional<double>& a, const std::optional<double>& b,
                 const std::string& what) {
  ASSERT_EQ(a.has_value(), b.has_value()) << what;
  // Bit for bit: the same operations in the same order, whichever thread ran them.
  if (a) {
    EXPECT_EQ(std::memcmp(&*a, &*b, sizeof(double)), 0) << what << " " << *a << " " << *b;
  }
}

void expect_same_item(const ItemResult& a, const ItemResult& b) {
  const std::string& n = a.name;
  EXPECT_EQ(a.name, b.name);
  EXPECT_EQ(a.n_reference, b.n_reference);
  EXPECT_EQ(a.n_focal, b.n_focal);
  expect_same(a.mean_reference, b.mean_reference, n + " p_reference");
  expect_same(a.mean_focal, b.mean_focal, n + " p_focal");
  ASSERT_EQ(a.methods.size(), b.methods.size()) << n;
  for (std::size_t m = 0; m < a.methods.size(); ++m) {
    const Method& method = methods()[m];
    ASSERT_EQ(a.methods[m].cells.size(), b.methods[m].cells.size()) << n << " " << method.name;
    for (std::size_t c = 0; c < a.methods[m].cells.size(); ++c) {
      const std::string what = n + " " + std::string(method.columns[c]->name);
      expect_same(cell_number(a.cell(m, c)), cell_number(b.cell(m, c)), what);
      EXPECT_EQ(cell_text(a.cell(m, c)), cell_text(b.cell(m, c))) << what;
    }
    const std::vector<Coefficient>& ca = a.methods[m].coefficients;
    const std::vector<Coefficient>& cb = b.methods[m].coefficients;
    ASSERT_EQ(ca.size(), cb.size()) << n;
    for (std::size_t k = 0; k < ca.size(); ++k) {
      const Coefficient& x = ca[k];
      const Coefficient& y = cb[k];
      EXPECT_EQ(x.model + x.term, y.model + y.term);
      expect_same(x.estimate, y.estimate, n + " estimate " + x.model + " " + x.term);
      expect_same(x.se, y.se, n + " se");
      expect_same(x.z, y.z, n + " z");
      expect_same(x.p, y.p, n + " p");
    }
  }
  EXPECT_EQ(a.flagged, b.flagged);
  EXPECT_EQ(a.note, b.note);
  EXPECT_EQ(rows_of(a), rows_of(b));
  EXPECT_EQ(used_of(a), used_of(b));
}

TEST(Analysis, ThreadsDoNotChangeTheResults) {
  data::ItemScores s = simulated(1500, 15, 3);
  // Missing responses and an item nobody in the focal group answers vary the paths taken.
  std::mt19937 random(5);
  for (std::uint8_t& x : s.scores)
    if (random() % 50 == 0) x = data::kMissing;
  for (std::size_t i = 0; i < s.n_examinees; ++i)
    if (s.group[i] == 1) s.scores[i * 15 + 14] = data::kMissing;
  AnalyzeOptions o;
  o.adjust = Adjust::bh;
  o.min_per_group = 5;
  o.threads = 1;
  const DifAnalysis one = analyze_scores(s, o);
  o.threads = 3;
  std::size_t reports = 0;
  const DifAnalysis three =
      analyze_scores(s, o, [&](int, std::size_t, std::size_t) { ++reports; });
  // The callback is serialised, so a plain counter sees every report: 0..15 of each round.
  EXPECT_EQ(reports, one.comparisons[0].rounds.size() * 16);
  ASSERT_EQ(one.comparisons[0].items.size(), three.comparisons[0].items.size());
  EXPECT_EQ(one.comparisons[0].rounds.size(), three.comparisons[0].rounds.size());
  EXPECT_EQ(one.comparisons[0].converged, three.comparisons[0].converged);
  for (std::size_t r = 0; r < one.comparisons[0].rounds.size(); ++r)
    EXPECT_EQ(one.comparisons[0].rounds[r].flagged, three.comparisons[0].rounds[r].flagged);
  for (std::size_t j = 0; j < one.comparisons[0].items.size(); ++j) expect_same_item(one.comparisons[0].items[j], three.comparisons[0].items[j]);
  EXPECT_NE(one.comparisons[0].items[14].note.find("no focal examinee"), std::string::npos);
}

TEST(Analysis, ProgressReportsEveryItem) {
  std::vector<std::size_t> done;
  analyze_scores(data_set_1(), one_round(), [&](int round, std::size_t items_done, std::size_t n) {
    EXPECT_EQ(round, 1);
    EXPECT_EQ(n, 3u);
    done.push_back(items_done);
  });
  EXPECT_EQ(done, (std::vector<std::size_t>{0, 1, 2, 3}));
}

TEST(Analysis, AMissingRatingCountsAsTheLowestScoreInTheMatchingSum) {
  // q1 rated 1..6, q2 1..3. The last examinee skipped q2: matched on q1 + 1 = 7 (not 6, as a
  // missing answer counted 0 would give), and left out of q2's own tables.
  const data::ItemScores scores = testing::make_scores(
      {{0, "11", 2}, {0, "23", 3}, {0, "62", 2}, {1, "12", 2}, {1, "61", 2}, {1, "6.", 1}});
  const DifAnalysis a = analyze_scores(scores, one_round());
  const ItemResult& q1 = a.comparisons[0].items[0];
  const ItemResult& q2 = a.comparisons[0].items[1];
  EXPECT_EQ(std::tie(q1.range.score_min, q1.range.score_max, q1.range.polytomous),
            std::make_tuple(1, 6, true));
  EXPECT_EQ(std::tie(q2.range.score_min, q2.range.score_max), std::make_tuple(1, 3));
  // Thin levels from lo = 1 + 1 to hi = 6 + 3.
  ASSERT_EQ(q1.levels.size(), 8u);
  EXPECT_EQ(q1.levels.front().low, 2);
  EXPECT_EQ(q1.levels.back().high, 9);
  // Level 7: the focal examinees "61" and "6." all score 6 on q1; level 6 holds none.
  const LevelTable& seven = q1.levels[5];
  EXPECT_EQ(seven.low, 7);
  EXPECT_EQ(seven.count(1, 6), 3);
  EXPECT_EQ(q1.levels[4].group_size(1), 0);
  EXPECT_EQ(q1.n_focal, 5u);
  EXPECT_EQ(q2.n_focal, 4u);
  double focal_in_q2 = 0;
  for (const LevelTable& level : q2.levels) focal_in_q2 += level.group_size(1);
  EXPECT_EQ(focal_in_q2, 4);
}

TEST(Analysis, PolytomousItemsWithoutVarianceOrWithSeparationGoOn) {
  // q1 rated 4 by everyone; q2 rated 1..3 with every focal examinee at 3 and some reference
  // examinees below at every matching score (the group term separates); q3 a 0/1 item.
  const data::ItemScores scores = testing::make_scores(
      {{0, "411", 3}, {0, "421", 2}, {0, "430", 2}, {0, "430", 2}, {0, "420", 1},
       {0, "411", 1}, {0, "431", 2}, {1, "431", 4}, {1, "430", 3}});
  AnalyzeOptions o = one_round();
  o.levels.kind = LevelSpec::Kind::equal_width;
  o.levels.count = 1;
  const DifAnalysis a = analyze_scores(scores, o);
  const ItemResult& same = a.comparisons[0].items[0];
  EXPECT_TRUE(same.range.polytomous);
  EXPECT_EQ(same.range.score_min, 4);
  EXPECT_EQ(same.range.score_max, 4);
  for (const char* name : {"mh_chi_square", "mh_p", "mh_alpha", "std_p_dif", "std_se",
                           "lr_chi_square", "lr_p"})
    EXPECT_FALSE(same.number(name).has_value()) << name;
  EXPECT_EQ(same.text("ets_class"), "");
  EXPECT_FALSE(same.flagged);
  EXPECT_NE(same.note.find("no variance"), std::string::npos) << same.note;
  EXPECT_NE(same.note.find("every examinee answered the item alike"), std::string::npos)
      << same.note;
  // Every focal examinee at the top: the Liu-Agresti ratio is 0 and its D-DIF empty, while
  // Mantel's test and the class stand.
  const ItemResult& top = a.comparisons[0].items[1];
  EXPECT_TRUE(top.number("mh_p").has_value());
  EXPECT_FALSE(top.number("mh_alpha").has_value());
  EXPECT_NE(top.text("ets_class"), "");
  EXPECT_NE(top.note.find("Liu-Agresti odds ratio is 0"), std::string::npos) << top.note;
  EXPECT_NE(top.note.find("(separation)"), std::string::npos) << top.note;
  EXPECT_FALSE(top.number("bd_chi_square").has_value());
  // The 0/1 item beside them keeps its own statistics.
  const ItemResult& binary = a.comparisons[0].items[2];
  EXPECT_FALSE(binary.range.polytomous);
  EXPECT_TRUE(binary.number("mh_d_dif_se").has_value()) << binary.note;
}

std::string refusal(const data::ItemScores& scores, const AnalyzeOptions& options) {
  return itemdif::testing::thrown_message<data::InputError>(
      [&] { analyze_scores(scores, options); });
}

TEST(Analysis, InvalidInputThrows) {
  data::ItemScores bad = data_set_1();
  bad.group[0] = 3;
  EXPECT_EQ(refusal(bad, AnalyzeOptions{}),
            "examinee 1: group code 3 is none of the analysis's 2 groups");
  bad = data_set_1();
  bad.scores.pop_back();
  EXPECT_EQ(refusal(bad, AnalyzeOptions{}),
            "the item scores do not hold one group and 3 scores for each of 44 examinees");
  AnalyzeOptions o;
  o.min_per_group = 0;
  EXPECT_EQ(refusal(data_set_1(), o),
            "the examinees per group of a used level must be at least 1, not 0");
  o = AnalyzeOptions{};
  o.max_rounds = 0;
  EXPECT_EQ(refusal(data_set_1(), o), "the number of purification rounds must be at least 1, not 0");
  o = AnalyzeOptions{};
  o.levels.kind = LevelSpec::Kind::equal_width;
  o.levels.count = 0;
  EXPECT_EQ(refusal(data_set_1(), o), "the number of levels must be at least 1, not 0");
  o = AnalyzeOptions{};
  o.alpha = 1.0;
  EXPECT_EQ(refusal(data_set_1(), o), "alpha must lie between 0 and 1");
  o = AnalyzeOptions{};
  o.methods = {1, 0};
  EXPECT_EQ(refusal(data_set_1(), o), "the methods must be listed once each, in list order, mh first");
}

}  // namespace
}  // namespace itemdif::stats

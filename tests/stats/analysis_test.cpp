// The whole analysis on small data sets whose tables and statistics reference_values.py works
// out from the definitions with exact fractions (its printed values are quoted here).
#include "stats/dif_analysis.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "stats/p_adjust.hpp"
#include "stats/scores_builder.hpp"

namespace itemdif::stats {
namespace {

using testing::data_set_1;
using testing::data_set_2;
using testing::single_table;

using Table = std::vector<std::vector<double>>;

Table rows_of(const ItemResult& item) {
  Table t;
  for (const LevelRow& r : item.levels)
    t.push_back({r.reference_correct, r.reference_incorrect, r.focal_correct, r.focal_incorrect});
  return t;
}

std::vector<bool> used_of(const ItemResult& item) {
  std::vector<bool> u;
  for (const LevelRow& r : item.levels) u.push_back(r.used);
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
  EXPECT_EQ(a.n_reference, 24u);
  EXPECT_EQ(a.n_focal, 20u);
  ASSERT_EQ(a.items.size(), 3u);
  const ItemResult& q1 = a.items[0];
  EXPECT_EQ(q1.name, "q1");
  EXPECT_EQ(rows_of(q1), (Table{{0, 3, 0, 4}, {4, 3, 2, 5}, {8, 2, 3, 4}, {4, 0, 2, 0}}));
  EXPECT_EQ(q1.levels[2].low, 2);
  EXPECT_EQ(q1.levels[2].high, 2);
  EXPECT_EQ(q1.n_reference, 24u);
  EXPECT_EQ(q1.n_focal, 20u);
  EXPECT_DOUBLE_EQ(*q1.p_reference, 16.0 / 24);
  EXPECT_DOUBLE_EQ(*q1.p_focal, 7.0 / 20);
  expect_close(q1.mh.alpha, 394.0 / 93);
  expect_close(q1.mh.chi_square, 20631.0 / 9629);
  expect_close(q1.mh.p, 0.143259838182899);
  expect_close(q1.mh.d_dif, -3.392815827939993);
  expect_close(q1.mh.d_dif_se, 1.8499835782196046);
  expect_close(q1.mh.alpha_low, 0.9055749160526347);
  expect_close(q1.mh.alpha_high, 19.81993209698417);
  EXPECT_EQ(q1.mh.ets_class, "A");  // large D-DIF, but p >= 0.05
  expect_close(q1.mh.p_adjusted, *q1.mh.p);

  const ItemResult& q3 = a.items[2];
  EXPECT_EQ(rows_of(q3), (Table{{0, 3, 0, 4}, {1, 6, 2, 5}, {5, 5, 5, 2}, {4, 0, 2, 0}}));
  expect_close(q3.mh.alpha, 225.0 / 554);
  expect_close(q3.mh.chi_square, 5850.0 / 12731);
  expect_close(q3.mh.p, 0.4978538656382617);
  expect_close(q3.mh.d_dif, 2.11750106867573);
  expect_close(q3.mh.d_dif_se, 1.9551677348037402);
  expect_close(q3.mh.alpha_low, 0.0795215342850803);
  expect_close(q3.mh.alpha_high, 2.074248363090673);

  ASSERT_EQ(a.rounds.size(), 1u);  // nothing flagged: converged after round 1
  EXPECT_TRUE(a.rounds[0].flagged.empty());
  EXPECT_TRUE(a.converged);
}

TEST(Analysis, ExplicitLevelsWithAReversedOne) {
  const DifAnalysis a = analyze_scores(data_set_1(), with_bounds({{0, 1}, {9, 4}, {2, 3}}));
  const ItemResult& q2 = a.items[1];
  EXPECT_EQ(rows_of(q2), (Table{{2, 8, 3, 8}, {11, 3, 8, 1}}));
  EXPECT_EQ(q2.levels[1].low, 2);
  EXPECT_EQ(q2.levels[1].high, 3);
  expect_close(q2.mh.alpha, 599.0 / 1056);
  expect_close(q2.mh.chi_square, 2043371.0 / 18687472);
  expect_close(q2.mh.p, 0.7408917291195667);
  expect_close(q2.mh.d_dif_se, 1.8658681047324928);
}

TEST(Analysis, AScoreInNoLevelLeavesTheExamineeOutOfTheTablesOnly) {
  const DifAnalysis a = analyze_scores(data_set_1(), with_bounds({{0, 0}, {2, 3}}));
  const ItemResult& q1 = a.items[0];
  // Score 1 (7 reference, 7 focal examinees) is in no level.
  EXPECT_EQ(rows_of(q1), (Table{{0, 3, 0, 4}, {12, 2, 5, 4}}));
  EXPECT_EQ(q1.n_reference, 24u);
  EXPECT_EQ(q1.n_focal, 20u);
  EXPECT_DOUBLE_EQ(*q1.p_focal, 7.0 / 20);
}

TEST(Analysis, MinPerGroupChoosesTheUsedLevels) {
  AnalyzeOptions o = with_bounds({{0, 1}, {2, 3}});
  o.min_per_group = 10;  // level 2-3 has 9 focal examinees
  const ItemResult q2 = analyze_scores(data_set_1(), o).items[1];
  EXPECT_EQ(used_of(q2), (std::vector<bool>{true, false}));
  // One table 2, 8, 3, 8: alpha = 16/24; E = 5*10/21, |A - E| = 8/21 < 1/2 (no correction);
  // V = 10*11*5*16 / (21^2 * 20) = 440/441; chi-square = (64/441) / (440/441) = 8/55.
  expect_close(q2.mh.alpha, 2.0 / 3);
  expect_close(q2.mh.chi_square, 8.0 / 55);
  EXPECT_EQ(rows_of(q2)[1], (std::vector<double>{11, 3, 8, 1}));  // listed though not used

  AnalyzeOptions thin = one_round();
  thin.min_per_group = 7;
  const ItemResult q1 = analyze_scores(data_set_1(), thin).items[0];
  EXPECT_EQ(used_of(q1), (std::vector<bool>{false, true, true, false}));
  thin.min_per_group = 8;
  const ItemResult none_used = analyze_scores(data_set_1(), thin).items[0];
  EXPECT_FALSE(none_used.mh.chi_square);
  EXPECT_FALSE(none_used.mh.p_adjusted);
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
    EXPECT_EQ(rows_of(wide.items[j]), rows_of(thin.items[j]));
    EXPECT_EQ(*wide.items[j].mh.chi_square, *thin.items[j].mh.chi_square);
  }
  o.levels.count = 2;
  EXPECT_EQ(rows_of(analyze_scores(data_set_1(), o).items[1]),
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
  EXPECT_EQ(rows_of(a.items[0]), c.q1);
  EXPECT_EQ(rows_of(a.items[1]), c.q2);
  EXPECT_EQ(a.items[0].n_reference, c.n_ref);
  EXPECT_EQ(a.items[0].n_focal, c.n_foc);
  EXPECT_DOUBLE_EQ(*a.items[0].p_reference, c.p_ref_q1);
  EXPECT_DOUBLE_EQ(*a.items[1].p_focal, c.p_foc_q2);
  expect_close(a.items[0].mh.alpha, c.alpha_q1);
  expect_close(a.items[0].mh.chi_square, c.chi_q1);
  expect_close(a.items[1].mh.alpha, c.alpha_q2);
  expect_close(a.items[1].mh.chi_square, c.chi_q2);
  const bool listwise = c.policy == MissingPolicy::listwise;
  EXPECT_EQ(a.listwise_left_out, listwise ? 9u : 0u);
  EXPECT_EQ(a.n_reference, listwise ? 15u : 20u);
  EXPECT_EQ(a.n_focal, listwise ? 13u : 17u);
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
  const ItemResult& q1 = zero.items[0];
  EXPECT_FALSE(q1.mh.alpha);
  EXPECT_TRUE(q1.mh.ets_class.empty());
  EXPECT_TRUE(q1.mh.chi_square);
  EXPECT_TRUE(q1.mh.p_adjusted);
  EXPECT_FALSE(q1.flagged);
  EXPECT_NE(q1.note.find("odds ratio is 0"), std::string::npos);
  const ItemResult& q2 = zero.items[1];
  EXPECT_FALSE(q2.mh.chi_square);
  EXPECT_FALSE(q2.mh.p);
  EXPECT_NE(q2.note.find("no variance"), std::string::npos);
  EXPECT_DOUBLE_EQ(*q2.p_reference, 0.0);

  // No focal examinee answered q1.
  const data::ItemScores only_reference =
      testing::make_scores({{0, "1", 3}, {0, "0", 2}, {1, ".", 4}});
  const ItemResult lone = analyze_scores(only_reference, one_round()).items[0];
  EXPECT_EQ(lone.n_focal, 0u);
  EXPECT_FALSE(lone.p_focal);
  EXPECT_NE(lone.note.find("no focal examinee"), std::string::npos);
  EXPECT_NE(lone.note.find("no used level"), std::string::npos);
}

TEST(Analysis, ContinuityRuleAtItsBoundary) {
  // |A - E| = 1/2 exactly: corrected to chi-square 0; 1/3: uncorrected, chi-square 1/2.
  const auto at = analyze_scores(single_table(1, 1, 0, 2), with_bounds({{0, 2}})).items[0];
  EXPECT_EQ(*at.mh.chi_square, 0.0);
  const auto below = analyze_scores(single_table(1, 0, 1, 1), with_bounds({{0, 2}})).items[0];
  EXPECT_DOUBLE_EQ(*below.mh.chi_square, 0.5);
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
  ASSERT_EQ(a.rounds.size(), 2u);
  const std::vector<std::size_t>& first = a.rounds[0].flagged;
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first[0], 0u);
  EXPECT_EQ(first[1], 1u);
  EXPECT_EQ(a.converged, a.rounds[1].flagged == first);

  std::vector<std::size_t> matched;
  for (std::size_t j = 0; j < 12; ++j)
    if (std::find(first.begin(), first.end(), j) == first.end()) matched.push_back(j);
  // An item matched on: the same as a one-round analysis of the matching items alone.
  const DifAnalysis reduced = analyze_scores(keep_items(s, matched), one_round());
  for (std::size_t k = 0; k < matched.size(); ++k) {
    const ItemResult& full = a.items[matched[k]];
    EXPECT_EQ(rows_of(full), rows_of(reduced.items[k])) << full.name;
    EXPECT_EQ(full.mh.chi_square, reduced.items[k].mh.chi_square) << full.name;
    EXPECT_EQ(full.levels.size(), matched.size() + 1);
  }
  // A flagged item: matched on the matching items plus its own score.
  std::vector<std::size_t> with_own = matched;
  with_own.push_back(first[0]);
  const DifAnalysis own = analyze_scores(keep_items(s, with_own), one_round());
  EXPECT_EQ(rows_of(a.items[first[0]]), rows_of(own.items.back()));
  EXPECT_EQ(a.items[first[0]].mh.alpha, own.items.back().mh.alpha);
  EXPECT_EQ(a.items[first[0]].levels.size(), matched.size() + 2);
  EXPECT_EQ(a.items[0].mh.ets_class[0], 'C');
  EXPECT_EQ(a.items[0].mh.ets_class[1], '-');
  EXPECT_EQ(a.items[1].mh.ets_class[1], '+');
}

TEST(Analysis, IterativePurificationConvergesAndFlagsTheLastRound) {
  const data::ItemScores s = simulated(600, 12, 7);
  const DifAnalysis a = analyze_scores(s, AnalyzeOptions{});
  ASSERT_GE(a.rounds.size(), 2u);
  EXPECT_TRUE(a.converged);
  EXPECT_EQ(a.rounds.back().flagged, a.rounds[a.rounds.size() - 2].flagged);
  for (std::size_t j = 0; j < a.items.size(); ++j) {
    const bool listed = std::find(a.rounds.back().flagged.begin(), a.rounds.back().flagged.end(),
                                  j) != a.rounds.back().flagged.end();
    EXPECT_EQ(a.items[j].flagged, listed);
  }
  AnalyzeOptions limited;
  limited.max_rounds = 1;
  const DifAnalysis one = analyze_scores(s, limited);
  EXPECT_EQ(one.rounds.size(), 1u);
  EXPECT_FALSE(one.converged);
}

TEST(Analysis, AdjustedPValuesAndThePFlagRule) {
  const data::ItemScores s = simulated(300, 8, 11);
  AnalyzeOptions o = one_round();
  o.adjust = Adjust::holm;
  o.flag = FlagRule::p;
  const DifAnalysis a = analyze_scores(s, o);
  std::vector<std::optional<double>> p;
  for (const ItemResult& item : a.items) p.push_back(item.mh.p);
  const auto holm = adjust_p(p, Adjust::holm);
  for (std::size_t j = 0; j < a.items.size(); ++j) {
    EXPECT_EQ(a.items[j].mh.p_adjusted, holm[j]);
    EXPECT_EQ(a.items[j].flagged, *holm[j] < 0.05);
  }
  EXPECT_TRUE(a.items[0].flagged);
  o.adjust = Adjust::none;
  for (const ItemResult& item : analyze_scores(s, o).items)
    EXPECT_EQ(item.mh.p_adjusted, item.mh.p);
}

TEST(Analysis, LogisticPValuesAreAdjustedAcrossTheItemsToo) {
  const data::ItemScores s = simulated(300, 8, 11);
  AnalyzeOptions o = one_round();
  for (Adjust method : {Adjust::holm, Adjust::bh}) {
    o.adjust = method;
    const DifAnalysis a = analyze_scores(s, o);
    std::vector<std::optional<double>> p;
    for (const ItemResult& item : a.items) p.push_back(item.lr.p);
    const auto adjusted = adjust_p(p, method);
    for (std::size_t j = 0; j < a.items.size(); ++j) {
      ASSERT_TRUE(a.items[j].lr.p.has_value()) << a.items[j].note;
      EXPECT_EQ(a.items[j].lr.p_adjusted, adjusted[j]);
    }
    EXPECT_GT(*a.items[3].lr.p_adjusted, *a.items[3].lr.p);
  }
  o.adjust = Adjust::none;
  for (const ItemResult& item : analyze_scores(s, o).items)
    EXPECT_EQ(item.lr.p_adjusted, item.lr.p);
}

TEST(Analysis, PlantedDifShowsInEveryMethod) {
  const DifAnalysis a = analyze_scores(simulated(600, 12, 7), AnalyzeOptions{});
  const ItemResult& harder = a.items[0];  // harder for the focal group
  EXPECT_LT(*harder.std_dif.p_dif, -0.05);
  EXPECT_EQ(harder.std_dif.std_class.back(), '-');
  EXPECT_LT(*harder.lr.uniform_p, 1e-10);
  EXPECT_GT(*harder.lr.uniform_delta_r2, 0.0);
  EXPECT_GT(*a.items[1].std_dif.p_dif, 0.05);  // easier for it
  EXPECT_EQ(a.items[1].std_dif.std_class.back(), '+');
  // A DIF-free item: no uniform or nonuniform evidence to speak of.
  const ItemResult& plain = a.items[5];
  EXPECT_LT(std::fabs(*plain.std_dif.p_dif), 0.05);
  EXPECT_GT(*plain.lr.p, 1e-3);
  ASSERT_TRUE(plain.bd.df.has_value());
  EXPECT_GE(*plain.bd.df, 5);
  EXPECT_EQ(plain.coefficients.size(), 9u);
}

TEST(Analysis, OnlyTheMethodsAskedForAreComputed) {
  AnalyzeOptions o = one_round();
  o.methods = Methods{false, false, false};
  for (const ItemResult& item : analyze_scores(simulated(200, 6, 5), o).items) {
    EXPECT_TRUE(item.mh.p.has_value());
    EXPECT_FALSE(item.std_dif.p_dif || item.bd.chi_square || item.lr.chi_square ||
                 item.lr.p_adjusted);
    EXPECT_TRUE(item.coefficients.empty());
  }
  o.methods = Methods{false, true, false};
  const ItemResult item = analyze_scores(simulated(200, 6, 5), o).items[2];
  EXPECT_TRUE(item.bd.chi_square.has_value());
  EXPECT_FALSE(item.std_dif.p_dif || item.lr.chi_square);
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
  expect_same(a.p_reference, b.p_reference, n + " p_reference");
  expect_same(a.p_focal, b.p_focal, n + " p_focal");
  const std::vector<std::pair<std::optional<double>, std::optional<double>>> values = {
      {a.mh.alpha, b.mh.alpha}, {a.mh.alpha_low, b.mh.alpha_low},
      {a.mh.alpha_high, b.mh.alpha_high}, {a.mh.d_dif, b.mh.d_dif},
      {a.mh.d_dif_se, b.mh.d_dif_se}, {a.mh.chi_square, b.mh.chi_square}, {a.mh.p, b.mh.p},
      {a.mh.p_adjusted, b.mh.p_adjusted}, {a.std_dif.p_dif, b.std_dif.p_dif},
      {a.bd.chi_square, b.bd.chi_square}, {a.bd.p, b.bd.p}, {a.lr.chi_square, b.lr.chi_square},
      {a.lr.p, b.lr.p}, {a.lr.p_adjusted, b.lr.p_adjusted},
      {a.lr.uniform_chi_square, b.lr.uniform_chi_square}, {a.lr.uniform_p, b.lr.uniform_p},
      {a.lr.nonuniform_chi_square, b.lr.nonuniform_chi_square},
      {a.lr.nonuniform_p, b.lr.nonuniform_p}, {a.lr.delta_r2, b.lr.delta_r2},
      {a.lr.uniform_delta_r2, b.lr.uniform_delta_r2}};
  for (std::size_t k = 0; k < values.size(); ++k)
    expect_same(values[k].first, values[k].second, n + " value " + std::to_string(k));
  EXPECT_EQ(a.mh.ets_class, b.mh.ets_class);
  EXPECT_EQ(a.std_dif.std_class, b.std_dif.std_class);
  EXPECT_EQ(a.bd.df, b.bd.df);
  EXPECT_EQ(a.lr.zumbo_thomas_class, b.lr.zumbo_thomas_class);
  EXPECT_EQ(a.lr.jodoin_gierl_class, b.lr.jodoin_gierl_class);
  ASSERT_EQ(a.coefficients.size(), b.coefficients.size()) << n;
  for (std::size_t k = 0; k < a.coefficients.size(); ++k) {
    const Coefficient& x = a.coefficients[k];
    const Coefficient& y = b.coefficients[k];
    EXPECT_EQ(x.model + x.term, y.model + y.term);
    expect_same(x.estimate, y.estimate, n + " estimate " + x.model + " " + x.term);
    expect_same(x.se, y.se, n + " se");
    expect_same(x.z, y.z, n + " z");
    expect_same(x.p, y.p, n + " p");
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
  EXPECT_EQ(reports, one.rounds.size() * 16);
  ASSERT_EQ(one.items.size(), three.items.size());
  EXPECT_EQ(one.rounds.size(), three.rounds.size());
  EXPECT_EQ(one.converged, three.converged);
  for (std::size_t r = 0; r < one.rounds.size(); ++r)
    EXPECT_EQ(one.rounds[r].flagged, three.rounds[r].flagged);
  for (std::size_t j = 0; j < one.items.size(); ++j) expect_same_item(one.items[j], three.items[j]);
  EXPECT_NE(one.items[14].note.find("no focal examinee"), std::string::npos);
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

TEST(Analysis, InvalidInputThrows) {
  data::ItemScores bad = data_set_1();
  bad.scores[4] = 2;
  EXPECT_THROW(analyze_scores(bad, AnalyzeOptions{}), data::InputError);
  bad = data_set_1();
  bad.group[0] = 3;
  EXPECT_THROW(analyze_scores(bad, AnalyzeOptions{}), data::InputError);
  bad = data_set_1();
  bad.scores.pop_back();
  EXPECT_THROW(analyze_scores(bad, AnalyzeOptions{}), data::InputError);
  AnalyzeOptions o;
  o.min_per_group = 0;
  EXPECT_THROW(analyze_scores(data_set_1(), o), data::InputError);
  o = AnalyzeOptions{};
  o.max_rounds = 0;
  EXPECT_THROW(analyze_scores(data_set_1(), o), data::InputError);
  o = AnalyzeOptions{};
  o.levels.kind = LevelSpec::Kind::equal_width;
  o.levels.count = 0;
  EXPECT_THROW(analyze_scores(data_set_1(), o), data::InputError);
}

}  // namespace
}  // namespace itemdif::stats

// The overall analysis of several focal groups: its generalized MH values against a count
// made here straight from the examinees' rows, its purification and flag rule, the logistic
// columns, and items some group did not answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "stats/dif_analysis.hpp"
#include "stats/method_list.hpp"
#include "stats/scores_builder.hpp"

namespace itemdif::stats {
namespace {

using testing::four_groups;
using testing::make_scores;

/// The generalized MH chi-square of item `item` from the rows themselves: thin levels of the
/// sum over `matching` (plus the item's own score when it is outside it), a missing response
/// counted as the item's lowest score in the sum and leaving the examinee out of the item's
/// tables; a level used when every group has `min_per_group` of the item's examinees.
/// Empty when no level is used.
std::optional<double> gmh_from_rows(const data::ItemScores& s, std::size_t item,
                                    const std::vector<bool>& matching, int min_per_group) {
  const std::size_t groups = 1 + s.focal_values.size();
  std::vector<int> lowest(s.n_items(), 255);
  for (std::size_t i = 0; i < s.n_examinees; ++i)
    for (std::size_t j = 0; j < s.n_items(); ++j)
      if (s.score(i, j) != data::kMissing) lowest[j] = std::min<int>(lowest[j], s.score(i, j));
  struct Level {
    std::vector<double> n, sum;
    double sum_squares = 0;
  };
  std::map<int, Level> levels;
  for (std::size_t i = 0; i < s.n_examinees; ++i) {
    if (s.score(i, item) == data::kMissing) continue;
    int total = 0;
    for (std::size_t j = 0; j < s.n_items(); ++j)
      if (matching[j] || j == item)
        total += s.score(i, j) == data::kMissing ? lowest[j] : s.score(i, j);
    Level& level = levels[total];
    level.n.resize(groups);
    level.sum.resize(groups);
    const double y = s.score(i, item);
    level.n[s.group[i]] += 1;
    level.sum[s.group[i]] += y;
    level.sum_squares += y * y;
  }
  const std::size_t f = groups - 1;
  std::vector<double> d(f, 0.0), v(f * f, 0.0);
  bool any_used = false;
  for (const auto& [total, level] : levels) {
    if (!std::all_of(level.n.begin(), level.n.end(),
                     [&](double n) { return n >= min_per_group; }))
      continue;
    any_used = true;
    double big_n = 0, sum = 0;
    for (std::size_t g = 0; g < groups; ++g) {
      big_n += level.n[g];
      sum += level.sum[g];
    }
    const double mean = sum / big_n;
    const double variance = level.sum_squares / big_n - mean * mean;
    for (std::size_t g = 0; g < f; ++g) {
      d[g] += level.sum[g + 1] - level.n[g + 1] * mean;
      for (std::size_t h = 0; h < f; ++h)
        v[g * f + h] += variance * big_n / (big_n - 1) *
                        ((g == h ? level.n[g + 1] : 0.0) - level.n[g + 1] * level.n[h + 1] / big_n);
    }
  }
  if (!any_used) return std::nullopt;
  // dᵀ V⁻¹ d by Gaussian elimination of V x = d.
  std::vector<double> x = d;
  for (std::size_t k = 0; k < f; ++k)
    for (std::size_t r = k + 1; r < f; ++r) {
      const double factor = v[r * f + k] / v[k * f + k];
      for (std::size_t c = k; c < f; ++c) v[r * f + c] -= factor * v[k * f + c];
      x[r] -= factor * x[k];
    }
  for (std::size_t k = f; k-- > 0;) {
    for (std::size_t c = k + 1; c < f; ++c) x[k] -= v[k * f + c] * x[c];
    x[k] /= v[k * f + k];
  }
  double chi_square = 0;
  for (std::size_t g = 0; g < f; ++g) chi_square += d[g] * x[g];
  return chi_square;
}

void expect_close(const std::optional<double>& value, const std::optional<double>& expected,
                  const std::string& what) {
  ASSERT_EQ(value.has_value(), expected.has_value()) << what;
  if (expected) {
    EXPECT_NEAR(*value, *expected, 1e-10 * std::max(1.0, std::fabs(*expected))) << what;
  }
}

TEST(OverallAnalysis, GeneralizedMhEqualsACountFromTheRows) {
  const data::ItemScores s = four_groups(11);
  for (const int min_per_group : {1, 40}) {
    AnalyzeOptions o;
    o.purify = PurifyMode::none;
    o.min_per_group = min_per_group;
    const DifAnalysis a = analyze_scores(s, o);
    ASSERT_TRUE(a.overall.has_value());
    const std::vector<bool> all(s.n_items(), true);
    for (std::size_t j = 0; j < s.n_items(); ++j) {
      const OverallItem& item = a.overall->items[j];
      const std::string what = item.name + ", min per group " + std::to_string(min_per_group);
      expect_close(item.number("gmh_chi_square"), gmh_from_rows(s, j, all, min_per_group), what);
      EXPECT_EQ(item.number("gmh_df"), 3.0) << what;
      // Every group's levels, in group order.
      ASSERT_FALSE(item.levels.empty()) << what;
      EXPECT_EQ(item.levels.front().groups(), 4u) << what;
    }
  }
}

TEST(OverallAnalysis, PurifiesOnTheAdjustedGeneralizedMhWhateverTheFlagRule) {
  const data::ItemScores s = four_groups(11);
  AnalyzeOptions o;
  o.flag = "ets-c";  // the comparisons' rule; the overall analysis keeps its own
  o.adjust = Adjust::holm;
  o.alpha = 0.01;
  const DifAnalysis a = analyze_scores(s, o);
  const OverallAnalysis& overall = *a.overall;
  std::set<std::size_t> flagged;
  for (std::size_t j = 0; j < overall.items.size(); ++j) {
    const OverallItem& item = overall.items[j];
    const std::optional<double> p = item.number("gmh_p_adjusted");
    ASSERT_TRUE(p.has_value()) << item.name;
    EXPECT_EQ(item.flagged, *p < o.alpha) << item.name;
    EXPECT_GE(*p, *item.number("gmh_p")) << item.name;
    if (item.flagged) flagged.insert(j);
  }
  // The two items with DIF against one focal group each.
  EXPECT_TRUE(flagged.count(0));
  EXPECT_TRUE(flagged.count(1));
  ASSERT_GE(overall.rounds.size(), 2u);
  EXPECT_EQ(std::vector<std::size_t>(flagged.begin(), flagged.end()),
            overall.rounds.back().flagged);

  // The last round matched on every item but those the round before flagged.
  std::vector<bool> matching(s.n_items(), true);
  for (std::size_t j : overall.rounds[overall.rounds.size() - 2].flagged) matching[j] = false;
  for (std::size_t j = 0; j < s.n_items(); ++j)
    expect_close(overall.items[j].number("gmh_chi_square"), gmh_from_rows(s, j, matching, 1),
                 "last round " + overall.items[j].name);
}

TEST(OverallAnalysis, LogisticColumnsOnlyWithLogisticRegression) {
  const data::ItemScores s = four_groups(5);
  AnalyzeOptions o;
  o.methods = {0, 1};
  const DifAnalysis without = analyze_scores(s, o);
  EXPECT_EQ(without.overall->methods, std::vector<std::size_t>{0});
  for (const OverallItem& item : without.overall->items) {
    EXPECT_FALSE(item.number("lr_chi_square").has_value()) << item.name;
    EXPECT_FALSE(item.number("lr_df").has_value()) << item.name;
    EXPECT_TRUE(item.text("zumbo_thomas_class").empty()) << item.name;
    for (const MethodValues& values : item.methods)
      EXPECT_TRUE(values.coefficients.empty()) << item.name;
  }

  const DifAnalysis with = analyze_scores(s, AnalyzeOptions{});
  EXPECT_EQ(with.overall->methods,
            (std::vector<std::size_t>{0, *method_position("lr")}));
  for (const OverallItem& item : with.overall->items) {
    EXPECT_EQ(item.number("lr_df"), 6.0) << item.name;
    EXPECT_EQ(item.number("lr_uniform_df"), 3.0) << item.name;
    EXPECT_EQ(item.number("lr_nonuniform_df"), 3.0) << item.name;
    ASSERT_TRUE(item.number("lr_chi_square").has_value()) << item.name;
    // The total test splits into the uniform and the non-uniform one.
    EXPECT_NEAR(*item.number("lr_chi_square"),
                *item.number("lr_uniform_chi_square") + *item.number("lr_nonuniform_chi_square"),
                1e-9 * std::max(1.0, *item.number("lr_chi_square")))
        << item.name;
    EXPECT_FALSE(item.text("jodoin_gierl_class").empty()) << item.name;
    std::set<std::string> terms;
    for (const Coefficient& c : item.methods[*method_position("lr")].coefficients)
      terms.insert(c.model + " " + c.term);
    for (const char* value : {"A", "B", "C"}) {
      EXPECT_TRUE(terms.count(std::string("uniform group_") + value)) << item.name << value;
      EXPECT_TRUE(terms.count(std::string("nonuniform trait_x_group_") + value))
          << item.name << value;
    }
  }
}

TEST(OverallAnalysis, AnItemOneGroupDidNotAnswerIsNotedAndTheRunGoesOn) {
  // q2 is missing for every examinee of focal group B.
  data::ItemScores s = make_scores({{0, "110", 5}, {0, "100", 4}, {0, "011", 3}, {0, "001", 2},
                                    {1, "111", 3}, {1, "010", 4}, {1, "100", 3}, {1, "001", 2},
                                    {2, "1.1", 4}, {2, "0.0", 3}, {2, "1.0", 2}});
  s.focal_values = {"A", "B"};
  AnalyzeOptions o;
  o.purify = PurifyMode::none;
  const DifAnalysis a = analyze_scores(s, o);
  ASSERT_TRUE(a.overall.has_value());
  const OverallItem& q2 = a.overall->items[1];
  EXPECT_FALSE(q2.number("gmh_chi_square").has_value());
  EXPECT_EQ(q2.number("gmh_df"), 2.0);  // the test's degrees of freedom, computed or not
  EXPECT_FALSE(q2.number("lr_chi_square").has_value());
  EXPECT_FALSE(q2.flagged);
  EXPECT_NE(q2.note.find("focal group B has no examinees of the item"), std::string::npos)
      << q2.note;
  EXPECT_EQ(q2.n, 26u);  // the reference group's 14 and A's 12
  // The items every group answered keep their values.
  EXPECT_TRUE(a.overall->items[0].number("gmh_chi_square").has_value());
  EXPECT_TRUE(a.overall->items[2].number("gmh_p").has_value());
  EXPECT_EQ(a.overall->items[0].n, 35u);
}

TEST(OverallAnalysis, OnlyWithSeveralFocalGroups) {
  data::ItemScores s = testing::data_set_1();
  s.focal_values = {"F"};
  const DifAnalysis a = analyze_scores(s, AnalyzeOptions{});
  EXPECT_EQ(a.comparisons.size(), 1u);
  EXPECT_FALSE(a.overall.has_value());
}

}  // namespace
}  // namespace itemdif::stats

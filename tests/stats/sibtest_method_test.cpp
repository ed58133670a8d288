// SIBTEST through the analysis: every item's and bundle's values equal those of sibtest() on a
// table made here straight from the examinees' rows (subtest score, studied score, the
// subtest items' variances over the group's examinees of the item), on random data of 0/1,
// 0-4 and mixed items with missing responses, under each missing policy and with two and four
// groups.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "stats/dif_analysis.hpp"
#include "stats/method_list.hpp"
#include "stats/sibtest.hpp"
#include "stats/sibtest_method.hpp"

namespace itemdif::stats {
namespace {

/// The shape of a simulated data set: per item its highest score and whether it never scores
/// 0 (its range then starts at 1), the number of focal groups and the share of missing cells.
struct Shape {
  std::vector<int> top;
  std::vector<bool> from_one;
  int focal_groups = 1;
  double missing = 0.0;
  unsigned seed = 1;
};

/// Graded scores on one trait; focal group g is 0.25 g lower, item 0 is harder for focal group
/// 1 and item 1 easier for focal group 2 (when there is one).
data::ItemScores simulate(const Shape& shape) {
  std::mt19937 random(shape.seed);
  std::normal_distribution<double> normal(0.0, 1.0);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  data::ItemScores s;
  const std::size_t items = shape.top.size();
  for (std::size_t j = 0; j < items; ++j) s.item_names.push_back("i" + std::to_string(j + 1));
  s.reference_value = "R";
  const int sizes[] = {420, 300, 260, 280};
  for (int g = 0; g <= shape.focal_groups; ++g) {
    if (g > 0) s.focal_values.push_back("F" + std::to_string(g));
    for (int n = 0; n < sizes[g]; ++n) {
      const double theta = normal(random) - 0.25 * g;
      for (std::size_t j = 0; j < items; ++j) {
        double shift = 0.0;
        if (g == 1 && j == 0) shift = -0.8;
        if (g == 2 && j == 1) shift = 0.7;
        const int low = shape.from_one[j] ? 1 : 0;
        int score = low;
        for (int step = low; step < shape.top[j]; ++step) {
          const double b = -1.2 + 2.4 * (step + 0.5) / shape.top[j] + 0.15 * (j % 3);
          score += uniform(random) < 1.0 / (1.0 + std::exp(-(theta + shift - b))) ? 1 : 0;
        }
        if (uniform(random) < shape.missing) score = data::kMissing;
        s.scores.push_back(static_cast<std::uint8_t>(score));
      }
      s.group.push_back(static_cast<std::uint8_t>(g));
      ++s.n_examinees;
    }
  }
  s.rows_read = s.n_examinees;
  return s;
}

// ---- The oracle: everything counted from the rows, nothing from the analysis -------------------

/// The rows the analysis takes: every row, less those with a missing response under listwise.
std::vector<bool> analysed_rows(const data::ItemScores& s, MissingPolicy policy) {
  std::vector<bool> rows(s.n_examinees, true);
  if (policy != MissingPolicy::listwise) return rows;
  for (std::size_t i = 0; i < s.n_examinees; ++i)
    for (std::size_t j = 0; j < s.n_items(); ++j)
      if (s.score(i, j) == data::kMissing) rows[i] = false;
  return rows;
}

/// Each item's smallest and largest score over the analysed rows; 0..1 when every score is 0
/// or 1.
std::vector<ItemRange> ranges_of(const data::ItemScores& s, const std::vector<bool>& rows) {
  std::vector<ItemRange> ranges;
  for (std::size_t j = 0; j < s.n_items(); ++j) {
    int low = 1000, high = -1;
    for (std::size_t i = 0; i < s.n_examinees; ++i)
      if (rows[i] && s.score(i, j) != data::kMissing) {
        low = std::min<int>(low, s.score(i, j));
        high = std::max<int>(high, s.score(i, j));
      }
    if (low >= 0 && high <= 1)
      ranges.push_back({0, 1, false});
    else
      ranges.push_back({low, high, true});
  }
  return ranges;
}

/// The score of row i on item j, a missing one at the item's lowest score.
int value(const data::ItemScores& s, const std::vector<ItemRange>& ranges, std::size_t i,
          std::size_t j) {
  return s.score(i, j) == data::kMissing ? ranges[j].score_min : s.score(i, j);
}

double variance(const std::vector<double>& x) {
  if (x.size() < 2) return 0;
  double mean = 0;
  for (const double v : x) mean += v;
  mean /= static_cast<double>(x.size());
  double squares = 0;
  for (const double v : x) squares += (v - mean) * (v - mean);
  return squares / static_cast<double>(x.size() - 1);
}

/// What the oracle finds for a studied item or bundle.
struct FromRows {
  SibValues values;
  int y_low = 0, y_high = 0;
  double n[2] = {0, 0};  ///< its examinees of each group
};

/// SIBTEST of the sum of `studied` (one item, or a bundle's items) on the subtest `subtest`, in
/// the comparison of the reference group with focal group `focal`: its examinees those with a
/// response to each studied item under `excluded` (every examinee otherwise).
FromRows counted_from_rows(const data::ItemScores& s, MissingPolicy policy, std::uint8_t focal,
                            const std::vector<std::size_t>& studied,
                            const std::vector<std::size_t>& subtest, int sib_min) {
  const std::vector<bool> rows = analysed_rows(s, policy);
  const std::vector<ItemRange> ranges = ranges_of(s, rows);
  int x_low = 0, x_high = 0, y_low = 0, y_high = 0;
  for (const std::size_t i : subtest) {
    x_low += ranges[i].score_min;
    x_high += ranges[i].score_max;
  }
  for (const std::size_t j : studied) {
    y_low += ranges[j].score_min;
    y_high += ranges[j].score_max;
  }
  FromRows result;
  result.y_low = y_low;
  result.y_high = y_high;
  SibCounts counts = SibCounts::zeros(x_low, x_high, y_low, y_high);
  std::vector<std::vector<std::vector<double>>> scores(
      2, std::vector<std::vector<double>>(subtest.size()));
  for (std::size_t i = 0; i < s.n_examinees; ++i) {
    if (!rows[i] || (s.group[i] != 0 && s.group[i] != focal)) continue;
    const int g = s.group[i] == 0 ? 0 : 1;
    bool answered = true;
    int y = 0;
    for (const std::size_t j : studied) {
      answered = answered && s.score(i, j) != data::kMissing;
      y += value(s, ranges, i, j);
    }
    if (policy == MissingPolicy::excluded && !answered) continue;
    int x = 0;
    for (std::size_t k = 0; k < subtest.size(); ++k) {
      x += value(s, ranges, i, subtest[k]);
      scores[g][k].push_back(value(s, ranges, i, subtest[k]));
    }
    counts.add(x, g, y);
    result.n[g] += 1;
  }
  SibReliabilityInput reliability;
  reliability.subtest_items = static_cast<int>(subtest.size());
  for (int g = 0; g < 2; ++g)
    for (const std::vector<double>& item : scores[g])
      reliability.item_variance_sum[g] += variance(item);
  const SibSettings settings{sib_min, 0.05, static_cast<double>(y_high - y_low)};
  result.values = sibtest(counts, reliability, settings);
  return result;
}

SibValues sibtest_from_rows(const data::ItemScores& s, MissingPolicy policy, std::uint8_t focal,
                            const std::vector<std::size_t>& studied,
                            const std::vector<std::size_t>& subtest, int sib_min) {
  return counted_from_rows(s, policy, focal, studied, subtest, sib_min).values;
}

// ---- Comparing ---------------------------------------------------------------------------------

/// Within `tolerance` relative to the wanted value (and 1e-15 absolute near 0).
void expect_close(std::optional<double> got, std::optional<double> want, double tolerance,
                  const std::string& what) {
  ASSERT_EQ(got.has_value(), want.has_value()) << what;
  if (want) {
    EXPECT_LE(std::fabs(*got - *want), tolerance * std::fabs(*want) + 1e-15)
        << what << ": " << *got << " against " << *want;
  }
}

/// The SIBTEST cells of an item or bundle (read through `cell`) against the oracle's values.
/// The item variances are summed in another order here, hence agreement to rounding.
template <typename CellOf>
void expect_sib_values(CellOf cell, const std::string& note, const SibValues& want,
                       const std::string& what) {
  const auto number = [&](const Column& c) { return cell_number(cell(c)); };
  expect_close(number(column::sib_beta), want.beta, 1e-12, what + " sib_beta");
  expect_close(number(column::sib_se), want.se, 1e-12, what + " sib_se");
  expect_close(number(column::sib_chi_square), want.chi_square, 1e-10, what + " sib_chi_square");
  expect_close(number(column::sib_p), want.p, 1e-9, what + " sib_p");
  EXPECT_EQ(cell_text(cell(column::sib_class)), want.sib_class) << what;
  expect_close(number(column::csib_beta), want.csib_beta, 1e-12, what + " csib_beta");
  expect_close(number(column::csib_chi_square), want.csib_chi_square, 1e-10,
               what + " csib_chi_square");
  expect_close(number(column::csib_p), want.csib_p, 1e-9, what + " csib_p");
  expect_close(number(column::csib_crossing), want.csib_crossing, 1e-8, what + " crossing");
  const std::optional<double> df = number(column::csib_df);
  ASSERT_EQ(df.has_value(), want.csib_df.has_value()) << what;
  if (df) {
    EXPECT_EQ(*df, *want.csib_df) << what;
  }
  EXPECT_EQ(note, want.note) << what;
}

std::vector<std::size_t> methods_named(const std::vector<std::string>& names) {
  std::vector<std::size_t> positions;
  for (const std::string& name : names) positions.push_back(method_position(name).value());
  std::sort(positions.begin(), positions.end());
  return positions;
}

struct Case {
  const char* name;
  Shape shape;
  MissingPolicy policy;
  int sib_min;
};

std::vector<Case> cases() {
  const std::vector<int> zero_one(9, 1);
  const std::vector<int> zero_four(7, 4);
  const std::vector<int> mixed = {1, 4, 2, 1, 3, 1, 4, 2};
  const std::vector<bool> none9(9, false), none7(7, false);
  const std::vector<bool> mixed_from = {false, false, true, false, true, false, false, false};
  return {
      {"0/1 excluded", {zero_one, none9, 1, 0.06, 11}, MissingPolicy::excluded, 6},
      {"0/1 incorrect, 3 focal", {zero_one, none9, 3, 0.05, 12}, MissingPolicy::incorrect, 6},
      {"0/1 listwise", {zero_one, none9, 1, 0.02, 13}, MissingPolicy::listwise, 4},
      {"0-4 excluded, 3 focal", {zero_four, none7, 3, 0.05, 14}, MissingPolicy::excluded, 6},
      {"0-4 incorrect", {zero_four, none7, 1, 0.07, 15}, MissingPolicy::incorrect, 3},
      {"0-4 listwise, 3 focal", {zero_four, none7, 3, 0.015, 16}, MissingPolicy::listwise, 6},
      {"mixed excluded", {mixed, mixed_from, 1, 0.05, 17}, MissingPolicy::excluded, 6},
      {"mixed incorrect, 3 focal", {mixed, mixed_from, 3, 0.04, 18}, MissingPolicy::incorrect, 5},
      {"mixed listwise", {mixed, mixed_from, 1, 0.02, 19}, MissingPolicy::listwise, 6},
      {"mixed excluded, 2 focal", {mixed, mixed_from, 2, 0.08, 20}, MissingPolicy::excluded, 2},
  };
}

TEST(SibtestMethod, EveryItemAgreesWithATableCountedFromTheRows) {
  const std::size_t sib = method_position("sib").value();
  for (const Case& c : cases()) {
    const data::ItemScores s = simulate(c.shape);
    AnalyzeOptions options;
    options.methods = methods_named({"mh", "sib"});
    options.missing = c.policy;
    options.purify = PurifyMode::none;
    options.sib_min = c.sib_min;
    const DifAnalysis analysis = analyze_scores(s, options);
    ASSERT_EQ(analysis.comparisons.size(), static_cast<std::size_t>(c.shape.focal_groups));
    std::size_t defined = 0, checked = 0;
    for (std::size_t k = 0; k < analysis.comparisons.size(); ++k) {
      const Comparison& comparison = analysis.comparisons[k];
      for (std::size_t j = 0; j < s.n_items(); ++j) {
        std::vector<std::size_t> subtest;
        for (std::size_t i = 0; i < s.n_items(); ++i)
          if (i != j) subtest.push_back(i);
        const SibValues want = sibtest_from_rows(s, c.policy, static_cast<std::uint8_t>(k + 1),
                                                 {j}, subtest, c.sib_min);
        const ItemResult& item = comparison.items[j];
        const std::string what = std::string(c.name) + ", focal " + comparison.focal + ", " +
                                 item.name;
        expect_sib_values([&](const Column& column) { return item.cell(column); },
                          item.methods[sib].note, want, what);
        // Without --adjust the adjusted p repeats the raw one.
        expect_close(item.number(column::sib_p_adjusted), want.p, 1e-9, what + " adjusted");
        defined += want.beta.has_value();
        ++checked;
      }
    }
    // Agreement on empty values alone would prove little.
    EXPECT_GE(defined, checked * 3 / 4) << c.name;
  }
}

// After purification the subtest of an item is the last round's matching set without it; an
// item flagged in the round before is matched on that set plus its own score.
TEST(SibtestMethod, SubtestIsTheLastRoundsMatchingSet) {
  const std::size_t sib = method_position("sib").value();
  Shape shape{std::vector<int>(10, 1), std::vector<bool>(10, false), 2, 0.04, 31};
  data::ItemScores s = simulate(shape);
  AnalyzeOptions options;
  options.methods = methods_named({"mh", "sib"});
  options.bundles = {{"pair", {1, 5}}};
  const DifAnalysis analysis = analyze_scores(s, options);
  for (std::size_t k = 0; k < analysis.comparisons.size(); ++k) {
    const Comparison& comparison = analysis.comparisons[k];
    ASSERT_GE(comparison.rounds.size(), 2u) << "nothing was purified";
    const std::vector<std::size_t>& left_out =
        comparison.rounds[comparison.rounds.size() - 2].flagged;
    ASSERT_FALSE(left_out.empty());
    for (std::size_t j = 0; j < s.n_items(); ++j) {
      std::vector<std::size_t> subtest;
      for (std::size_t i = 0; i < s.n_items(); ++i)
        if (i != j && std::find(left_out.begin(), left_out.end(), i) == left_out.end())
          subtest.push_back(i);
      const SibValues want = sibtest_from_rows(s, MissingPolicy::excluded,
                                               static_cast<std::uint8_t>(k + 1), {j}, subtest, 6);
      const ItemResult& item = comparison.items[j];
      ASSERT_TRUE(want.beta.has_value()) << item.name;
      expect_sib_values([&](const Column& column) { return item.cell(column); },
                        item.methods[sib].note, want, comparison.focal + " " + item.name);
    }
    // The bundle's subtest: the last round's matching items outside the bundle.
    std::vector<std::size_t> subtest;
    for (std::size_t i = 0; i < s.n_items(); ++i)
      if (i != 1 && i != 5 && std::find(left_out.begin(), left_out.end(), i) == left_out.end())
        subtest.push_back(i);
    const SibValues want = sibtest_from_rows(s, MissingPolicy::excluded,
                                             static_cast<std::uint8_t>(k + 1), {1, 5}, subtest, 6);
    const MethodValues& values = comparison.bundles.at(0).methods[sib];
    expect_sib_values(
        [&](const Column& column) {
          return value_of(values, methods()[sib].bundle_columns, column);
        },
        values.note, want, comparison.focal + " bundle");
  }
}

// With anchors the subtest is the anchors without the studied item; an item that is no anchor
// is matched on the anchor total plus its own score.
TEST(SibtestMethod, SubtestOfAnchors) {
  const std::size_t sib = method_position("sib").value();
  const std::vector<std::size_t> anchors = {0, 2, 3, 5, 6};
  for (const Case& c : cases()) {
    const data::ItemScores s = simulate(c.shape);
    AnalyzeOptions options;
    options.methods = methods_named({"mh", "sib"});
    options.missing = c.policy;
    options.anchors = anchors;
    options.sib_min = c.sib_min;
    options.bundles = {{"pair", {1, 4}}};
    const DifAnalysis analysis = analyze_scores(s, options);
    for (std::size_t k = 0; k < analysis.comparisons.size(); ++k) {
      const Comparison& comparison = analysis.comparisons[k];
      const auto focal = static_cast<std::uint8_t>(k + 1);
      for (std::size_t j = 0; j < s.n_items(); ++j) {
        std::vector<std::size_t> subtest;
        for (const std::size_t a : anchors)
          if (a != j) subtest.push_back(a);
        const SibValues want = sibtest_from_rows(s, c.policy, focal, {j}, subtest, c.sib_min);
        const ItemResult& item = comparison.items[j];
        expect_sib_values([&](const Column& column) { return item.cell(column); },
                          item.methods[sib].note, want,
                          std::string(c.name) + ", focal " + comparison.focal + ", " + item.name);
      }
      // The bundle's subtest: the anchors, none of them in the bundle.
      const SibValues want = sibtest_from_rows(s, c.policy, focal, {1, 4}, anchors, c.sib_min);
      const MethodValues& values = comparison.bundles.at(0).methods[sib];
      expect_sib_values(
          [&](const Column& column) {
            return value_of(values, methods()[sib].bundle_columns, column);
          },
          values.note, want, std::string(c.name) + ", focal " + comparison.focal + ", bundle");
    }
  }
}

TEST(SibtestMethod, BundlesAgreeWithATableCountedFromTheRows) {
  const Method& method = methods()[method_position("sib").value()];
  for (const Case& c : cases()) {
    const data::ItemScores s = simulate(c.shape);
    AnalyzeOptions options;
    options.methods = methods_named({"mh", "sib"});
    options.missing = c.policy;
    options.purify = PurifyMode::none;
    options.sib_min = c.sib_min;
    const std::size_t last = s.n_items() - 1;
    options.bundles = {{"first", {0, 1}}, {"spread", {last, 2, 4}}};
    const DifAnalysis analysis = analyze_scores(s, options);
    for (std::size_t k = 0; k < analysis.comparisons.size(); ++k) {
      const Comparison& comparison = analysis.comparisons[k];
      ASSERT_EQ(comparison.bundles.size(), 2u);
      for (std::size_t b = 0; b < 2; ++b) {
        const AnalyzeOptions::Bundle& bundle = options.bundles[b];
        std::vector<std::size_t> subtest;
        for (std::size_t i = 0; i < s.n_items(); ++i)
          if (std::find(bundle.items.begin(), bundle.items.end(), i) == bundle.items.end())
            subtest.push_back(i);
        const FromRows rows = counted_from_rows(s, c.policy, static_cast<std::uint8_t>(k + 1),
                                                bundle.items, subtest, c.sib_min);
        const SibValues& want = rows.values;
        const BundleResult& result = comparison.bundles[b];
        const std::string what = std::string(c.name) + ", focal " + comparison.focal +
                                 ", bundle " + result.name;
        EXPECT_EQ(result.name, bundle.name);
        ASSERT_EQ(result.items.size(), bundle.items.size()) << what;
        for (std::size_t i = 0; i < bundle.items.size(); ++i)
          EXPECT_EQ(result.items[i], s.item_names[bundle.items[i]]) << what;
        EXPECT_EQ(result.range.score_min, rows.y_low) << what;
        EXPECT_EQ(result.range.score_max, rows.y_high) << what;
        EXPECT_EQ(result.n_reference, static_cast<std::size_t>(rows.n[0])) << what;
        EXPECT_EQ(result.n_focal, static_cast<std::size_t>(rows.n[1])) << what;
        const MethodValues& values = result.methods[method_position("sib").value()];
        expect_sib_values(
            [&](const Column& column) { return value_of(values, method.bundle_columns, column); },
            values.note, want, what);
        EXPECT_TRUE(want.beta.has_value()) << what;
      }
    }
  }
}

}  // namespace
}  // namespace itemdif::stats

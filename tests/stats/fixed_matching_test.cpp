// Fixed matching: anchor items, and a matching score read from the data. Level tables and MH
// values worked out by hand, the equivalences that pin the matching down (anchors that are
// every item, a column that is every row's total), and the single round without purification.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "stats/dif_analysis.hpp"
#include "stats/logistic_regression.hpp"
#include "stats/mantel_haenszel.hpp"
#include "stats/method_list.hpp"
#include "stats/scores_builder.hpp"
#include "stats/sibtest_method.hpp"

namespace itemdif::stats {
namespace {

using testing::four_groups;
using testing::make_scores;

std::vector<std::size_t> methods_named(const std::vector<std::string>& names) {
  std::vector<std::size_t> positions;
  for (const std::string& name : names) positions.push_back(method_position(name).value());
  std::sort(positions.begin(), positions.end());
  return positions;
}

/// The level tables of an item as {low, high, reference scores 0 and 1, focal scores 0 and 1}.
struct Level {
  int low, high;
  double r0, r1, f0, f1;
};

void expect_levels(const ItemResult& item, const std::vector<Level>& want) {
  ASSERT_EQ(item.levels.size(), want.size()) << item.name;
  for (std::size_t k = 0; k < want.size(); ++k) {
    const LevelTable& t = item.levels[k];
    const std::string what = item.name + " level " + std::to_string(k + 1);
    EXPECT_EQ(t.low, want[k].low) << what;
    EXPECT_EQ(t.high, want[k].high) << what;
    EXPECT_EQ(t.count(0, 0), want[k].r0) << what;
    EXPECT_EQ(t.count(0, 1), want[k].r1) << what;
    EXPECT_EQ(t.count(1, 0), want[k].f0) << what;
    EXPECT_EQ(t.count(1, 1), want[k].f1) << what;
  }
}

void expect_same_number(const std::optional<double>& a, const std::optional<double>& b,
                        const std::string& what) {
  ASSERT_EQ(a.has_value(), b.has_value()) << what;
  if (a) {
    EXPECT_EQ(std::memcmp(&*a, &*b, sizeof(double)), 0) << what << ": " << *a << " " << *b;
  }
}

/// Bit for bit the same cells, coefficients, notes, flags and level tables.
void expect_same_values(const ItemValues& a, const ItemValues& b, bool overall,
                        const std::string& where) {
  const std::string what = where + " " + a.name;
  EXPECT_EQ(a.name, b.name) << what;
  EXPECT_EQ(a.flagged, b.flagged) << what;
  EXPECT_EQ(a.note, b.note) << what;
  ASSERT_EQ(a.methods.size(), b.methods.size()) << what;
  for (std::size_t m = 0; m < a.methods.size(); ++m) {
    const Columns columns = columns_of(methods()[m], overall);
    ASSERT_EQ(a.methods[m].cells.size(), b.methods[m].cells.size()) << what;
    for (std::size_t c = 0; c < a.methods[m].cells.size(); ++c) {
      const std::string column = what + " " + std::string(columns[c]->name);
      expect_same_number(cell_number(a.methods[m].cells[c]), cell_number(b.methods[m].cells[c]),
                         column);
      EXPECT_EQ(cell_text(a.methods[m].cells[c]), cell_text(b.methods[m].cells[c])) << column;
    }
    const auto& ca = a.methods[m].coefficients;
    const auto& cb = b.methods[m].coefficients;
    ASSERT_EQ(ca.size(), cb.size()) << what;
    for (std::size_t k = 0; k < ca.size(); ++k) {
      const std::string term = what + " " + ca[k].model + " " + ca[k].term;
      EXPECT_EQ(ca[k].model + ca[k].term, cb[k].model + cb[k].term) << term;
      expect_same_number(ca[k].estimate, cb[k].estimate, term);
      expect_same_number(ca[k].se, cb[k].se, term);
    }
  }
  ASSERT_EQ(a.levels.size(), b.levels.size()) << what;
  for (std::size_t k = 0; k < a.levels.size(); ++k) {
    const LevelTable& x = a.levels[k];
    const LevelTable& y = b.levels[k];
    EXPECT_EQ(x.low, y.low) << what;
    EXPECT_EQ(x.high, y.high) << what;
    EXPECT_EQ(x.used, y.used) << what;
    ASSERT_EQ(x.groups(), y.groups()) << what;
    for (std::size_t g = 0; g < x.groups(); ++g)
      for (int score = x.score_min(); score <= x.score_max(); ++score)
        EXPECT_EQ(x.count(g, score), y.count(g, score)) << what << " level " << k + 1;
  }
}

void expect_same_items(const DifAnalysis& a, const DifAnalysis& b, const std::string& where) {
  ASSERT_EQ(a.comparisons.size(), b.comparisons.size()) << where;
  for (std::size_t k = 0; k < a.comparisons.size(); ++k) {
    const Comparison& x = a.comparisons[k];
    const Comparison& y = b.comparisons[k];
    ASSERT_EQ(x.items.size(), y.items.size());
    for (std::size_t j = 0; j < x.items.size(); ++j) {
      const std::string what = where + ", focal " + x.focal;
      expect_same_values(x.items[j], y.items[j], false, what);
      EXPECT_EQ(x.items[j].n_reference, y.items[j].n_reference) << what;
      EXPECT_EQ(x.items[j].n_focal, y.items[j].n_focal) << what;
      expect_same_number(x.items[j].mean_reference, y.items[j].mean_reference, what);
      expect_same_number(x.items[j].mean_focal, y.items[j].mean_focal, what);
    }
    ASSERT_EQ(x.bundles.size(), y.bundles.size());
    for (std::size_t b = 0; b < x.bundles.size(); ++b)
      for (std::size_t m = 0; m < x.bundles[b].methods.size(); ++m)
        for (std::size_t c = 0; c < x.bundles[b].methods[m].cells.size(); ++c)
          expect_same_number(cell_number(x.bundles[b].methods[m].cells[c]),
                             cell_number(y.bundles[b].methods[m].cells[c]),
                             where + " bundle " + x.bundles[b].name);
  }
  ASSERT_EQ(a.overall.has_value(), b.overall.has_value()) << where;
  if (!a.overall) return;
  ASSERT_EQ(a.overall->items.size(), b.overall->items.size());
  for (std::size_t j = 0; j < a.overall->items.size(); ++j) {
    expect_same_values(a.overall->items[j], b.overall->items[j], true, where + ", overall");
    EXPECT_EQ(a.overall->items[j].n, b.overall->items[j].n) << where;
  }
}

void expect_fixed(const std::vector<Round>& rounds, bool converged, Stop stop,
                  const std::string& where) {
  ASSERT_EQ(rounds.size(), 1u) << where;
  EXPECT_EQ(rounds[0].number, 1) << where;
  EXPECT_TRUE(converged) << where;
  EXPECT_EQ(stop, Stop::fixed_matching) << where;
}

// ---- Anchors -----------------------------------------------------------------------------------

// Four 0/1 items, anchors q1 and q2; reference 11 examinees, focal 12, one reference examinee
// without q2.
data::ItemScores anchored() {
  return make_scores({{0, "0000", 2}, {0, "1010", 3}, {0, "1101", 2}, {0, "0111", 1},
                      {0, "1111", 2}, {0, "1.10", 1},
                      {1, "0010", 2}, {1, "1000", 2}, {1, "0101", 1}, {1, "1110", 3},
                      {1, "1111", 1}, {1, "1010", 2}, {1, "1100", 1}});
}

TEST(Anchors, MatchingScoreIsTheAnchorTotalPlusTheStudiedItem) {
  AnalyzeOptions options;
  options.anchors = std::vector<std::size_t>{0, 1};
  options.purify = PurifyMode::none;
  const DifAnalysis analysis = analyze_scores(anchored(), options);
  const Comparison& c = analysis.comparisons.at(0);

  // q3 is no anchor: matched on q1 + q2 + q3, levels 0..3 (the missing q2 counts 0).
  //   reference 0000 x2 -> 0 (q3 0); 1010 x3 -> 2 (1); 1101 x2 -> 2 (0); 0111 -> 2 (1);
  //             1111 x2 -> 3 (1); 1.10 -> 2 (1)
  //   focal     0010 x2 -> 1 (1); 1000 x2 -> 1 (0); 0101 -> 1 (0); 1110 x3 -> 3 (1);
  //             1111 -> 3 (1); 1010 x2 -> 2 (1); 1100 -> 2 (0)
  expect_levels(c.items[2], {{0, 0, 2, 0, 0, 0}, {1, 1, 0, 0, 3, 2}, {2, 2, 2, 5, 1, 2},
                             {3, 3, 0, 2, 0, 4}});
  // Used: levels 2 and 3. Level 2: A 5, B 2, C 2, D 1, N 10: AD/N = 1/2, BC/N = 2/5; level 3
  // has no incorrect answer and adds nothing: alpha = 5/4.
  ASSERT_TRUE(c.items[2].number(column::mh_alpha).has_value());
  EXPECT_NEAR(*c.items[2].number(column::mh_alpha), 1.25, 1e-15);

  // q1 is an anchor: matched on the anchor total q1 + q2, levels 0..2.
  //   reference 0000 x2 -> 0 (0); 1010 x3 -> 1 (1); 1101 x2 -> 2 (1); 0111 -> 1 (0);
  //             1111 x2 -> 2 (1); 1.10 -> 1 (1)
  //   focal     0010 x2 -> 0 (0); 1000 x2 -> 1 (1); 0101 -> 1 (0); 1110 x3 -> 2 (1);
  //             1111 -> 2 (1); 1010 x2 -> 1 (1); 1100 -> 2 (1)
  expect_levels(c.items[0], {{0, 0, 2, 0, 2, 0}, {1, 1, 1, 4, 1, 4}, {2, 2, 0, 4, 0, 5}});
  // Level 1 alone has both answers: A 4, B 1, C 4, D 1: alpha = (4/10) / (4/10) = 1.
  EXPECT_NEAR(*c.items[0].number(column::mh_alpha), 1.0, 1e-15);

  // q2 is an anchor whose missing answer leaves that examinee out of its own table only.
  EXPECT_EQ(c.items[1].n_reference, 10u);
  EXPECT_EQ(c.items[1].n_focal, 12u);
  double in_tables = 0;
  for (const LevelTable& t : c.items[1].levels) in_tables += t.group_size(0);
  EXPECT_EQ(in_tables, 10);
  EXPECT_EQ(c.items[1].levels.size(), 3u);

  expect_fixed(c.rounds, c.converged, c.stop, "anchors q1, q2");
}

// Anchoring on every item is the first round of a run without anchors, column for column:
// every item, anchors included, is matched on the total with its own score in it.
TEST(Anchors, EveryItemAnchoredIsTheFirstRoundWithoutAnchors) {
  const data::ItemScores s = four_groups(5);
  for (const MissingPolicy missing :
       {MissingPolicy::excluded, MissingPolicy::incorrect, MissingPolicy::listwise}) {
    AnalyzeOptions plain;
    plain.methods = methods_named({"mh", "std", "bd", "lr", "sib"});
    plain.missing = missing;
    plain.purify = PurifyMode::none;
    plain.adjust = Adjust::holm;
    plain.min_per_group = 2;
    plain.bundles = {{"pair", {2, 3}}};
    AnalyzeOptions anchored = plain;
    anchored.anchors = std::vector<std::size_t>{0, 1, 2, 3, 4, 5};
    const DifAnalysis a = analyze_scores(s, plain);
    const DifAnalysis b = analyze_scores(s, anchored);
    const std::string where = "missing policy " + std::to_string(static_cast<int>(missing));
    expect_same_items(a, b, where);
    for (const Comparison& c : b.comparisons) expect_fixed(c.rounds, c.converged, c.stop, where);
    ASSERT_TRUE(b.overall.has_value());
    expect_fixed(b.overall->rounds, b.overall->converged, b.overall->stop, where + " overall");
    // The first round of the purified run flags the same items.
    AnalyzeOptions purified = plain;
    purified.purify = PurifyMode::iterative;
    const DifAnalysis p = analyze_scores(s, purified);
    for (std::size_t k = 0; k < p.comparisons.size(); ++k)
      EXPECT_EQ(p.comparisons[k].rounds.front().flagged, b.comparisons[k].rounds.front().flagged)
          << where;
  }
}

// Anchors are not purified: items with DIF stay where they are, flagged but matched on; the
// round is the only one whatever the flag rule says, and every item has its values.
TEST(Anchors, OneRoundEveryItemTested) {
  const data::ItemScores s = four_groups(11);  // item r0 has DIF for A, r1 for C
  AnalyzeOptions options;
  options.methods = methods_named({"mh", "std", "lr", "sib"});
  options.anchors = std::vector<std::size_t>{0, 1, 4};
  options.min_per_group = 3;
  const DifAnalysis a = analyze_scores(s, options);
  ASSERT_EQ(a.comparisons.size(), 3u);
  for (const Comparison& c : a.comparisons) {
    expect_fixed(c.rounds, c.converged, c.stop, c.focal);
    ASSERT_EQ(c.items.size(), 6u);
    for (const ItemResult& item : c.items) {
      EXPECT_TRUE(item.number(column::mh_p).has_value()) << c.focal << " " << item.name;
      EXPECT_TRUE(item.number(column::lr_p).has_value()) << c.focal << " " << item.name;
      EXPECT_FALSE(cell_text(item.cell(column::ets_class)).empty()) << item.name;
    }
    // SIBTEST's subtest: the anchors without the studied item, so two items for an anchor.
    for (const std::size_t j : {0u, 1u, 2u, 5u})
      EXPECT_TRUE(c.items[j].number(column::sib_beta).has_value()) << c.focal << " " << j;
  }
  // The anchors with DIF are flagged, and so stay in the matching.
  EXPECT_TRUE(a.comparisons[0].items[0].flagged);
  EXPECT_TRUE(a.comparisons[2].items[1].flagged);
  EXPECT_EQ(a.comparisons[0].rounds[0].flagged.size(),
            static_cast<std::size_t>(std::count_if(
                a.comparisons[0].items.begin(), a.comparisons[0].items.end(),
                [](const ItemResult& item) { return item.flagged; })));
  ASSERT_TRUE(a.overall.has_value());
  expect_fixed(a.overall->rounds, a.overall->converged, a.overall->stop, "overall");
  EXPECT_TRUE(a.overall->items[0].flagged);
}

// ---- A matching score from the data ------------------------------------------------------------

/// `count` examinees of `group` answering `pattern` with matching score `match`.
struct Row {
  std::uint8_t group;
  std::string pattern;
  int match;
  int count;
};

data::ItemScores with_match(const std::vector<Row>& rows) {
  std::vector<testing::Pattern> patterns;
  for (const Row& r : rows) patterns.push_back({r.group, r.pattern, r.count});
  data::ItemScores s = make_scores(patterns);
  for (const Row& r : rows)
    for (int c = 0; c < r.count; ++c) s.match.push_back(r.match);
  s.match_column = "m";
  return s;
}

TEST(ExternalMatching, LevelsRunOverTheColumnWithoutTheStudiedItem) {
  const data::ItemScores s = with_match({
      {0, "100", -1, 1}, {0, "000", -1, 2}, {0, "110", 0, 3}, {0, "010", 0, 2},
      {0, "111", 1, 4},  {0, "011", 1, 1},  {0, "1.1", 2, 2},
      {1, "000", -1, 2}, {1, "100", -1, 1}, {1, "010", 0, 3}, {1, "110", 0, 1},
      {1, "101", 1, 2},  {1, "001", 1, 2},  {1, "111", 2, 1}, {1, ".11", 2, 1},
  });
  AnalyzeOptions options;
  options.purify = PurifyMode::none;
  const DifAnalysis analysis = analyze_scores(s, options);
  const Comparison& c = analysis.comparisons.at(0);
  expect_fixed(c.rounds, c.converged, c.stop, "external");

  // q1 by the column's value, lo -1 and hi 2, the row without q1 left out of q1's table.
  const ItemResult& q1 = c.items[0];
  expect_levels(q1, {{-1, -1, 2, 1, 2, 1}, {0, 0, 2, 3, 3, 1}, {1, 1, 1, 4, 2, 2},
                     {2, 2, 0, 2, 0, 1}});
  // AD/N: 2/6, 9/9, 8/9, 0; BC/N: 2/6, 2/9, 2/9, 0: alpha = (20/9) / (7/9) = 20/7.
  ASSERT_TRUE(q1.number(column::mh_alpha).has_value());
  EXPECT_NEAR(*q1.number(column::mh_alpha), 20.0 / 7, 1e-14);
  // Sum A = 10, sum E = 1 + 20/9 + 30/9 + 2 = 77/9; V = 2/5 + 50/81 + 5/9 + 0 = 637/405;
  // chi-square = (13/9 - 1/2)^2 / (637/405) = 1445/2548.
  EXPECT_NEAR(*q1.number(column::mh_chi_square), 1445.0 / 2548, 1e-14);
  // (With q1's own score added, the examinees of one value would split over two levels by
  // their answer to q1.)

  // q2 on the same levels; the two reference rows without q2 are left out of its table.
  expect_levels(c.items[1], {{-1, -1, 3, 0, 3, 0}, {0, 0, 0, 5, 0, 4}, {1, 1, 0, 5, 4, 0},
                             {2, 2, 0, 0, 0, 2}});
}

/// Every row's total score (a missing response at the item's lowest score) as its matching
/// score from the data.
data::ItemScores total_as_match(data::ItemScores s) {
  std::vector<int> lowest(s.n_items(), 255);
  for (std::size_t i = 0; i < s.n_examinees; ++i)
    for (std::size_t j = 0; j < s.n_items(); ++j)
      if (s.score(i, j) != data::kMissing) lowest[j] = std::min<int>(lowest[j], s.score(i, j));
  s.match.clear();
  for (std::size_t i = 0; i < s.n_examinees; ++i) {
    int total = 0;
    for (std::size_t j = 0; j < s.n_items(); ++j)
      total += s.score(i, j) == data::kMissing ? lowest[j] : s.score(i, j);
    s.match.push_back(total);
  }
  s.match_column = "total";
  return s;
}

// An item of the matching set is matched on the total with its own score in it: the column
// that holds every row's total gives the same tables, and so every value of MH, STD, BD and LR,
// in every comparison and overall.
TEST(ExternalMatching, TheTotalAsAColumnIsTheUnpurifiedRun) {
  const data::ItemScores s = four_groups(7);  // totals 0 and 18 occur: the same levels
  for (const MissingPolicy missing : {MissingPolicy::excluded, MissingPolicy::incorrect}) {
    AnalyzeOptions options;
    options.methods = methods_named({"mh", "std", "bd", "lr"});
    options.missing = missing;
    options.purify = PurifyMode::none;
    options.adjust = Adjust::bh;
    const DifAnalysis plain = analyze_scores(s, options);
    const DifAnalysis external = analyze_scores(total_as_match(s), options);
    const std::string where = "missing policy " + std::to_string(static_cast<int>(missing));
    expect_same_items(plain, external, where);
    for (const Comparison& c : external.comparisons)
      expect_fixed(c.rounds, c.converged, c.stop, where);
    ASSERT_TRUE(external.overall.has_value());
    expect_fixed(external.overall->rounds, external.overall->converged, external.overall->stop,
                 where + " overall");
  }
}

TEST(ExternalMatching, MethodsThatMatchOnItemsAndAnchorsAreRefused) {
  data::ItemScores s = with_match({{0, "10", 1, 3}, {0, "01", 0, 3}, {1, "11", 2, 3},
                                   {1, "00", -3, 3}});
  AnalyzeOptions sib;
  sib.methods = methods_named({"mh", "sib"});
  EXPECT_THROW(analyze_scores(s, sib), data::InputError);
  AnalyzeOptions anchors;
  anchors.anchors = std::vector<std::size_t>{0};
  EXPECT_THROW(analyze_scores(s, anchors), data::InputError);
  // Negative scores are matching scores like any other.
  AnalyzeOptions plain;
  const DifAnalysis a = analyze_scores(s, plain);
  ASSERT_EQ(a.comparisons[0].items[0].levels.size(), 6u);  // -3..2
  EXPECT_EQ(a.comparisons[0].items[0].levels.front().low, -3);
  EXPECT_EQ(a.comparisons[0].items[0].levels.back().high, 2);
}

}  // namespace
}  // namespace itemdif::stats

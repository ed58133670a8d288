// When purification stops, driven by scripted rounds, and the flag rules.
#include "stats/purification.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "stats/method_list.hpp"

namespace itemdif::stats {
namespace {

using Set = std::vector<std::size_t>;

/// Items analysed in the scripted runs: many, so that the guard stays out of their way.
constexpr std::size_t kItems = 100;

/// A runner that flags the scripted sets in turn and records what each round left out.
struct Script {
  std::vector<Set> flags;
  std::vector<Set> left_out;
  RoundRunner runner() {
    return [this](int round, const Set& out) {
      EXPECT_EQ(static_cast<std::size_t>(round), left_out.size() + 1);
      left_out.push_back(out);
      return flags.at(static_cast<std::size_t>(round - 1));
    };
  }
};

std::vector<Set> flagged_sets(const Purification& p) {
  std::vector<Set> sets;
  for (const Round& r : p.rounds) sets.push_back(r.flagged);
  return sets;
}

TEST(Purify, NothingFlaggedConvergesAfterOneRound) {
  Script s{{{}}, {}};
  const Purification p = purify(PurifyMode::iterative, 10, kItems, s.runner());
  EXPECT_EQ(p.rounds.size(), 1u);
  EXPECT_TRUE(p.converged);
}

TEST(Purify, ConvergesWhenAFlaggedSetRepeatsTheLeftOutSet) {
  Script s{{{1, 4}, {1}, {1}, {9}}, {}};
  const Purification p = purify(PurifyMode::iterative, 10, kItems, s.runner());
  EXPECT_EQ(flagged_sets(p), (std::vector<Set>{{1, 4}, {1}, {1}}));
  EXPECT_EQ(s.left_out, (std::vector<Set>{{}, {1, 4}, {1}}));  // not cumulative
  EXPECT_TRUE(p.converged);
  EXPECT_EQ(p.rounds[2].number, 3);
  EXPECT_EQ(p.stop, Stop::converged);
}

TEST(Purify, CycleStopsNotConverged) {
  Script s{{{1}, {2}, {1}, {2}}, {}};
  const Purification p = purify(PurifyMode::iterative, 10, kItems, s.runner());
  EXPECT_EQ(flagged_sets(p), (std::vector<Set>{{1}, {2}, {1}}));
  EXPECT_FALSE(p.converged);
  EXPECT_EQ(p.stop, Stop::repeated);
}

TEST(Purify, RoundLimitStopsNotConverged) {
  Script s{{{1}, {2}, {3}, {4}, {5}}, {}};
  const Purification p = purify(PurifyMode::iterative, 3, kItems, s.runner());
  EXPECT_EQ(p.rounds.size(), 3u);
  EXPECT_FALSE(p.converged);
  EXPECT_EQ(p.stop, Stop::max_rounds);
}

TEST(Purify, ConvergingInTheLastAllowedRound) {
  Script s{{{1}, {1}}, {}};
  const Purification p = purify(PurifyMode::iterative, 2, kItems, s.runner());
  EXPECT_EQ(p.rounds.size(), 2u);
  EXPECT_TRUE(p.converged);
}

TEST(Purify, TwoPassRunsExactlyTwoRounds) {
  Script none_flagged{{{}, {}, {}}, {}};
  Purification p = purify(PurifyMode::two_pass, 10, kItems, none_flagged.runner());
  EXPECT_EQ(p.rounds.size(), 2u);
  EXPECT_TRUE(p.converged);
  Script changing{{{3}, {2}, {2}}, {}};
  p = purify(PurifyMode::two_pass, 10, kItems, changing.runner());
  EXPECT_EQ(flagged_sets(p), (std::vector<Set>{{3}, {2}}));
  EXPECT_EQ(changing.left_out.back(), Set{3});
  EXPECT_FALSE(p.converged);
  EXPECT_EQ(p.stop, Stop::max_rounds);
}

TEST(Purify, AGuardStopsARoundThatFlagsMoreThanHalfOfTheItems) {
  // Of 6 items, 3 flagged is half and purification goes on; 4 is more and it stops there.
  Script half{{{0, 1, 2}, {0, 1, 2}}, {}};
  Purification p = purify(PurifyMode::iterative, 10, 6, half.runner());
  EXPECT_EQ(p.rounds.size(), 2u);
  EXPECT_EQ(p.stop, Stop::converged);
  Script most{{{0, 1}, {0, 1, 2, 3}, {0}}, {}};
  p = purify(PurifyMode::iterative, 10, 6, most.runner());
  EXPECT_EQ(flagged_sets(p), (std::vector<Set>{{0, 1}, {0, 1, 2, 3}}));
  EXPECT_FALSE(p.converged);
  EXPECT_EQ(p.stop, Stop::too_many_flagged);
  // Two-pass stops after a first round that flags too many; none only names the stop.
  Script first{{{0, 1, 2, 3}, {}}, {}};
  EXPECT_EQ(purify(PurifyMode::two_pass, 10, 6, first.runner()).rounds.size(), 1u);
  Script once{{{0, 1, 2, 3, 4}}, {}};
  p = purify(PurifyMode::none, 10, 6, once.runner());
  EXPECT_EQ(p.stop, Stop::too_many_flagged);
  EXPECT_FALSE(p.converged);
}

TEST(Purify, NoneRunsOneRound) {
  Script flags{{{0}, {0}}, {}};
  Purification p = purify(PurifyMode::none, 10, kItems, flags.runner());
  EXPECT_EQ(p.rounds.size(), 1u);
  EXPECT_FALSE(p.converged);  // round 1 left nothing out but flagged an item
  EXPECT_EQ(p.stop, Stop::max_rounds);
  Script quiet{{{}}, {}};
  p = purify(PurifyMode::none, 10, kItems, quiet.runner());
  EXPECT_TRUE(p.converged);
  EXPECT_EQ(p.stop, Stop::converged);
}

// An item whose Mantel-Haenszel values hold `ets_class` (empty: undefined) and an adjusted p.
ItemResult mh_item(const std::string& ets_class, double p_adjusted) {
  ItemResult item;
  item.methods.resize(methods().size());
  item.methods[0].cells.resize(methods()[0].columns.size());
  const auto put = [&](std::string_view name, Cell value) {
    const std::optional<ColumnPlace> place = column_place_named(name);
    ASSERT_EQ(place->method, 0u) << name;
    item.methods[0].cells[place->column] = std::move(value);
  };
  put("ets_class", class_cell(ets_class));
  put("mh_p_adjusted", p_adjusted);
  return item;
}

TEST(FlagRule, EachRule) {
  const ItemResult b = mh_item("B-", 0.2);
  const ItemResult c = mh_item("C+", 0.01);
  const ItemResult a = mh_item("A", 0.049);
  const ItemResult undefined = mh_item("", 1e-9);  // odds ratio 0: no class, though p is small
  const ItemResult bb = mh_item("BB+", 0.3);  // polytomous classes read like the 0/1 ones
  const ItemResult cc = mh_item("CC-", 0.001);
  EXPECT_TRUE(meets_flag_rule(b, "ets", 0.05));
  EXPECT_TRUE(meets_flag_rule(c, "ets", 0.05));
  EXPECT_FALSE(meets_flag_rule(a, "ets", 0.05));
  EXPECT_FALSE(meets_flag_rule(b, "ets-c", 0.05));
  EXPECT_TRUE(meets_flag_rule(c, "ets-c", 0.05));
  EXPECT_TRUE(meets_flag_rule(a, "p", 0.05));
  EXPECT_FALSE(meets_flag_rule(a, "p", 0.049));
  EXPECT_FALSE(meets_flag_rule(b, "p", 0.05));
  EXPECT_FALSE(meets_flag_rule(undefined, "p", 0.05));
  EXPECT_FALSE(meets_flag_rule(undefined, "ets", 0.05));
  EXPECT_TRUE(meets_flag_rule(bb, "ets", 0.05));
  EXPECT_FALSE(meets_flag_rule(bb, "ets-c", 0.05));
  EXPECT_TRUE(meets_flag_rule(cc, "ets-c", 0.05));
  // A method list without its Mantel-Haenszel values: nothing to flag on.
  EXPECT_FALSE(meets_flag_rule(ItemResult{}, "ets", 0.05));
}

}  // namespace
}  // namespace itemdif::stats

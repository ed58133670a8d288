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
  const Purification p = purify(PurifyMode::iterative, 10, s.runner());
  EXPECT_EQ(p.rounds.size(), 1u);
  EXPECT_TRUE(p.converged);
}

TEST(Purify, ConvergesWhenAFlaggedSetRepeatsTheLeftOutSet) {
  Script s{{{1, 4}, {1}, {1}, {9}}, {}};
  const Purification p = purify(PurifyMode::iterative, 10, s.runner());
  EXPECT_EQ(flagged_sets(p), (std::vector<Set>{{1, 4}, {1}, {1}}));
  EXPECT_EQ(s.left_out, (std::vector<Set>{{}, {1, 4}, {1}}));  // not cumulative
  EXPECT_TRUE(p.converged);
  EXPECT_EQ(p.rounds[2].number, 3);
}

TEST(Purify, CycleStopsNotConverged) {
  Script s{{{1}, {2}, {1}, {2}}, {}};
  const Purification p = purify(PurifyMode::iterative, 10, s.runner());
  EXPECT_EQ(flagged_sets(p), (std::vector<Set>{{1}, {2}, {1}}));
  EXPECT_FALSE(p.converged);
}

TEST(Purify, RoundLimitStopsNotConverged) {
  Script s{{{1}, {2}, {3}, {4}, {5}}, {}};
  const Purification p = purify(PurifyMode::iterative, 3, s.runner());
  EXPECT_EQ(p.rounds.size(), 3u);
  EXPECT_FALSE(p.converged);
}

TEST(Purify, ConvergingInTheLastAllowedRound) {
  Script s{{{1}, {1}}, {}};
  const Purification p = purify(PurifyMode::iterative, 2, s.runner());
  EXPECT_EQ(p.rounds.size(), 2u);
  EXPECT_TRUE(p.converged);
}

TEST(Purify, TwoPassRunsExactlyTwoRounds) {
  Script none_flagged{{{}, {}, {}}, {}};
  Purification p = purify(PurifyMode::two_pass, 10, none_flagged.runner());
  EXPECT_EQ(p.rounds.size(), 2u);
  EXPECT_TRUE(p.converged);
  Script changing{{{3}, {2}, {2}}, {}};
  p = purify(PurifyMode::two_pass, 10, changing.runner());
  EXPECT_EQ(flagged_sets(p), (std::vector<Set>{{3}, {2}}));
  EXPECT_EQ(changing.left_out.back(), Set{3});
  EXPECT_FALSE(p.converged);
}

TEST(Purify, NoneRunsOneRound) {
  Script flags{{{0}, {0}}, {}};
  Purification p = purify(PurifyMode::none, 10, flags.runner());
  EXPECT_EQ(p.rounds.size(), 1u);
  EXPECT_FALSE(p.converged);  // round 1 left nothing out but flagged an item
  Script quiet{{{}}, {}};
  EXPECT_TRUE(purify(PurifyMode::none, 10, quiet.runner()).converged);
}

// An item whose Mantel-Haenszel values hold `ets_class` (empty: undefined) and an adjusted p.
ItemResult mh_item(const std::string& ets_class, double p_adjusted) {
  ItemResult item;
  item.methods.resize(methods().size());
  item.methods[0].cells.resize(methods()[0].columns.size());
  const auto put = [&](std::string_view name, Cell value) {
    const std::optional<ColumnPlace> place = column_place(name);
    ASSERT_TRUE(place.has_value()) << name;
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
  EXPECT_TRUE(meets_flag_rule(b, FlagRule::ets, 0.05));
  EXPECT_TRUE(meets_flag_rule(c, FlagRule::ets, 0.05));
  EXPECT_FALSE(meets_flag_rule(a, FlagRule::ets, 0.05));
  EXPECT_FALSE(meets_flag_rule(b, FlagRule::ets_c, 0.05));
  EXPECT_TRUE(meets_flag_rule(c, FlagRule::ets_c, 0.05));
  EXPECT_TRUE(meets_flag_rule(a, FlagRule::p, 0.05));
  EXPECT_FALSE(meets_flag_rule(a, FlagRule::p, 0.049));
  EXPECT_FALSE(meets_flag_rule(b, FlagRule::p, 0.05));
  EXPECT_FALSE(meets_flag_rule(undefined, FlagRule::p, 0.05));
  EXPECT_FALSE(meets_flag_rule(undefined, FlagRule::ets, 0.05));
  EXPECT_TRUE(meets_flag_rule(bb, FlagRule::ets, 0.05));
  EXPECT_FALSE(meets_flag_rule(bb, FlagRule::ets_c, 0.05));
  EXPECT_TRUE(meets_flag_rule(cc, FlagRule::ets_c, 0.05));
  // A method list without its Mantel-Haenszel values: nothing to flag on.
  EXPECT_FALSE(meets_flag_rule(ItemResult{}, FlagRule::ets, 0.05));
}

}  // namespace
}  // namespace itemdif::stats

// When purification stops, driven by scripted rounds, and the flag rules.
#include "stats/purification.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

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

TEST(FlagRule, EachRule) {
  MhValues b;
  b.ets_class = "B-";
  b.p_adjusted = 0.2;
  MhValues c;
  c.ets_class = "C+";
  c.p_adjusted = 0.01;
  MhValues a;
  a.ets_class = "A";
  a.p_adjusted = 0.049;
  MhValues undefined;  // odds ratio 0: no class, though its p is small
  undefined.p_adjusted = 1e-9;
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
}

}  // namespace
}  // namespace itemdif::stats

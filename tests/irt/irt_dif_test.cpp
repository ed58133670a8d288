// The tests of studied items: planted DIF found where it is and nowhere else, degrees of
// freedom, and the notes of items without values.
#include "irt/irt_dif.hpp"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "irt/marginal_model.hpp"
#include "irt/maximise.hpp"
#include "irt/response_patterns.hpp"
#include "simulate.hpp"

namespace itemdif::irt {
namespace {

using testing::SimItem;

std::vector<std::size_t> all_items(std::size_t n) {
  std::vector<std::size_t> v(n);
  std::iota(v.begin(), v.end(), 0);
  return v;
}

std::vector<SimItem> two_pl(std::size_t n) {
  std::vector<SimItem> items;
  for (std::size_t j = 0; j < n; ++j)
    items.push_back({0.8 + 0.1 * static_cast<double>(j % 6), {1.2 - 0.2 * static_cast<double>(j)}});
  return items;
}

// Item 2 is harder for the focal group (uniform DIF), item 5 discriminates less there
// (nonuniform DIF, same difficulty at the focal mean); the focal group is a little weaker.
struct Planted : ::testing::Test {
  static testing::Simulated make() {
    std::vector<std::vector<SimItem>> items{two_pl(12), two_pl(12)};
    items[1][2].d[0] -= 0.9;
    items[1][5].a = 0.25;
    return testing::simulate(items, {2500, 2500}, {0.0, -0.3}, {1.0, 1.1}, 5);
  }
  testing::Simulated sim = make();
  IrtData data = sim.data(2);
  std::vector<IrtItemTest> run(unsigned threads) const {
    return irt_dif({data, std::vector<std::uint8_t>(12, 1), all_items(12), {"M", "F"}, threads});
  }
};

TEST_F(Planted, finds_the_planted_items_only) {
  const std::vector<IrtItemTest> tests = run(0);
  ASSERT_EQ(tests.size(), 12u);
  for (std::size_t j = 0; j < 12; ++j) {
    const IrtItemTest& t = tests[j];
    ASSERT_TRUE(t.chi_square && t.uniform_chi_square && t.nonuniform_chi_square) << j << ": " << t.note;
    EXPECT_TRUE(t.note.empty()) << t.note;
    // Each likelihood ratio is the sum of its two parts, and larger models fit no worse.
    EXPECT_NEAR(*t.chi_square, *t.uniform_chi_square + *t.nonuniform_chi_square, 1e-6);
    EXPECT_GE(*t.loglik_free, *t.loglik_uniform - 1e-7);
    EXPECT_GE(*t.loglik_uniform, *t.loglik_constrained - 1e-7);
    if (j == 2) {
      EXPECT_GT(*t.uniform_chi_square, 60.0);
      EXPECT_LT(*t.nonuniform_chi_square, 10.8);  // p above 0.001 for 1 df
      EXPECT_LT(*t.esd, -0.05);  // the reference group is favoured
      EXPECT_GE(*t.uesd, -*t.esd - 1e-12);
    } else if (j == 5) {
      EXPECT_GT(*t.nonuniform_chi_square, 60.0);
    } else {
      EXPECT_LT(*t.chi_square, 16.0) << j;  // p about 3e-4 for 2 df
      EXPECT_LT(std::abs(*t.esd), 0.05) << j;
    }
  }
  EXPECT_GT(*tests[2].chi_square, 60.0);
  EXPECT_GT(*tests[5].chi_square, 60.0);
}

TEST_F(Planted, coefficients_curves_and_tails) {
  const std::vector<IrtItemTest> tests = run(1);
  const IrtItemTest& t = tests[2];
  std::vector<std::string> terms;
  for (const IrtCoefficient& c : t.coefficients) terms.push_back(c.model + ":" + c.term);
  EXPECT_EQ(terms, (std::vector<std::string>{"irt_constrained:a", "irt_constrained:d", "irt_constrained:mean_F",
                                             "irt_constrained:sd_F", "irt_free:a_M", "irt_free:d_M", "irt_free:a_F",
                                             "irt_free:d_F", "irt_free:mean_F", "irt_free:sd_F"}));
  // The free model recovers the planted shift of the intercept (0.9) and the focal ability.
  EXPECT_NEAR(*t.coefficients[5].estimate - *t.coefficients[7].estimate, 0.9, 0.25);
  EXPECT_NEAR(*t.coefficients[8].estimate, -0.3, 0.1);
  EXPECT_NEAR(*t.coefficients[9].estimate, 1.1, 0.1);
  ASSERT_EQ(t.expected_free.size(), 2u);
  ASSERT_EQ(t.expected_free[0].size(), 61u);
  EXPECT_LT(t.expected_free[1][30], t.expected_free[0][30]);
  // Upper tails of chi-square with 2 and 1 df in closed form.
  EXPECT_NEAR(*t.p, std::exp(-*t.chi_square / 2), 1e-12 + 1e-9 * *t.p);
  EXPECT_NEAR(*t.nonuniform_p, std::erfc(std::sqrt(*t.nonuniform_chi_square / 2)), 1e-12);
}

TEST_F(Planted, same_numbers_on_one_thread_and_on_two) {
  const std::vector<IrtItemTest> one = run(1), two = run(2);
  for (std::size_t j = 0; j < 12; ++j) {
    EXPECT_EQ(one[j].loglik_constrained, two[j].loglik_constrained);
    EXPECT_EQ(one[j].loglik_free, two[j].loglik_free);
    EXPECT_EQ(one[j].loglik_uniform, two[j].loglik_uniform);
  }
}

TEST_F(Planted, each_log_likelihood_is_that_of_a_fit_from_scratch) {
  // The item fits start from the anchored maximum; fitted from a cold start on their own they
  // reach the same log-likelihoods.
  const std::vector<IrtItemTest> tests = run(2);
  const ResponsePatterns patterns = response_patterns(data);
  const std::vector<std::string> items(12, "item"), groups{"M", "F"};
  for (std::size_t j : {2u, 9u}) {
    std::vector<Tie> ties(12, Tie::common);
    ties[j] = Tie::free;
    const MarginalModel free(patterns, ties);
    const Fit f = maximise(free, free.start(), std::nullopt, std::nullopt, items, groups, 2);
    ASSERT_EQ(f.status, Fit::Status::maximum);
    EXPECT_NEAR(*tests[j].loglik_free, f.log_l, 1e-6);
    ties[j] = Tie::common_slope;
    const MarginalModel uniform(patterns, ties);
    const Fit u = maximise(uniform, uniform.start(), std::nullopt, std::nullopt, items, groups, 2);
    ASSERT_EQ(u.status, Fit::Status::maximum);
    EXPECT_NEAR(*tests[j].loglik_uniform, u.log_l, 1e-6);
  }
}

// Six 0/1 items and two graded items (0..3), three groups.
testing::Simulated three_groups(unsigned seed) {
  std::vector<SimItem> items = two_pl(6);
  items.push_back({1.0, {1.5, 0.2, -1.0}});
  items.push_back({1.3, {0.8, -0.4, -1.8}});
  return testing::simulate({items, items, items}, {500, 500, 500}, {0.0, 0.3, -0.2}, {1.0, 0.9, 1.1}, seed);
}

TEST(irt_dif, degrees_of_freedom) {
  const testing::Simulated sim = three_groups(7);
  {
    IrtData data = sim.data(3);
    const auto tests = irt_dif({data, std::vector<std::uint8_t>(8, 1), {0, 6}, {"a", "b", "c"}, 2});
    // 0/1: m = 1; graded with four scores: m = 3; three groups.
    EXPECT_EQ(tests[0].df, 4);
    EXPECT_EQ(tests[0].uniform_df, 2);
    EXPECT_EQ(tests[0].nonuniform_df, 2);
    EXPECT_EQ(tests[1].df, 8);
    EXPECT_EQ(tests[1].uniform_df, 6);
    EXPECT_EQ(tests[1].nonuniform_df, 2);
    EXPECT_FALSE(tests[0].esd);  // no effect size with several focal groups
    EXPECT_EQ(tests[1].expected_free.size(), 3u);
    std::vector<std::string> free_terms;
    for (const IrtCoefficient& c : tests[1].coefficients)
      if (c.model == "irt_free") free_terms.push_back(c.term);
    EXPECT_EQ(free_terms.size(), 3u * 4u + 4u);
    EXPECT_EQ(free_terms[1], "d_1_a");
    EXPECT_EQ(free_terms[12], "mean_b");
  }
  {
    // Group 2 left out: two groups, the reference and the first focal group.
    IrtData data = sim.data(2);
    const auto tests = irt_dif({data, std::vector<std::uint8_t>(8, 1), {0, 6}, {"a", "b"}, 2});
    EXPECT_EQ(tests[0].df, 2);
    EXPECT_EQ(tests[0].uniform_df, 1);
    EXPECT_EQ(tests[1].df, 4);
    EXPECT_EQ(tests[1].uniform_df, 3);
    EXPECT_EQ(tests[1].nonuniform_df, 1);
    EXPECT_TRUE(tests[0].esd);
  }
}

TEST(irt_dif, item_outside_the_matching_set) {
  // Item 2 (planted uniform DIF) is no anchor: its constrained model ties it to the anchors.
  std::vector<std::vector<SimItem>> items{two_pl(10), two_pl(10)};
  items[1][2].d[0] -= 1.0;
  const testing::Simulated sim = testing::simulate(items, {1500, 1500}, {0.0, 0.0}, {1.0, 1.0}, 9);
  IrtData data = sim.data(2);
  std::vector<std::uint8_t> matching(10, 1);
  matching[2] = 0;
  const auto tests = irt_dif({data, matching, {2, 4}, {"R", "F"}, 2});
  ASSERT_TRUE(tests[0].chi_square && tests[1].chi_square);
  EXPECT_GT(*tests[0].uniform_chi_square, 40.0);
  EXPECT_LT(*tests[1].chi_square, 16.0);
  EXPECT_LT(*tests[0].esd, 0.0);
}

TEST(irt_dif, score_in_one_group_only) {
  testing::Simulated sim = three_groups(8);
  // Score 3 of item 7 is given in the reference group only.
  for (std::size_t i = 0; i < sim.group.size(); ++i)
    if (sim.group[i] != 0 && sim.scores[i * 8 + 7] == 3) sim.scores[i * 8 + 7] = 2;
  IrtData data = sim.data(3);
  const auto tests = irt_dif({data, std::vector<std::uint8_t>(8, 1), {7, 1}, {"R", "F", "G"}, 2});
  EXPECT_FALSE(tests[0].chi_square);
  EXPECT_FALSE(tests[0].uniform_chi_square);
  EXPECT_FALSE(tests[0].nonuniform_chi_square);
  EXPECT_FALSE(tests[0].df);
  EXPECT_TRUE(tests[0].loglik_constrained);
  EXPECT_NE(tests[0].note.find("score 3 of item 8 does not occur in group F"), std::string::npos) << tests[0].note;
  EXPECT_TRUE(tests[1].chi_square) << tests[1].note;
  EXPECT_TRUE(tests[1].note.empty());
}

TEST(irt_dif, slope_running_off) {
  // In the focal group item 1 is 1 exactly when the other items' total is at least 4: its own
  // focal slope grows without bound.
  std::vector<SimItem> items;
  for (int j = 0; j < 8; ++j) items.push_back({1.0, {1.0 - 0.3 * j}});
  testing::Simulated sim = testing::simulate({items, items}, {800, 800}, {0.0, 0.0}, {1.0, 1.0}, 3);
  for (std::size_t i = 0; i < sim.group.size(); ++i) {
    if (sim.group[i] != 1) continue;
    int total = 0;
    for (std::size_t j = 1; j < 8; ++j) total += sim.scores[i * 8 + j];
    sim.scores[i * 8] = total >= 4 ? 1 : 0;
  }
  IrtData data = sim.data(2);
  const auto tests = irt_dif({data, std::vector<std::uint8_t>(8, 1), {0, 1}, {"R", "F"}, 2});
  EXPECT_EQ(tests[0].note, "IRT: the free model has no finite maximum: the slope of item 1 in group F runs off");
  EXPECT_FALSE(tests[0].chi_square);
  EXPECT_FALSE(tests[0].nonuniform_chi_square);
  EXPECT_FALSE(tests[0].esd);
  EXPECT_TRUE(tests[0].expected_free.empty());
  EXPECT_TRUE(tests[0].loglik_constrained);
  for (const IrtCoefficient& c : tests[0].coefficients) EXPECT_EQ(c.estimate.has_value(), c.model == "irt_constrained");
  EXPECT_TRUE(tests[1].chi_square) << tests[1].note;
}

TEST(irt_dif, notes_of_items_without_values) {
  testing::Simulated sim = three_groups(9);
  for (std::size_t i = 0; i < sim.group.size(); ++i) {
    sim.scores[i * 8 + 3] = 1;                                 // no variance
    if (sim.group[i] == 2) sim.scores[i * 8 + 4] = 255;        // group c never answered
  }
  IrtData data = sim.data(3);
  {
    const auto tests = irt_dif({data, std::vector<std::uint8_t>(8, 0), {0, 3}, {"a", "b", "c"}, 2});
    EXPECT_EQ(tests[0].note, "IRT: no anchor items besides the item itself");
    EXPECT_FALSE(tests[0].chi_square);
    EXPECT_EQ(tests[1].note, "IRT: the item has no variance in this analysis");
  }
  {
    std::vector<std::uint8_t> matching(8, 0);
    matching[5] = 1;
    const auto tests = irt_dif({data, matching, {5, 4, 0}, {"a", "b", "c"}, 2});
    EXPECT_EQ(tests[0].note, "IRT: no anchor items besides the item itself");
    EXPECT_EQ(tests[1].note, "IRT: no examinee of group c answered the item");
    EXPECT_TRUE(tests[2].chi_square) << tests[2].note;
  }
}

}  // namespace
}  // namespace itemdif::irt

// Holm and Benjamini-Hochberg adjustment over the defined p-values, by hand.
#include "stats/p_adjust.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace itemdif::stats {
namespace {

using P = std::vector<std::optional<double>>;

void expect_p(const P& actual, const P& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t j = 0; j < actual.size(); ++j) {
    ASSERT_EQ(actual[j].has_value(), expected[j].has_value()) << j;
    if (expected[j]) {
      EXPECT_NEAR(*actual[j], *expected[j], 1e-15) << j;
    }
  }
}

// Five defined p-values (one undefined, not counted) with a tie at 0.03.
const P kP{0.001, 0.02, std::nullopt, 0.03, 0.03, 0.5};

TEST(AdjustP, HolmStepDownWithTies) {
  // Sorted: 0.001*5, 0.02*4, 0.03*3, 0.03*2 -> running max 0.09, 0.5*1.
  expect_p(adjust_p(kP, Adjust::holm), {0.005, 0.08, std::nullopt, 0.09, 0.09, 0.5});
}

TEST(AdjustP, BenjaminiHochbergStepUpWithTies) {
  // 0.5*5/5 = 0.5; 0.03*5/4 = 0.0375; 0.03*5/3 = 0.05 -> 0.0375; 0.02*5/2 = 0.05 -> 0.0375;
  // 0.001*5 = 0.005.
  expect_p(adjust_p(kP, Adjust::bh), {0.005, 0.0375, std::nullopt, 0.0375, 0.0375, 0.5});
}

TEST(AdjustP, CappedAtOne) {
  expect_p(adjust_p({0.6, 0.7, 0.8}, Adjust::holm), {1.0, 1.0, 1.0});
  // 0.9*2/2 = 0.9; 0.6*2 = 1.2 -> 0.9.
  expect_p(adjust_p({0.6, 0.9}, Adjust::bh), {0.9, 0.9});
}

TEST(AdjustP, NoneRepeatsAndEmptyStaysEmpty) {
  expect_p(adjust_p(kP, Adjust::none), kP);
  expect_p(adjust_p({std::nullopt, std::nullopt}, Adjust::holm), {std::nullopt, std::nullopt});
  expect_p(adjust_p({}, Adjust::bh), {});
}

}  // namespace
}  // namespace itemdif::stats

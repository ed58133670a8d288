// Numbers of the results files: shortest text, exact round trip, nothing for non-finite values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "results/number_text.hpp"
#include "support/results_reader.hpp"

namespace itemdif::results {
namespace {

using itemdif::testing::cell_number;

TEST(NumberText, ShortestTextOfValuesThatNeedFewDigits) {
  EXPECT_EQ(number_text(0.1), "0.1");
  EXPECT_EQ(number_text(715.0), "715");
  EXPECT_EQ(number_text(-0.088), "-0.088");
  EXPECT_EQ(number_text(1e-300), "1e-300");
  EXPECT_EQ(number_text(0.0), "0");
}

TEST(NumberText, ExtremesAndSeventeenDigitsReadBackExactly) {
  // The smallest subnormal, the largest finite double, and sums whose exact value needs 17
  // significant digits.
  const double values[] = {5e-324,
                           std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::min(),
                           std::numeric_limits<double>::max(),
                           0.1 + 0.2,
                           1.0 / 3.0,
                           std::nextafter(1.0, 2.0),
                           -2.2250738585072014e-308};
  for (double value : values) EXPECT_EQ(cell_number(number_text(value)), value) << value;
  EXPECT_EQ(number_text(5e-324), "5e-324");
  EXPECT_EQ(number_text(0.1 + 0.2), "0.30000000000000004");
  EXPECT_EQ(number_text(std::nextafter(1.0, 2.0)), "1.0000000000000002");
}

TEST(NumberText, RandomBitPatternsRoundTrip) {
  std::mt19937_64 bits(20261208);
  for (int n = 0; n < 100000; ++n) {
    const std::uint64_t pattern = bits();
    double value = 0.0;
    std::memcpy(&value, &pattern, sizeof value);
    if (!std::isfinite(value)) continue;
    const std::string text = number_text(value);
    ASSERT_EQ(cell_number(text), value) << text;
    ASSERT_LE(text.size(), 24u) << text;
  }
}

TEST(NumberText, UndefinedAndNonFiniteValuesAreEmpty) {
  EXPECT_EQ(number_text(std::numeric_limits<double>::quiet_NaN()), "");
  EXPECT_EQ(number_text(std::numeric_limits<double>::infinity()), "");
  EXPECT_EQ(number_text(-std::numeric_limits<double>::infinity()), "");
  EXPECT_EQ(number_text(std::optional<double>()), "");
  EXPECT_EQ(number_text(std::optional<double>(0.25)), "0.25");
}

}  // namespace
}  // namespace itemdif::results

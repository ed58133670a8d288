// The score table in one byte a score: every value read back bit for bit, whichever way it
// was stored, in the byte form, with a side table and turned into doubles.
#include "driver/score_table.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "textio/errors.hpp"

namespace itemdif::driver {
namespace {

std::uint64_t bits(double value) { return std::bit_cast<std::uint64_t>(value); }

// The values the byte form must not take for 0 or 1, and some it must keep exactly.
std::vector<double> awkward_values() {
  return {-0.0,
          std::numeric_limits<double>::quiet_NaN(),
          -std::numeric_limits<double>::quiet_NaN(),
          std::bit_cast<double>(std::uint64_t{0x7FF8000000000123}),  // a payload
          std::numeric_limits<double>::infinity(),
          std::numeric_limits<double>::denorm_min(),
          std::nextafter(1.0, 2.0),
          std::nextafter(0.0, 1.0),
          2.0,
          9.0,
          0.5,
          -1.0};
}

TEST(ScoreTable, EveryValueComesBackBitForBit) {
  ScoreTable table;
  table.create(3, 4);
  EXPECT_EQ(table.rows(), 3u);
  EXPECT_EQ(table.cols(), 4u);
  for (std::size_t r = 0; r < 3; ++r)
    for (std::size_t c = 0; c < 4; ++c) EXPECT_EQ(bits(table(r, c)), bits(0.0));

  const std::vector<double> values = awkward_values();
  for (std::size_t k = 0; k < values.size(); ++k) table.set(k / 4, k % 4, values[k]);
  for (std::size_t k = 0; k < values.size(); ++k)
    EXPECT_EQ(bits(table(k / 4, k % 4)), bits(values[k])) << k;

  // Overwritten by 0 and 1, a cell forgets its exact value; and back again.
  table.set(0, 0, 1.0);
  table.set(0, 1, 0.0);
  EXPECT_EQ(bits(table(0, 0)), bits(1.0));
  EXPECT_EQ(bits(table(0, 1)), bits(0.0));
  table.set(0, 0, -0.0);
  EXPECT_EQ(bits(table(0, 0)), bits(-0.0));

  const double row[4] = {1.0, 0.0, 7.5, 1.0};
  table.set_row(2, row);
  double back[4] = {};
  table.row(2, back);
  for (std::size_t c = 0; c < 4; ++c) EXPECT_EQ(bits(back[c]), bits(row[c])) << c;
}

// Many values other than 0 and 1 turn the table into doubles, which keeps every value.
TEST(ScoreTable, ManyOtherValuesKeepEveryValue) {
  const std::size_t rows = 2000;
  const std::size_t cols = 30;
  ScoreTable table;
  table.create(static_cast<std::int64_t>(rows), static_cast<std::int64_t>(cols));
  const std::vector<double> values = awkward_values();
  auto expected = [&](std::size_t r, std::size_t c) {
    const std::size_t k = r * cols + c;
    return k % 3 == 0 ? values[k % values.size()] : static_cast<double>(k % 2);
  };
  std::vector<double> row(cols);
  for (std::size_t r = 0; r < rows; ++r) {
    for (std::size_t c = 0; c < cols; ++c) row[c] = expected(r, c);
    table.set_row(r, row.data());
  }
  table.set(5, 5, 0.25);
  for (std::size_t r = 0; r < rows; ++r) {
    for (std::size_t c = 0; c < cols; ++c) {
      const double want = r == 5 && c == 5 ? 0.25 : expected(r, c);
      ASSERT_EQ(bits(table(r, c)), bits(want)) << r << " " << c;
    }
  }
}

// The shapes a table of doubles would refuse are refused, as error 41.
TEST(ScoreTable, RefusedWhereATableOfDoublesWouldBe) {
  ScoreTable table;
  const std::int64_t huge = std::numeric_limits<std::int64_t>::max() / 4;
  try {
    table.create(huge, 3);
    FAIL() << "a table of " << huge << " x 3 doubles was granted";
  } catch (const textio::IoError& error) {
    EXPECT_EQ(error.number, 41);
  }
  table.create(0, 5);
  EXPECT_EQ(table.rows(), 0u);
  EXPECT_EQ(table.cols(), 0u);
}

}  // namespace
}  // namespace itemdif::driver

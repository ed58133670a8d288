// The factor of four columns in skewed lanes against the plain rotation, row after row: the
// weights, U, theta, the column ranges and the residual sum must agree to the bit, also
// through the rotation's early ends (a zero weight, an entry of 0, a row that cancels one
// before it exactly) and values of every kind.
#include "glm/skewed_factor.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "glm/givens.hpp"

namespace itemdif::glm {
namespace {

#if defined(ITEMDIF_SKEWED_FACTOR)

struct Row {
  std::array<float, 4> a;
  float z;
  float sign;
};

// The factor's floats as bits. A not-a-number's sign and payload follow which operand of a
// commutative operation the compiler happens to put first (in the plain rotation as much as
// in the lanes), and every not-a-number reads, compares and prints alike: they are compared
// as one value.
std::vector<std::uint32_t> state_bits(const float* storage) {
  std::vector<std::uint32_t> bits;
  for (std::size_t k = 0; k < RegressionFactor::storage_size(4); ++k)
    bits.push_back(std::isnan(storage[k]) ? 0x7FC00000u : std::bit_cast<std::uint32_t>(storage[k]));
  return bits;
}

// The rows through RegressionFactor::add_row and through the skewed factor, in pieces of
// `piece` rows (each piece one pass: the lanes fill, run and drain), from the same start.
void expect_same_factor(const std::vector<Row>& rows, std::size_t piece) {
  std::vector<float> plain_storage(RegressionFactor::storage_size(4));
  std::vector<float> skewed_storage(RegressionFactor::storage_size(4));
  RegressionFactor plain(4, plain_storage.data());
  RegressionFactor skewed(4, skewed_storage.data());
  plain.init(1e-6F);
  skewed.init(1e-6F);
  for (std::size_t start = 0; start < rows.size(); start += piece) {
    SkewedFactor4 lanes(skewed);
    for (std::size_t i = start; i < std::min(rows.size(), start + piece); ++i) {
      std::array<float, 4> a = rows[i].a;
      plain.add_row(a.data(), rows[i].z, rows[i].sign);
      lanes.add_row(rows[i].a.data(), rows[i].z, rows[i].sign);
    }
    lanes.store();
    ASSERT_EQ(state_bits(skewed_storage.data()), state_bits(plain_storage.data()))
        << "after rows " << start << " .. " << start + piece;
  }
}

TEST(SkewedFactor, AgreesWithThePlainRotationOnOrdinaryRows) {
  std::mt19937 random(99);
  std::normal_distribution<float> value(0.0F, 3.0F);
  std::vector<Row> rows;
  for (int i = 0; i < 3000; ++i) {
    const float w = std::abs(value(random)) + 0.01F;
    rows.push_back({{w, value(random) * w, value(random) * w, value(random) * w},
                    value(random), i % 7 == 3 ? -1.0F : 1.0F});
  }
  expect_same_factor(rows, 3000);
  expect_same_factor(rows, 1);
  expect_same_factor(rows, 5);
}

TEST(SkewedFactor, AgreesThroughEveryEarlyEndAndOddValue) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float values[] = {0.0F, -0.0F, 1.0F, -1.0F, 0.5F, 2.0F, 3.0F, 1e-30F, 1e30F,
                          1e-45F, inf, -inf, nan, 0.0F, 1.0F};
  const float signs[] = {1.0F, 1.0F, -1.0F, 0.0F, -0.0F, 1.0F, 2.0F};
  std::mt19937 random(5);
  auto pick = [&](const auto& from) { return from[random() % std::size(from)]; };
  for (int trial = 0; trial < 200; ++trial) {
    std::vector<Row> rows;
    for (int i = 0; i < 40; ++i) {
      Row row{{pick(values), pick(values), pick(values), pick(values)}, pick(values), pick(signs)};
      rows.push_back(row);
      // A row removed right after it was added: its weight cancels exactly.
      if (random() % 4 == 0) rows.push_back({row.a, row.z, -row.sign});
    }
    SCOPED_TRACE(trial);
    expect_same_factor(rows, rows.size());
    expect_same_factor(rows, 3);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

TEST(SkewedFactor, AFactorWithoutRowsStaysAsItWas) {
  expect_same_factor({}, 1);
  // A single row, then the lanes drain with nothing behind it.
  expect_same_factor({{{1.0F, 2.0F, 0.0F, -1.0F}, 0.5F, 1.0F}}, 1);
}

#endif

}  // namespace
}  // namespace itemdif::glm

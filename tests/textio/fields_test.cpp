// Field rendering: every field kind, the rounding rule and the overflow rule.
#include "textio/fields.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace itemdif::textio {
namespace {

const FieldModes kPlain{};
const FieldModes kScale1{1, false};
const FieldModes kPlus{0, true};

std::string F(double v, int w, int d, const FieldModes& m = kPlain) { return render_fixed(v, w, d, m); }
std::string E(double v, int w, int d, const FieldModes& m = kPlain, int e = -1) {
  return render_exponent(v, w, d, e, 'E', m);
}
std::string D(double v, int w, int d, const FieldModes& m = kPlain) {
  return render_exponent(v, w, d, -1, 'D', m);
}

// The table of rendered examples, row by row.
TEST(FieldExamples, IntegerRows) {
  EXPECT_EQ(render_integer(7, 3, 1, kPlain), "  7");
  EXPECT_EQ(render_integer(-99, 3, 1, kPlain), "-99");
  EXPECT_EQ(render_integer(-100, 3, 1, kPlain), "***");
  EXPECT_EQ(render_integer(1000, 3, 1, kPlain), "***");
}

TEST(FieldExamples, FixedRows) {
  EXPECT_EQ(F(0.5, 6, 3), " 0.500");
  EXPECT_EQ(F(-0.5, 6, 3), "-0.500");
  EXPECT_EQ(F(0.5, 5, 3), "0.500");
  EXPECT_EQ(F(-0.5, 5, 3), "-.500");
  EXPECT_EQ(F(0.5, 4, 3), ".500");
  EXPECT_EQ(F(-0.0004, 6, 3), " 0.000");
  EXPECT_EQ(F(-0.0006, 6, 3), "-0.001");
  // The double nearest 0.9995 is 0.99950000000000005507... (just above the half).
  EXPECT_EQ(F(0.9995, 6, 3), " 1.000");
  EXPECT_EQ(F(0.125, 5, 2), " 0.13");
  EXPECT_EQ(F(2.5, 3, 0), " 3.");
  EXPECT_EQ(F(100.0, 6, 3), "******");
}

TEST(FieldExamples, ExponentRows) {
  EXPECT_EQ(E(123.456, 14, 6), "  0.123456E+03");
  EXPECT_EQ(E(123.456, 14, 6, kScale1), "  1.234560E+02");
  EXPECT_EQ(D(125.0, 24, 15, kScale1), "   1.250000000000000D+02");
  EXPECT_EQ(D(0.0, 24, 15), "   0.000000000000000D+00");
  EXPECT_EQ(E(1.0e100, 14, 6), "  0.100000+101");
}

TEST(FieldExamples, TextRows) {
  EXPECT_EQ(render_text("AB", 5), "   AB");
  EXPECT_EQ(render_text("ABCDE", 3), "ABC");
  EXPECT_EQ(render_text("ABC", -1), "ABC");  // A without width
  EXPECT_EQ(render_text("", 2), "  ");
}

TEST(IntegerField, MinimumDigitsAndSigns) {
  EXPECT_EQ(render_integer(0, 3, 1, kPlain), "  0");
  EXPECT_EQ(render_integer(0, 3, 0, kPlain), "   ");
  EXPECT_EQ(render_integer(7, 5, 3, kPlain), "  007");
  EXPECT_EQ(render_integer(-7, 5, 3, kPlain), " -007");
  EXPECT_EQ(render_integer(7, 3, 1, kPlus), " +7");
  EXPECT_EQ(render_integer(std::numeric_limits<std::int32_t>::min(), 11, 1, kPlain),
            "-2147483648");
  EXPECT_EQ(render_integer(-12, 0, 1, kPlain), "-12");
}

TEST(FixedField, ExactTiesRoundAwayFromZero) {
  // Each value is exactly representable and exactly halfway; printf alone would round to even.
  EXPECT_EQ(F(0.375, 5, 2), " 0.38");
  EXPECT_EQ(F(-0.125, 5, 2), "-0.13");
  EXPECT_EQ(F(0.5, 2, 0), "1.");
  EXPECT_EQ(F(-2.5, 3, 0), "-3.");
  EXPECT_EQ(F(9.5, 3, 0), "10.");
  EXPECT_EQ(F(0.0625, 6, 3), " 0.063");  // 1/16 exactly
  EXPECT_EQ(F(1048576.5, 9, 0), " 1048577.");
}

TEST(FixedField, NearTiesFollowTheStoredValue) {
  // 0.15 is stored as 0.1499999999999999944..., 0.35 as 0.34999999999999997779...
  EXPECT_EQ(F(0.15, 4, 1), " 0.1");
  // 2.675 is stored as 2.67499999999999982236431605997495353221893310546875.
  EXPECT_EQ(F(2.675, 5, 2), " 2.67");
  // 1.005 is stored as 1.00499999999999989341858963598497211933135986328125.
  EXPECT_EQ(F(1.005, 5, 2), " 1.00");
}

TEST(FixedField, ZeroSignAndRoom) {
  EXPECT_EQ(F(0.0, 6, 3), " 0.000");
  EXPECT_EQ(F(-0.0, 6, 3), " 0.000");
  EXPECT_EQ(F(-0.4, 3, 0), " 0.");
  EXPECT_EQ(F(0.0, 2, 0), "0.");
  EXPECT_EQ(F(0.3, 1, 0), ".");  // the zero before the point only where there is room
  EXPECT_EQ(F(-0.5, 4, 3), "****");
  EXPECT_EQ(F(-9.999, 6, 3), "-9.999");
  EXPECT_EQ(F(-10.0, 6, 3), "******");
  EXPECT_EQ(F(99.9996, 6, 3), "******");
  EXPECT_EQ(F(0.5, 6, 3, kPlus), "+0.500");
  EXPECT_EQ(F(1.0e300, 8, 2), "********");
  EXPECT_EQ(F(1.0e-300, 6, 3), " 0.000");
}

TEST(FixedField, ScaleFactorMultipliesByPowerOfTen) {
  EXPECT_EQ(F(0.125, 6, 1, FieldModes{2, false}), "  12.5");
  EXPECT_EQ(F(1234.5, 6, 1, FieldModes{-2, false}), "  12.3");
  EXPECT_EQ(F(1255.0, 6, 1, FieldModes{-2, false}), "  12.6");

  EXPECT_EQ(F(std::nan(""), 6, 3), "   NaN");
  EXPECT_EQ(F(std::numeric_limits<double>::infinity(), 10, 3), "  Infinity");
  EXPECT_EQ(F(-std::numeric_limits<double>::infinity(), 10, 3), " -Infinity");
  EXPECT_EQ(F(-std::numeric_limits<double>::infinity(), 8, 3), "********");
}

TEST(ExponentField, ScaleFactors) {
  EXPECT_EQ(E(123.456, 14, 6, FieldModes{-2, false}), "  0.001235E+05");
  EXPECT_EQ(E(123.456, 14, 6, FieldModes{3, false}), "  123.4560E+00");
  EXPECT_EQ(E(-123.456, 14, 6, kScale1), " -1.234560E+02");
  // k < -d and k > d + 1 leave no digits to write.
  EXPECT_EQ(E(1.0, 10, 2, FieldModes{-2, false}), "**********");
  EXPECT_EQ(E(1.0, 10, 2, FieldModes{4, false}), "**********");
}

TEST(ExponentField, RoundingCarriesIntoTheExponent) {
  EXPECT_EQ(E(9.9999996, 12, 6), "0.100000E+02");
  EXPECT_EQ(E(0.99999996, 13, 6, kScale1), " 1.000000E+00");
  // 0.125 exactly, two significant digits: a tie, away from zero.
  EXPECT_EQ(E(0.125, 9, 2), " 0.13E+00");
  // 125 exactly, two significant digits.
  EXPECT_EQ(E(125.0, 9, 2), " 0.13E+03");
  EXPECT_EQ(E(2.5e21, 9, 1), "  0.3E+22");  // 25 * 10^20 = 25 * 2^20 * 5^20 is exact
}

TEST(ExponentField, ExponentWidths) {
  EXPECT_EQ(E(1.0e-100, 14, 6), "  0.100000E-99");
  EXPECT_EQ(E(1.0e-101, 14, 6), "  0.100000-100");
  EXPECT_EQ(E(1.0e5, 14, 6, kPlain, 3), " 0.100000E+006");
  EXPECT_EQ(E(1.0e100, 14, 6, kPlain, 2), "**************");
  EXPECT_EQ(E(1.0e100, 14, 6, kPlain, 3), " 0.100000E+101");
  EXPECT_EQ(E(0.0, 12, 4), "  0.0000E+00");
  EXPECT_EQ(E(0.0, 10, 4, kScale1), "0.0000E+00");

  EXPECT_EQ(E(0.5, 10, 4), "0.5000E+00");
  EXPECT_EQ(E(-0.5, 10, 4), "-.5000E+00");
  EXPECT_EQ(E(-0.5, 9, 4), "*********");
  EXPECT_EQ(E(std::nan(""), 14, 6), "           NaN");
  EXPECT_EQ(D(-std::numeric_limits<double>::infinity(), 24, 15), "               -Infinity");
}

TEST(OtherFields, GeneralChoosesFixedOrExponent) {
  EXPECT_EQ(render_general(1.5, 10, 3, -1, kPlain), "  1.50    ");
  EXPECT_EQ(render_general(0.1, 10, 3, -1, kPlain), " 0.100    ");
  EXPECT_EQ(render_general(1234.0, 10, 3, -1, kPlain), " 0.123E+04");
  EXPECT_EQ(render_general(999.6, 10, 3, -1, kPlain), " 0.100E+04");
  EXPECT_EQ(render_general(0.0, 10, 3, -1, kPlain), "  0.00    ");
}

TEST(OtherFields, ScientificAndEngineering) {
  EXPECT_EQ(render_scientific(123.456, 10, 3, -1, false, kPlain), " 1.235E+02");
  EXPECT_EQ(render_scientific(123456.0, 11, 3, -1, true, kPlain), "123.456E+03");
  EXPECT_EQ(render_scientific(123456.0, 10, 3, -1, true, kPlain), "**********");
  EXPECT_EQ(render_scientific(999.96, 10, 1, -1, true, kPlain), "   1.0E+03");
}

TEST(OtherFields, LogicalAndRadix) {
  EXPECT_EQ(render_logical(true, 3), "  T");
  EXPECT_EQ(render_radix(255, 4, -1, 16), "  FF");
  EXPECT_EQ(render_radix(8, 5, 4, 8), " 0010");
  EXPECT_EQ(render_radix(-1, 8, -1, 16), "FFFFFFFF");
}

}  // namespace
}  // namespace itemdif::textio

// Layout numbers near 2^31: the work of a read stays bounded by the line and the values, the
// values stay those of walking every repetition, and the writer refuses what it cannot hold.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "textio/channels.hpp"
#include "textio/errors.hpp"
#include "textio/fields.hpp"
#include "textio/reader.hpp"
#include "textio/writer.hpp"

namespace itemdif::textio {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

/// Reads one variable from `line` under `layout`; the error number, 0 when it succeeded.
int read_one(const std::string& line, std::string_view layout, Target target) {
  std::istringstream source(line + "\n");
  InputChannel channel(20, "REF.DAT", source);
  try {
    read_formatted(channel, compile_layout(channel, layout), std::span<const Target>(&target, 1));
  } catch (const IoError& error) {
    return error.number;
  }
  return 0;
}

double real_read(const std::string& line, std::string_view layout) {
  double value = -99.0;
  EXPECT_EQ(read_one(line, layout, &value), 0) << layout;
  return value;
}

std::int32_t integer_read(const std::string& line, std::string_view layout) {
  std::int32_t value = -99;
  EXPECT_EQ(read_one(line, layout, &value), 0) << layout;
  return value;
}

// ---------------------------------------------------------------------------------------------
// Groups repeated without fields: every pass is still accounted for.

TEST(HugeRepeats, GroupOfSkipsMovesByEveryPass) {
  // 2147483647 passes of one column, then back to the eighth column.
  EXPECT_EQ(real_read("123456789", "(2147483647(X),TL2147483640,F3.0)"), 89.0);
  // Nested: 1000 x 1000 columns, then back to the eleventh.
  EXPECT_EQ(real_read("0000000000425", "(1000(1000(X)),TL999990,F2.0)"), 42.0);
  EXPECT_EQ(real_read("0000000000425", "(1000(2(500X)),TL999990,F2.0)"), 42.0);
  // Far past the line: blanks, under BZ too; a nested pair of the largest counts ends.
  EXPECT_EQ(real_read("1111", "(2147483647(2147483647(X)),F1.0)"), 0.0);
  EXPECT_EQ(real_read("1111", "(BZ,2147483647(2147483647(X),2X),F3.0)"), 0.0);
  EXPECT_EQ(integer_read("7", "(2147483647(2147483647(2147483647(X))),Q)"), 0);
}

TEST(HugeRepeats, GroupsMovingLeftStopAtTheirFloor) {
  EXPECT_EQ(real_read("12345678", "(5X,2147483647(TL1),F1.0)"), 1.0);
  // Each pass: back 7 (never before column 1), then on 2, so the passes settle on column 3.
  EXPECT_EQ(real_read("12345678", "(100X,2147483647(TL7,2X),F1.0)"), 3.0);
  EXPECT_EQ(real_read("12345678", "(2147483647X,2147483647(TL3),F1.0)"), 1.0);
  // Steps that change from the first pass to the next: 3 columns, then 2 columns each.
  EXPECT_EQ(real_read("1234567890abc", "(5(TL1,3X),TL7,F2.0)"), 56.0);
  EXPECT_EQ(real_read("123456789", "(2147483647(T4,BZ,BN,T3),F1.0)"), 3.0);
}

TEST(HugeRepeats, SlashesInsideHugeGroupsStillReadRecords) {
  std::istringstream source("a\nb\nc\n");
  InputChannel channel(20, "REF.DAT", source);
  std::string text(1, ' ');
  const Target target = &text;
  try {
    read_formatted(channel, compile_layout(channel, "(2147483647(2147483647(/)),A1)"),
                   std::span<const Target>(&target, 1));
    ADD_FAILURE() << "the records ran out";
  } catch (const IoError& error) {
    EXPECT_EQ(error.number, 24);
  }
}

// ---------------------------------------------------------------------------------------------
// Fields far wider than the line: the part beyond the end is blanks, never materialised.

TEST(HugeWidths, BlanksAsZerosBeyondTheLine) {
  EXPECT_TRUE(std::isinf(real_read("1", "(BZ,F2147483647.0)")));
  EXPECT_EQ(real_read("1", "(BZ,F2147483647.2147483646)"), 1.0);
  EXPECT_EQ(real_read("25", "(BZ,F2147483647.2147483646)"), 2.5);
  EXPECT_EQ(real_read("-1.5", "(BZ,F2147483647.0)"), -1.5);  // zeros after the point
  EXPECT_EQ(real_read("1.5E", "(BZ,E2147483647.0)"), 1.5);   // a zero exponent
  EXPECT_EQ(real_read("   ", "(BZ,F2147483647.0)"), 0.0);
  EXPECT_EQ(real_read("0", "(BZ,F2147483647.0)"), 0.0);
  // Without BZ the padding is ignored.
  EXPECT_EQ(real_read("12", "(F2147483647.0)"), 12.0);
  std::int32_t integer = 0;
  EXPECT_EQ(read_one("1", "(BZ,I2147483647)", &integer), 64);
  EXPECT_EQ(integer_read("0", "(BZ,I2147483647)"), 0);
  EXPECT_EQ(integer_read("12", "(BZ,I4)"), 1200);
}

TEST(HugeWidths, BasedFieldsBeyondTheLine) {
  EXPECT_EQ(integer_read("101", "(B2147483647)"), 5);
  EXPECT_EQ(integer_read("7f", "(Z2147483647)"), 127);
  EXPECT_EQ(integer_read("17", "(O2147483647)"), 15);
  EXPECT_EQ(integer_read("0", "(BZ,Z2147483647)"), 0);
  EXPECT_EQ(integer_read("1", "(BZ,B4)"), 8);
  std::int32_t integer = 0;
  EXPECT_EQ(read_one("1", "(BZ,B2147483647)", &integer), 64);
  EXPECT_EQ(read_one("f", "(BZ,Z2147483647)", &integer), 64);
}

TEST(HugeWidths, TextAndPositionsAfterAHugeField) {
  std::string text(3, '?');
  EXPECT_EQ(read_one("abc", "(A2147483647)", &text), 0);
  EXPECT_EQ(text, "   ");  // its rightmost three columns, all beyond the line
  EXPECT_EQ(real_read("123", "(2147483647X,2147483647X,2147483647X,TL2147483647,TL2147483647,"
                             "TL2147483646,F1.0)"),
            2.0);
}

// ---------------------------------------------------------------------------------------------
// The writer: what a line or a field cannot hold is error 41, before any memory is asked for.

int write_error(std::string_view layout, std::initializer_list<Value> values) {
  try {
    format_lines(Layout::compile(layout), std::span<const Value>(values.begin(), values.size()));
  } catch (const LayoutError& error) {
    return error.number;
  }
  return 0;
}

TEST(HugeWrites, LinesAndFieldsBeyondTheLimitsAreError41) {
  EXPECT_EQ(write_error("(I2147483647)", {5}), 41);
  EXPECT_EQ(write_error("(2147483647X,I1)", {5}), 41);
  EXPECT_EQ(write_error("(2147483647(2147483647(X)),'a')", {}), 41);
  EXPECT_EQ(write_error("(2147483647('ab'))", {}), 41);
  EXPECT_EQ(write_error("(2147483647/)", {}), 41);
  EXPECT_EQ(write_error("(2147483647(2147483647(/)))", {}), 41);
  EXPECT_EQ(write_error("(2147483647('a',TL1,'b',TL1))", {}), 41);
  EXPECT_EQ(write_error("(F0.2147483647)", {1.5}), 41);
  EXPECT_EQ(write_error("(2147483647P,F0.1)", {1.5}), 41);
  EXPECT_EQ(write_error("(I0.2147483647)", {1}), 41);
  EXPECT_EQ(write_error("(Z0.2147483647)", {1}), 41);
}

TEST(HugeWrites, RepeatsThatChangeNothingStillWrite) {
  const Layout same =
      Layout::compile("(2147483647('ab',TL2),2X,I3,2147483647(2147483647(X,TL1)),'c')");
  const Value values[] = {7};
  EXPECT_EQ(format_lines(same, values).lines, (std::vector<std::string>{"ab  7c"}));
  const Layout skip = Layout::compile("(2147483647(X),TL2147483640,'x')");
  EXPECT_EQ(format_lines(skip, {}).lines, (std::vector<std::string>{"       x"}));
}

TEST(HugeWrites, DigitsBeyondTheWidthAreAsterisks) {
  const FieldModes plain;
  EXPECT_EQ(render_fixed(1.5, 6, kMax, plain), "******");
  EXPECT_EQ(render_fixed(1.5, 6, 2, FieldModes{kMax, false}), "******");
  EXPECT_EQ(render_fixed(1.5, 6, kMax, FieldModes{-kMax, false}), "******");
  EXPECT_EQ(render_fixed(1.5, 6, 1, FieldModes{-kMax, false}), "   0.0");
  EXPECT_EQ(render_exponent(1.5, 9, kMax, -1, 'E', plain), "*********");
  EXPECT_EQ(render_exponent(1.5, 9, 2, kMax, 'E', plain), "*********");
  EXPECT_EQ(render_exponent(1.5, 9, kMax, -1, 'E', FieldModes{kMax, false}), "*********");
  EXPECT_EQ(render_exponent(1.5, 9, kMax, -1, 'E', FieldModes{-kMax, false}), "*********");
  EXPECT_EQ(render_general(1.5, 9, kMax, -1, plain), "*****    ");
  EXPECT_EQ(render_general(1.5, 9, 2, kMax, plain), "*********");
  EXPECT_EQ(render_scientific(1.5, 9, kMax, -1, false, plain), "*********");
  EXPECT_EQ(render_scientific(1.5, 9, kMax, -1, true, plain), "*********");
  EXPECT_EQ(render_scientific(1.5, 9, 2, kMax, true, plain), "*********");
  EXPECT_EQ(render_radix(5, 4, kMax, 2), "****");
  EXPECT_EQ(render_integer(5, 4, kMax, plain), "****");
  // Within the width the same numbers as always.
  EXPECT_EQ(render_fixed(1.5, 6, 2, plain), "  1.50");
  EXPECT_EQ(render_general(1.5, 12, 3, 2, plain), "    1.50    ");
}

}  // namespace
}  // namespace itemdif::textio

// Formatted reads: positions, short lines, text and numeric fields, reversion, the errors.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "textio/channels.hpp"
#include "textio/errors.hpp"
#include "textio/reader.hpp"

namespace itemdif::textio {
namespace {

/// A group data file held in memory, read on channel 20.
class RecordFile {
 public:
  explicit RecordFile(const std::string& text) : source_(text), channel_(20, "REF.DAT", source_) {}
  void read(std::string_view layout, std::initializer_list<Target> targets) {
    read_formatted(channel_, compile_layout(channel_, layout),
                   std::span<const Target>(targets.begin(), targets.size()));
  }
  /// The error of a read; number 0 when it succeeded.
  IoError failure(std::string_view layout, std::initializer_list<Target> targets) {
    try {
      read(layout, targets);
    } catch (const IoError& error) {
      return error;
    }
    return IoError(0, 0, "");
  }
  std::string next_line() {
    std::string line;
    EXPECT_TRUE(channel_.next_line(line));
    return line;
  }

 private:
  std::istringstream source_;
  InputChannel channel_;
};

using Reals = std::vector<double>;

/// Reads `n` doubles from `lines` under `layout` in one operation.
Reals reals(const std::string& lines, std::string_view layout, std::size_t n = 1) {
  Reals values(n, -99.0);
  RecordFile(lines + "\n").read(layout, {std::span<double>(values)});
  return values;
}

int error_number(const std::string& line, std::string_view layout, Target target) {
  return RecordFile(line + "\n").failure(layout, {target}).number;
}

TEST(FormattedRead, OneBlankZeroBlankOneUnderTwoColumnAndOneColumnFields) {
  EXPECT_EQ(reals("1 0 1", "(3F2.0)", 3), (Reals{1.0, 0.0, 1.0}));
  EXPECT_EQ(reals("1 0 1", "(3F1.0)", 3), (Reals{1.0, 0.0, 0.0}));
  // A short line reads its missing fields as zero.
  EXPECT_EQ(reals("ID0000000111", "(10X,5F1.0)", 5), (Reals{1.0, 1.0, 0.0, 0.0, 0.0}));
}

TEST(FormattedRead, MovementsAndTextFields) {
  RecordFile file("abcdefgh\nxy\nz\nabcdef\n");
  std::string a(2, ' '), b(1, ' '), c(1, ' '), d(1, ' '), e(1, ' ');
  file.read("(T3,A2,TL4,A1,TR2,A1,3X,A1,/,1X,A1)", {&a, &b, &c, &d, &e});
  EXPECT_EQ(a + b + c + d + e, "cdadhy");
  // TL stops at column 1; a column past the line's end reads blanks.
  file.read("(TL5,A1,T40,A1)", {&b, &c});
  EXPECT_EQ(b + c, "z ");
  // Narrower than the variable: left-aligned; wider: the rightmost characters; A: its length.
  std::string four(4, '?'), other(4, '?'), own(4, '?');
  file.read("(A2,T1,A6,T1,A)", {&four, &other, &own});
  EXPECT_EQ(four + other + own, "ab  cdefabcd");
}

TEST(FormattedRead, NumericFields) {
  EXPECT_EQ(reals(" 1 2", "(F4.0)")[0], 12.0);  // blanks ignored
  EXPECT_EQ(reals(" 1 2", "(BZ,F4.0)")[0], 102.0);
  EXPECT_EQ(reals("1", "(BZ,F3.0)")[0], 100.0);  // blanks beyond the line's end too
  EXPECT_EQ(reals("    ", "(BZ,F4.1)")[0], 0.0);
  // Digits without point take the field's fraction digits; a written point overrides them.
  EXPECT_EQ(reals("123-125 1.5 ", "(F3.1,F4.2,F5.3)", 3), (Reals{12.3, -1.25, 1.5}));
  EXPECT_EQ(reals("5 3", "(3F1.1)", 3), (Reals{0.5, 0.0, 0.3}));
  EXPECT_EQ(reals("7", "(F1.12)")[0], 7e-12);
  // Exponents with any letter or a bare sign; the fraction digits apply before the exponent.
  EXPECT_EQ(reals("1.5E21.5d+21.5q-1", "(E5.2,D6.2,G6.2)", 3), (Reals{150.0, 150.0, 0.15}));
  EXPECT_EQ(reals("15E11.5-21.5E 2", "(F4.1,F5.0,F6.0)", 3), (Reals{15.0, 0.015, 150.0}));
  EXPECT_TRUE(std::isinf(reals("1E999", "(E5.0)")[0]));
  // A scale factor divides numbers written without exponent.
  EXPECT_EQ(reals("1501.5E2   15", "(2P,F3.0,F5.0,-1P,F5.0)", 3), (Reals{1.5, 150.0, 150.0}));
  // A comma ends a field early.
  EXPECT_EQ(reals("1,22,3", "(3F5.0)", 3), (Reals{1.0, 22.0, 3.0}));
  // Long digit strings round correctly.
  EXPECT_EQ(reals("123456789012345678901234567890", "(F30.29)")[0], 1.2345678901234568);
}

TEST(FormattedRead, IntegerBasedQueryAndFloatFields) {
  RecordFile file(" -42 7ff 17 101  +0- 1 2\n0.1 16777217\n");
  std::int32_t v[7] = {};
  file.read("(I4,Z4,O3,B4,I4,I5,Q)", {&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]});
  EXPECT_EQ(std::vector<std::int32_t>(v, v + 7), (std::vector<std::int32_t>{-42, 2047, 15, 5, 0,
                                                                            -12, 0}));
  float a = 0, b = 0;
  file.read("(F3.0,F9.0)", {&a, &b});
  EXPECT_EQ(a, 0.1f);
  EXPECT_EQ(b, 16777216.0f);  // the tie goes to even
}

TEST(FormattedRead, LinesReversionAndTheRestOfALine) {
  RecordFile file("xxxxxxxxxx111\nyyyyyyyyyy101\nnext\nab12\n34\n1\n2\n3\n4\nskipped\nlast\n");
  Reals v(5, -1.0);
  file.read("(10X,3F1.0)", {std::span<double>(v)});
  EXPECT_EQ(v, (Reals{1.0, 1.0, 1.0, 1.0, 0.0}));
  EXPECT_EQ(file.next_line(), "next");  // the rest of the last line was skipped
  std::string id(2, ' ');
  Reals w(4, -1.0);
  file.read("(A2,2(F1.0))", {&id, std::span<double>(w)});  // resumes at the group
  EXPECT_EQ(w, (Reals{1.0, 2.0, 3.0, 4.0}));
  double x = 0;
  file.read("(F1.0,/)", {&x});  // the slash after the last field still takes a line
  EXPECT_EQ(file.next_line(), "3");
  file.read("(F1.0,:,/)", {&x});
  EXPECT_EQ(x, 4.0);
  file.read("(10X,F1.0)", {});  // a read without variables takes one line
  EXPECT_EQ(file.next_line(), "last");

  std::string wide(200000, '0');
  wide.back() = '1';
  EXPECT_EQ(reals(wide, "(200000F1.0)", 200000)[199999], 1.0);  // no line is too long
}

TEST(FormattedRead, EndOfFileNamesTheChannel) {
  EXPECT_EQ(RecordFile("").failure("(F1.0)", {}).text(),
            "end-of-file during read, unit 20, file REF.DAT");
  Reals v(4);
  EXPECT_EQ(RecordFile("11\n").failure("(2F1.0)", {std::span<double>(v)}).number, 24);
  EXPECT_EQ(RecordFile("1\n").failure("(F1.0,/,F1.0)", {std::span<double>(v)}).number, 24);
}

TEST(FormattedRead, ConversionMismatchAndLayoutErrors) {
  double real = 0;
  float single = 0;
  std::int32_t integer = 0;
  std::string text(3, ' ');
  for (const char* bad : {"1a2", "1.2.", "E5", "1\t", "+-1"})
    EXPECT_EQ(error_number(bad, "(F4.0)", &real), 64) << bad;
  for (const char* bad : {"1.5", "1E2", "2147483648"})
    EXPECT_EQ(error_number(bad, "(I10)", &integer), 64) << bad;
  EXPECT_EQ(error_number("19", "(O2)", &integer), 64);
  EXPECT_EQ(error_number("2147483647", "(I10)", &integer), 0);
  EXPECT_EQ(integer, 2147483647);

  EXPECT_EQ(error_number("1", "(I1)", &real), 61);
  EXPECT_EQ(error_number("1", "(I1)", &single), 61);
  EXPECT_EQ(error_number("1", "(F1.0)", &integer), 61);
  EXPECT_EQ(error_number("1", "(A1)", &real), 61);
  EXPECT_EQ(error_number("1", "(F1.0)", &text), 61);
  EXPECT_EQ(error_number("T", "(L1)", &integer), 61);

  EXPECT_EQ(error_number("1\n2", "(10X)", &real), 60);
  // Fields before the group that the layout reverts to do not save it: the group takes none.
  Reals three(3);
  EXPECT_EQ(RecordFile("1\n2\n3\n4\n").failure("(F1.0,(2X))", {std::span<double>(three)}).number,
            60);
  IoError syntax = RecordFile("1\n").failure("(10X,20F1)", {&real});
  EXPECT_EQ(syntax.text(), "syntax error in format, unit 20, file REF.DAT");
  EXPECT_EQ(syntax.info, "20F1)");
}

}  // namespace
}  // namespace itemdif::textio

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
  /// The error of a read that must fail; number 0 when it did not.
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

/// Reads one line under `layout` into `n` doubles.
std::vector<double> doubles(const std::string& line, std::string_view layout, std::size_t n) {
  std::vector<double> values(n, -99.0);
  RecordFile file(line + "\n");
  file.read(layout, {std::span<double>(values)});
  return values;
}

double one_real(const std::string& line, std::string_view layout) {
  return doubles(line, layout, 1)[0];
}

int error_number(const std::string& text, std::string_view layout, Target target) {
  RecordFile file(text);
  return file.failure(layout, {target}).number;
}

// ---- Fields and columns

TEST(FormattedRead, OneBlankZeroBlankOneUnderTwoColumnAndOneColumnFields) {
  EXPECT_EQ(doubles("1 0 1", "(3F2.0)", 3), (std::vector<double>{1.0, 0.0, 1.0}));
  EXPECT_EQ(doubles("1 0 1", "(3F1.0)", 3), (std::vector<double>{1.0, 0.0, 0.0}));
}

TEST(FormattedRead, AShortLineReadsItsMissingFieldsAsZero) {
  EXPECT_EQ(doubles("ID00000001" "11", "(10X,5F1.0)", 5),
            (std::vector<double>{1.0, 1.0, 0.0, 0.0, 0.0}));
  EXPECT_EQ(doubles("", "(3F1.0)", 3), (std::vector<double>{0.0, 0.0, 0.0}));
}

TEST(FormattedRead, MovementsSetTheColumn) {
  RecordFile file("abcdefgh\nxy\nz\n");
  std::string a(2, ' '), b(1, ' '), c(1, ' '), d(1, ' '), e(1, ' ');
  file.read("(T3,A2,TL4,A1,TR2,A1,3X,A1,/,1X,A1)", {&a, &b, &c, &d, &e});
  EXPECT_EQ(a, "cd");
  EXPECT_EQ(b, "a");
  EXPECT_EQ(c, "d");
  EXPECT_EQ(d, "h");
  EXPECT_EQ(e, "y");
  // TL never goes before column 1, and a column past the line's end reads blanks.
  file.read("(TL5,A1,T40,A1)", {&b, &c});
  EXPECT_EQ(b, "z");
  EXPECT_EQ(c, " ");
}

TEST(FormattedRead, TextFieldsNarrowerOrWiderThanTheirVariable) {
  RecordFile file("abcdef\nabcdef\nab\n");
  std::string four(4, '?');
  file.read("(A2)", {&four});
  EXPECT_EQ(four, "ab  ");
  file.read("(A6)", {&four});
  EXPECT_EQ(four, "cdef");
  file.read("(A)", {&four});  // without width: the variable's own length
  EXPECT_EQ(four, "ab  ");
}

TEST(FormattedRead, BlanksAreIgnoredUnlessBZMakesThemZeros) {
  EXPECT_EQ(one_real(" 1 2", "(F4.0)"), 12.0);
  EXPECT_EQ(one_real(" 1 2", "(BZ,F4.0)"), 102.0);
  EXPECT_EQ(one_real(" 1 2", "(BZ,BN,F4.0)"), 12.0);
  // Under BZ the blanks beyond a short line's end count like written ones.
  EXPECT_EQ(one_real("1", "(BZ,F3.0)"), 100.0);
  EXPECT_EQ(one_real("    ", "(BZ,F4.1)"), 0.0);
  RecordFile file("- 1 2\n");
  std::int32_t n = 0;
  file.read("(I5)", {&n});
  EXPECT_EQ(n, -12);
}

TEST(FormattedRead, DigitsWithoutPointTakeTheFieldsFraction) {
  EXPECT_EQ(one_real("1", "(F1.0)"), 1.0);
  EXPECT_EQ(one_real("123", "(F3.1)"), 12.3);
  EXPECT_EQ(one_real("-125", "(F4.2)"), -1.25);
  EXPECT_EQ(one_real(" 1.5 ", "(F5.3)"), 1.5);  // a written point overrides d
  EXPECT_EQ(one_real("7.", "(F2.1)"), 7.0);
  EXPECT_EQ(one_real("   ", "(F3.1)"), 0.0);
  // One-column fields, the shape of the group data.
  EXPECT_EQ(doubles("5 3", "(3F1.1)", 3), (std::vector<double>{0.5, 0.0, 0.3}));
  EXPECT_EQ(one_real("7", "(F1.12)"), 7e-12);
  EXPECT_EQ(one_real("7", "(1P,F1.0)"), 0.7);
  EXPECT_EQ(one_real("7", "(-2P,F1.0)"), 700.0);
}

TEST(FormattedRead, ExponentsWithAnyLetterOrABareSign) {
  EXPECT_EQ(one_real("1.5E2", "(E8.2)"), 150.0);
  EXPECT_EQ(one_real("1.5d+2", "(D8.2)"), 150.0);
  EXPECT_EQ(one_real("1.5q-1", "(G8.2)"), 0.15);
  EXPECT_EQ(one_real("15E1", "(F4.1)"), 15.0);  // the implied fraction applies before the exponent
  EXPECT_EQ(one_real("1.5-2", "(F5.0)"), 0.015);
  EXPECT_EQ(one_real("1.5E 2", "(F6.0)"), 150.0);
  EXPECT_TRUE(std::isinf(one_real("1E999", "(E5.0)")));
  EXPECT_EQ(one_real("1E-999", "(E6.0)"), 0.0);
}

TEST(FormattedRead, AScaleFactorDividesNumbersWrittenWithoutExponent) {
  EXPECT_EQ(one_real("150", "(2P,F5.0)"), 1.5);
  EXPECT_EQ(one_real("1.5E2", "(2P,F5.0)"), 150.0);
  EXPECT_EQ(one_real("15", "(-1P,F2.0)"), 150.0);
}

TEST(FormattedRead, ACommaEndsANumericFieldEarly) {
  EXPECT_EQ(doubles("1,22,3", "(3F5.0)", 3), (std::vector<double>{1.0, 22.0, 3.0}));
  EXPECT_EQ(doubles(",5", "(2F3.0)", 2), (std::vector<double>{0.0, 5.0}));
}

TEST(FormattedRead, IntegerAndBasedFields) {
  RecordFile file(" -42 7ff 17 101  +0\n");
  std::int32_t a = 0, b = 0, c = 0, d = 0, e = 9;
  file.read("(I4,Z4,O3,B4,I4)", {&a, &b, &c, &d, &e});
  EXPECT_EQ(a, -42);
  EXPECT_EQ(b, 2047);
  EXPECT_EQ(c, 15);
  EXPECT_EQ(d, 5);
  EXPECT_EQ(e, 0);
}

TEST(FormattedRead, QGivesTheCharactersLeftInTheLine) {
  RecordFile file("abcdef\n");
  std::string two(2, ' ');
  std::int32_t left = -1;
  file.read("(A2,Q)", {&two, &left});
  EXPECT_EQ(left, 4);
}

TEST(FormattedRead, FloatVariablesAreRoundedFromTheDigits) {
  RecordFile file("0.1 16777217\n");
  float a = 0, b = 0;
  file.read("(F3.0,F9.0)", {&a, &b});
  EXPECT_EQ(a, 0.1f);
  EXPECT_EQ(b, 16777216.0f);
}

TEST(FormattedRead, LongDigitStringsRoundCorrectly) {
  EXPECT_EQ(one_real("0.1000000000000000055511151", "(F27.0)"), 0.1);
  EXPECT_EQ(one_real("123456789012345678901234567890", "(F30.29)"), 1.2345678901234568);
}

// ---- Lines: reversion, the rest of a line, slashes, end of file

TEST(FormattedRead, ALayoutWithoutGroupsStartsAgainOnTheNextLine) {
  RecordFile file("xxxxxxxxxx111\nyyyyyyyyyy101\nnext\n");
  std::vector<double> v(5, -1.0);
  file.read("(10X,3F1.0)", {std::span<double>(v)});
  EXPECT_EQ(v, (std::vector<double>{1.0, 1.0, 1.0, 1.0, 0.0}));
  EXPECT_EQ(file.next_line(), "next");  // the rest of the last line was skipped
}

TEST(FormattedRead, ReversionResumesAtTheLastOuterGroup) {
  RecordFile file("ab12\n34\n");
  std::string id(2, ' ');
  std::vector<double> v(4, -1.0);
  file.read("(A2,2(F1.0))", {&id, std::span<double>(v)});
  EXPECT_EQ(id, "ab");
  EXPECT_EQ(v, (std::vector<double>{1.0, 2.0, 3.0, 4.0}));
}

TEST(FormattedRead, EachReadStartsOnTheNextLine) {
  RecordFile file("1234\n5678\n");
  double a = 0, b = 0;
  file.read("(F1.0)", {&a});
  file.read("(F1.0)", {&b});
  EXPECT_EQ(a, 1.0);
  EXPECT_EQ(b, 5.0);
}

TEST(FormattedRead, ItemsAfterTheLastFieldRunUpToTheNextFieldOrColon) {
  RecordFile file("1\n2\n3\n4\n");
  double a = 0;
  file.read("(F1.0,/)", {&a});  // the slash still takes line 2
  EXPECT_EQ(file.next_line(), "3");
  file.read("(F1.0,:,/)", {&a});
  EXPECT_EQ(a, 4.0);
}

TEST(FormattedRead, AReadWithoutVariablesTakesOneLine) {
  RecordFile file("a\nb\nc\n");
  file.read("(10X,F1.0)", {});
  EXPECT_EQ(file.next_line(), "b");
  double unused = 0;
  file.read("(F1.0)", {std::span<double>(&unused, 0)});
}

TEST(FormattedRead, LinesOfAnyLengthAreReadWhole) {
  std::string line(200000, '0');
  line[199999] = '1';
  std::vector<double> v(200000, -1.0);
  RecordFile file(line + "\n");
  file.read("(200000F1.0)", {std::span<double>(v)});
  EXPECT_EQ(v[199998], 0.0);
  EXPECT_EQ(v[199999], 1.0);
}

TEST(FormattedRead, RunningOutOfLinesIsEndOfFileNamingTheChannel) {
  IoError first = RecordFile("").failure("(F1.0)", {});
  EXPECT_EQ(first.number, 24);
  EXPECT_EQ(first.text(), "end-of-file during read, unit 20, file REF.DAT");

  std::vector<double> v(4);
  EXPECT_EQ(RecordFile("11\n").failure("(2F1.0)", {std::span<double>(v)}).number, 24);
  EXPECT_EQ(RecordFile("1\n").failure("(F1.0,/,F1.0)", {std::span<double>(v)}).number, 24);
}

// ---- Errors

TEST(FormattedRead, ACharacterOutsideTheNumberIsAConversionError) {
  double real = 0;
  std::int32_t integer = 0;
  EXPECT_EQ(error_number("1a2\n", "(F3.0)", &real), 64);
  EXPECT_EQ(error_number("1.2.\n", "(F4.0)", &real), 64);
  EXPECT_EQ(error_number("E5\n", "(F2.0)", &real), 64);
  EXPECT_EQ(error_number("1\t\n", "(F2.0)", &real), 64);
  EXPECT_EQ(error_number("1.5\n", "(I3)", &integer), 64);
  EXPECT_EQ(error_number("1E2\n", "(I3)", &integer), 64);
  EXPECT_EQ(error_number("2147483648\n", "(I10)", &integer), 64);
  EXPECT_EQ(error_number("19\n", "(O2)", &integer), 64);
  EXPECT_EQ(error_number("2147483647\n", "(I10)", &integer), 0);
  EXPECT_EQ(integer, 2147483647);
}

TEST(FormattedRead, AFieldThatDoesNotSuitItsVariableIsAMismatch) {
  double real = 0;
  float single = 0;
  std::int32_t integer = 0;
  std::string text(3, ' ');
  EXPECT_EQ(error_number("1\n", "(I1)", &real), 61);
  EXPECT_EQ(error_number("1\n", "(I1)", &single), 61);
  EXPECT_EQ(error_number("1\n", "(F1.0)", &integer), 61);
  EXPECT_EQ(error_number("1\n", "(A1)", &real), 61);
  EXPECT_EQ(error_number("1\n", "(F1.0)", &text), 61);
  EXPECT_EQ(error_number("T\n", "(L1)", &integer), 61);
}

TEST(FormattedRead, ALayoutWithoutFieldsCannotTakeVariables) {
  double real = 0;
  EXPECT_EQ(error_number("1\n2\n", "(10X)", &real), 60);
  EXPECT_EQ(error_number("1\n", "(10X)", Target(std::span<double>())), 0);
}

TEST(FormattedRead, ALayoutSyntaxErrorNamesTheChannelAndTheRestOfTheText) {
  RecordFile file("1\n");
  double real = 0;
  IoError error = file.failure("(10X,20F1)", {&real});
  EXPECT_EQ(error.number, 62);
  EXPECT_EQ(error.text(), "syntax error in format, unit 20, file REF.DAT");
  EXPECT_FALSE(error.info.empty());
  EXPECT_NE(std::string("(10X,20F1)").find(error.info), std::string::npos);
}

}  // namespace
}  // namespace itemdif::textio

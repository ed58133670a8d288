// List-directed reads: separators, null values, the slash, repeat counts, texts and numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "textio/channels.hpp"
#include "textio/errors.hpp"
#include "textio/reader.hpp"

namespace itemdif::textio {
namespace {

/// A control file held in memory, read on channel 12.
class ListFile {
 public:
  explicit ListFile(const std::string& text) : source_(text), channel_(12, "run.ctl", source_) {}

  void read(std::initializer_list<Target> targets) {
    read_list(channel_, std::span<const Target>(targets.begin(), targets.size()));
  }
  /// The error number of a read that must fail, 0 when it did not.
  int failure(std::initializer_list<Target> targets) {
    try {
      read(targets);
    } catch (const IoError& error) {
      EXPECT_EQ(error.unit, 12);
      EXPECT_EQ(error.file, "run.ctl");
      return error.number;
    }
    return 0;
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

std::string text_of(std::size_t length) { return std::string(length, ' '); }

// ---- Separators and lines

TEST(ListInput, ThreeNumbersIntoTwoIntegersSkipTheThirdWithTheLine) {
  ListFile file("3 4 5\n6\n");
  std::int32_t a = 0, b = 0, c = 0;
  file.read({&a, &b});
  EXPECT_EQ(a, 3);
  EXPECT_EQ(b, 4);
  file.read({&c});
  EXPECT_EQ(c, 6);
}

TEST(ListInput, BlanksTabsAndCommasSeparate) {
  ListFile file("  1,2 ,  3\t4\t,5   ,\t6\n");
  std::int32_t v[6] = {};
  file.read({&v[0], &v[1], &v[2], &v[3], &v[4], &v[5]});
  EXPECT_EQ(v[0], 1);
  EXPECT_EQ(v[1], 2);
  EXPECT_EQ(v[2], 3);
  EXPECT_EQ(v[3], 4);
  EXPECT_EQ(v[4], 5);
  EXPECT_EQ(v[5], 6);
}

TEST(ListInput, EmptyAndBlankLinesArePassedOverAndValuesSpanLines) {
  ListFile file("\n   \n\t\n0 5\n\n10\n4 9 20\n");
  std::int32_t low[3] = {-1, -1, -1}, high[3] = {-1, -1, -1};
  file.read({&low[0], &low[1], &low[2]});
  file.read({&high[0], &high[1], &high[2]});
  EXPECT_EQ(low[0], 0);
  EXPECT_EQ(low[1], 5);
  EXPECT_EQ(low[2], 10);
  EXPECT_EQ(high[0], 4);
  EXPECT_EQ(high[2], 20);
}

TEST(ListInput, SixBoundsOnOneLineLeaveTheUpperBoundsToTheLabelsRecord) {
  ListFile file("0 5 10 4 9 20\n>LABELS: N\n");
  std::int32_t low[3] = {}, high[3] = {};
  file.read({&low[0], &low[1], &low[2]});
  EXPECT_EQ(low[2], 10);
  EXPECT_EQ(file.failure({&high[0], &high[1], &high[2]}), 59);
}

TEST(ListInput, ReadingBeyondTheLastLineIsEndOfFile) {
  ListFile file("1\n\n  \n");
  std::int32_t a = 0, b = 0;
  EXPECT_EQ(file.failure({&a, &b}), 24);
  EXPECT_EQ(a, 1);

  ListFile empty("");
  EXPECT_EQ(empty.failure({&a}), 24);

  // A read with no variables still takes one line.
  ListFile one("x\n");
  EXPECT_EQ(one.failure({}), 0);
  EXPECT_EQ(one.failure({}), 24);
}

// ---- Null values and the slash

TEST(ListInput, NullValuesLeaveVariablesUnchanged) {
  ListFile file("1,,3\n,8\n7,\n,9\n");
  std::int32_t a = -1, b = -1, c = -1;
  file.read({&a, &b, &c});
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, -1);
  EXPECT_EQ(c, 3);
  // A comma at the start of the read is a null first value.
  a = b = -1;
  file.read({&a, &b});
  EXPECT_EQ(a, -1);
  EXPECT_EQ(b, 8);
  // A comma that ends a line separates; the comma opening the next line makes a null value.
  a = b = c = -1;
  file.read({&a, &b, &c});
  EXPECT_EQ(a, 7);
  EXPECT_EQ(b, -1);
  EXPECT_EQ(c, 9);
}

TEST(ListInput, ABlankBeforeACommaIsOneSeparatorAlsoAcrossLines) {
  ListFile file("1 , 2\n3\n, 4\n");
  std::int32_t v[4] = {-1, -1, -1, -1};
  file.read({&v[0], &v[1], &v[2], &v[3]});
  EXPECT_EQ(v[0], 1);
  EXPECT_EQ(v[1], 2);
  EXPECT_EQ(v[2], 3);
  EXPECT_EQ(v[3], 4);
}

TEST(ListInput, ASlashEndsTheReadAndKeepsTheRemainingValues) {
  ListFile file("5 / 6\n9\n");
  std::int32_t a = -1, b = -1;
  file.read({&a, &b});
  EXPECT_EQ(a, 5);
  EXPECT_EQ(b, -1);
  file.read({&b});
  EXPECT_EQ(b, 9);
}

// ---- Repeat counts

TEST(ListInput, RepeatCountsGiveValuesAndNullValues) {
  ListFile file("3*7 2* 1\n2*'ab' 2*,x\n");
  std::int32_t v[6] = {0, 0, 0, -1, -1, 0};
  file.read({&v[0], &v[1], &v[2], &v[3], &v[4], &v[5]});
  EXPECT_EQ(v[0], 7);
  EXPECT_EQ(v[2], 7);
  EXPECT_EQ(v[3], -1);
  EXPECT_EQ(v[4], -1);
  EXPECT_EQ(v[5], 1);

  std::string s1 = text_of(3), s2 = text_of(3), s3 = "old", s4 = "old", s5 = text_of(2);
  file.read({&s1, &s2, &s3, &s4, &s5});
  EXPECT_EQ(s1, "ab ");
  EXPECT_EQ(s2, "ab ");
  EXPECT_EQ(s3, "old");
  EXPECT_EQ(s4, "old");
  EXPECT_EQ(s5, "x ");
}

TEST(ListInput, ARepeatCountOfZeroIsASyntaxError) {
  ListFile file("0*5\n");
  std::int32_t a = 0;
  EXPECT_EQ(file.failure({&a}), 59);
}

// ---- Texts

TEST(ListInput, TheReplyCtlTxtGivesThatName) {
  ListFile file("ctl.txt\n");
  std::string name = text_of(80);
  file.read({&name});
  EXPECT_EQ(name, "ctl.txt" + text_of(73));
}

TEST(ListInput, AQuotedReplyMayHoldBlanksAnUnquotedOneGivesTheFirstWord) {
  ListFile file("'my run.ctl'\n\"it's, a/b\"\nmy run.ctl\n'don''t'\n");
  std::string name = text_of(12);
  file.read({&name});
  EXPECT_EQ(name, "my run.ctl  ");
  file.read({&name});
  EXPECT_EQ(name, "it's, a/b   ");
  file.read({&name});
  EXPECT_EQ(name, "my          ");
  file.read({&name});
  EXPECT_EQ(name, "don't       ");
}

TEST(ListInput, AQuotedTextContinuesOnTheNextLine) {
  ListFile file("'first\n part' 12\n");
  std::string text = text_of(12);
  std::int32_t n = 0;
  file.read({&text, &n});
  EXPECT_EQ(text, "first part  ");
  EXPECT_EQ(n, 12);

  ListFile open("'never closed\n");
  EXPECT_EQ(open.failure({&text}), 24);
}

TEST(ListInput, ATextIsCutToItsVariableOrBlankFilled) {
  ListFile file(">REFERENCE: REF.DAT 500 40\n");
  std::string keyword = text_of(11), name = text_of(80);
  std::int32_t n_reference = 0, n_items = 0;
  file.read({&keyword, &name, &n_reference, &n_items});
  EXPECT_EQ(keyword, ">REFERENCE:");
  EXPECT_EQ(name, "REF.DAT" + text_of(73));
  EXPECT_EQ(n_reference, 500);
  EXPECT_EQ(n_items, 40);

  std::string long_name(100, 'n');
  ListFile long_file(long_name + "\n");
  long_file.read({&name});
  EXPECT_EQ(name, std::string(80, 'n'));

  // Any answer that begins with Y counts as Y.
  ListFile labels(">labels: yes\n");
  std::string flag = text_of(1);
  keyword = text_of(8);
  labels.read({&keyword, &flag});
  EXPECT_EQ(keyword, ">labels:");
  EXPECT_EQ(flag, "y");
}

TEST(ListInput, AKeywordGluedToItsFileNameShiftsTheValues) {
  ListFile file(">REFERENCE:ref.dat 500 40\n(10X,40F1.0)\n");
  std::string keyword = text_of(11), name = text_of(80);
  std::int32_t n_reference = 0, n_items = 0;
  EXPECT_EQ(file.failure({&keyword, &name, &n_reference, &n_items}), 59);
  EXPECT_EQ(keyword, ">REFERENCE:");
  EXPECT_EQ(name, "500" + text_of(77));
  EXPECT_EQ(n_reference, 40);
}

TEST(ListInput, AnUnquotedSlashEndsTheFileNameAndTheRead) {
  ListFile file(">OUTPUT: out/run.txt 7\n>OUTPUT: 'out/run.txt' 7\n");
  std::string keyword = text_of(8), name = text_of(20);
  std::int32_t after = -1;
  file.read({&keyword, &name, &after});
  EXPECT_EQ(name, "out" + text_of(17));
  EXPECT_EQ(after, -1);
  file.read({&keyword, &name, &after});
  EXPECT_EQ(name, "out/run.txt" + text_of(9));
  EXPECT_EQ(after, 7);
}

TEST(ListInput, TextsKeepAtMost2048Characters) {
  std::string huge(3000, 'q');
  ListFile file("'" + huge + "' 5\n" + huge + " 6\n");
  std::string text = text_of(2500);
  std::int32_t n = 0;
  file.read({&text, &n});
  EXPECT_EQ(text, std::string(2048, 'q') + text_of(452));
  EXPECT_EQ(n, 5);
  file.read({&text, &n});
  EXPECT_EQ(text, std::string(2048, 'q') + text_of(452));
  EXPECT_EQ(n, 6);
}

TEST(ListInput, AQuotedTextMustBeFollowedByASeparator) {
  ListFile file("'ref.dat'500\n");
  std::string name = text_of(8);
  EXPECT_EQ(file.failure({&name}), 59);
}

// ---- Numbers

TEST(ListInput, IntegersTakeASignAndDigitsOnly) {
  ListFile file("+12 -7 -2147483648 2147483647\n");
  std::int32_t v[4] = {};
  file.read({&v[0], &v[1], &v[2], &v[3]});
  EXPECT_EQ(v[0], 12);
  EXPECT_EQ(v[1], -7);
  EXPECT_EQ(v[2], -2147483647 - 1);
  EXPECT_EQ(v[3], 2147483647);

  for (const char* bad : {"2.5", "1E3", "2147483648", "abc", "'3'", "1-", "--1", "(10X"}) {
    ListFile file_bad(std::string(bad) + "\n");
    std::int32_t value = 99;
    EXPECT_EQ(file_bad.failure({&value}), 59) << bad;
  }
}

TEST(ListInput, RealsTakeAPointAndAnExponentWithAnyOfItsLetters) {
  ListFile file("1.5 -.25 3. 1E2 2.5d-1 1q+1 7 0.1 1.0-2 1D400\n");
  double v[10] = {};
  file.read({&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9]});
  EXPECT_EQ(v[0], 1.5);
  EXPECT_EQ(v[1], -0.25);
  EXPECT_EQ(v[2], 3.0);
  EXPECT_EQ(v[3], 100.0);
  EXPECT_EQ(v[4], 0.25);
  EXPECT_EQ(v[5], 10.0);
  EXPECT_EQ(v[6], 7.0);
  EXPECT_EQ(v[7], 0.1);   // the double nearest to one tenth
  EXPECT_EQ(v[8], 0.01);
  EXPECT_TRUE(std::isinf(v[9]));

  for (const char* bad : {"1.2.3", "1E", "E5", ".", "-", "1E2E3", "1.5x", "NaN", "1.5;"}) {
    ListFile file_bad(std::string(bad) + "\n");
    double value = 0;
    EXPECT_EQ(file_bad.failure({&value}), 59) << bad;
  }
}

TEST(ListInput, LongNumbersRoundCorrectly) {
  // 0.1 written with 25 significant digits, and the smallest positive double's neighbourhood.
  ListFile file("0.1000000000000000055511151 123456789012345678901234567890E-29 4.9406564584124654E-324\n");
  double v[3] = {};
  file.read({&v[0], &v[1], &v[2]});
  EXPECT_EQ(v[0], 0.1);
  EXPECT_EQ(v[1], 1.2345678901234568);
  EXPECT_EQ(v[2], std::numeric_limits<double>::denorm_min());
}

TEST(ListInput, FloatVariablesRoundOnceFromTheDecimalText) {
  // 1.00000005960464477539 is the midpoint between 1 and the next float; just above it must
  // round up, which a detour through double would lose.
  ListFile file("0.1 1.000000059604644775390625001\n");
  float a = 0, b = 0;
  file.read({&a, &b});
  EXPECT_EQ(a, 0.1f);
  EXPECT_EQ(b, std::nextafter(1.0f, 2.0f));
}

TEST(ListInput, AnArrayCountsAsItsElements) {
  ListFile file("1 2\n3 4 5\n8\n");
  double scores[3] = {};
  std::int32_t after = 0;
  file.read({std::span<double>(scores, 3), &after});
  EXPECT_EQ(scores[0], 1.0);
  EXPECT_EQ(scores[2], 3.0);
  EXPECT_EQ(after, 4);
  file.read({std::span<double>(), &after});  // an empty array takes nothing
  EXPECT_EQ(after, 8);
}

}  // namespace
}  // namespace itemdif::textio

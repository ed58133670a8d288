// List-directed reads: separators, null values, the slash, repeat counts, texts and numbers.
#include <gtest/gtest.h>

#include <algorithm>
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
  /// The error number of a read, 0 when it succeeded.
  int failure(std::initializer_list<Target> targets) {
    try {
      read(targets);
    } catch (const IoError& error) {
      EXPECT_EQ(error.text().substr(error.text().find(", unit")), ", unit 12, file run.ctl");
      return error.number;
    }
    return 0;
  }
  /// Reads `n` integers (set to -1 before) in one operation.
  std::vector<std::int32_t> ints(std::size_t n) {
    std::vector<std::int32_t> v(n, -1);
    std::vector<Target> targets;
    for (auto& x : v) targets.emplace_back(&x);
    read_list(channel_, targets);
    return v;
  }
  /// Reads one text of `length` characters.
  std::string text(std::size_t length) {
    std::string t(length, '?');
    read({&t});
    return t;
  }

 private:
  std::istringstream source_;
  InputChannel channel_;
};

using Ints = std::vector<std::int32_t>;

TEST(ListInput, SeparatorsLinesNullValuesAndTheSlash) {
  ListFile file(
      "3 4 5\n"                   // the 5 is skipped with the rest of the line
      "\n   \n\t\n"               // empty and blank lines give nothing
      "  1,2 ,  3\t4\t,5\n"
      "6\n, 7\n"                  // a blank and a comma are one separator, across lines too
      "1,,3\n"
      ",8\n"                      // a comma first: the first value is null
      "7,\n,9\n"                  // a line-ending comma separates; the next one makes a null
      "5 / 6\n"
      "x\n");
  EXPECT_EQ(file.ints(2), (Ints{3, 4}));
  EXPECT_EQ(file.ints(5), (Ints{1, 2, 3, 4, 5}));
  EXPECT_EQ(file.ints(2), (Ints{6, 7}));
  EXPECT_EQ(file.ints(3), (Ints{1, -1, 3}));
  EXPECT_EQ(file.ints(2), (Ints{-1, 8}));
  EXPECT_EQ(file.ints(3), (Ints{7, -1, 9}));
  EXPECT_EQ(file.ints(2), (Ints{5, -1}));
  file.read({std::span<double>()});  // no variables: one line all the same
  std::int32_t n = 0;
  EXPECT_EQ(file.failure({&n}), 24);
}

TEST(ListInput, LevelBoundsOnTwoLinesOrSixOnOne) {
  ListFile two("0 5\n10\n4 9 20\n");
  EXPECT_EQ(two.ints(3), (Ints{0, 5, 10}));
  EXPECT_EQ(two.ints(3), (Ints{4, 9, 20}));
  ListFile one("0 5 10 4 9 20\n>LABELS: N\n");
  EXPECT_EQ(one.ints(3), (Ints{0, 5, 10}));
  std::int32_t high = 0;
  EXPECT_EQ(one.failure({&high}), 59);
}

TEST(ListInput, RepeatCounts) {
  ListFile file("3*7 2* 1\n2*'ab' 2*,x\n0*5\n");
  EXPECT_EQ(file.ints(6), (Ints{7, 7, 7, -1, -1, 1}));
  std::string s[5] = {"...", "...", "old", "old", ".."};
  file.read({&s[0], &s[1], &s[2], &s[3], &s[4]});
  EXPECT_EQ(s[0] + s[1] + s[2] + s[3] + s[4], "ab ab oldoldx ");
  std::int32_t n = 0;
  EXPECT_EQ(file.failure({&n}), 59);
}

TEST(ListInput, ATableOfIntegersIsOneTarget) {
  // A table is read through a span of it, as its elements in order; a repeat count larger than
  // the table fills it and the rest of the count is dropped with the operation.
  ListFile file("2147483647*0\n1 2*5 ,, 9 3\n");
  std::vector<std::int32_t> table(1000, -1);
  file.read({std::span<std::int32_t>(table)});
  EXPECT_EQ(std::count(table.begin(), table.end(), 0), 1000);
  std::vector<std::int32_t> small(5, -1), none;
  std::int32_t after = 0;
  file.read({std::span<std::int32_t>(none), std::span<std::int32_t>(small), &after});
  EXPECT_EQ(small, (Ints{1, 5, 5, -1, 9}));
  EXPECT_EQ(after, 3);
}

TEST(ListInput, RepliesAndFileNames) {
  ListFile file(
      "ctl.txt\n'my run.ctl'\nmy run.ctl\n\"it's, a/b\"\n'don''t'\n'first\n part'\n"
      "out/run.txt\n" + std::string(100, 'n') + "\n'" + std::string(3000, 'q') + "'\n");
  EXPECT_EQ(file.text(12), "ctl.txt     ");
  EXPECT_EQ(file.text(12), "my run.ctl  ");
  EXPECT_EQ(file.text(12), "my          ");  // unquoted: the first word
  EXPECT_EQ(file.text(12), "it's, a/b   ");
  EXPECT_EQ(file.text(12), "don't       ");
  EXPECT_EQ(file.text(12), "first part  ");  // a quoted text goes on at the next line
  EXPECT_EQ(file.text(12), "out         ");  // an unquoted slash ends the read
  EXPECT_EQ(file.text(80), std::string(80, 'n'));
  EXPECT_EQ(file.text(2050), std::string(2048, 'q') + "  ");  // texts keep at most 2048

  ListFile open("'never closed\n");
  std::string t(3, ' ');
  EXPECT_EQ(open.failure({&t}), 24);
  ListFile glued("'ref.dat'500\n");
  EXPECT_EQ(glued.failure({&t}), 59);
}

TEST(ListInput, KeywordRecords) {
  ListFile file(
      ">REFERENCE: REF.DAT 500 40\n"
      ">REFERENCE:ref.dat 500 40\n(10X,40F1.0)\n"
      ">labels: yes\n"
      ">OUTPUT: out/run.txt 7\n");
  std::string keyword(11, ' '), name(80, ' ');
  std::int32_t n_reference = 0, n_items = 0;
  file.read({&keyword, &name, &n_reference, &n_items});
  EXPECT_EQ(keyword + name.substr(0, 8), ">REFERENCE:REF.DAT ");
  EXPECT_EQ(n_reference, 500);
  EXPECT_EQ(n_items, 40);
  // Glued to the keyword, the file name goes with it: the counts shift by one and the last is
  // sought on the layout line.
  EXPECT_EQ(file.failure({&keyword, &name, &n_reference, &n_items}), 59);
  EXPECT_EQ(keyword + name.substr(0, 4) + std::to_string(n_reference), ">REFERENCE:500 40");

  std::string short_keyword(8, ' '), flag(1, ' ');
  file.read({&short_keyword, &flag});
  EXPECT_EQ(short_keyword + flag, ">labels:y");
  std::int32_t after = -1;
  file.read({&short_keyword, &name, &after});
  EXPECT_EQ(after, -1);  // the slash ended the read
}

TEST(ListInput, IntegersTakeASignAndDigitsOnly) {
  ListFile file("+12 -7 -2147483648 2147483647\n");
  EXPECT_EQ(file.ints(4), (Ints{12, -7, -2147483647 - 1, 2147483647}));
  for (const char* bad : {"2.5", "1E3", "2147483648", "abc", "'3'", "1-", "--1", "(10X"}) {
    std::int32_t value = 0;
    EXPECT_EQ(ListFile(std::string(bad) + "\n").failure({&value}), 59) << bad;
  }
}

TEST(ListInput, RealsRoundCorrectlyFromAnyNumberOfDigits) {
  ListFile file(
      "1.5 -.25 3. 1E2 2.5d-1 1q+1 7 0.1 1.0-2 1D400\n"
      "0.1000000000000000055511151 123456789012345678901234567890E-29 4.9406564584124654E-324\n");
  double v[13] = {};
  file.read({std::span<double>(v, 10)});
  EXPECT_EQ(std::vector<double>(v, v + 9),
            (std::vector<double>{1.5, -0.25, 3.0, 100.0, 0.25, 10.0, 7.0, 0.1, 0.01}));
  EXPECT_TRUE(std::isinf(v[9]));
  file.read({&v[10], &v[11], &v[12]});
  EXPECT_EQ(v[10], 0.1);
  EXPECT_EQ(v[11], 1.2345678901234568);
  EXPECT_EQ(v[12], std::numeric_limits<double>::denorm_min());
  // A float rounds once from the text: just above the midpoint between 1 and the next float,
  // a detour through double would land on the midpoint and round down.
  float f = 0;
  ListFile("1.000000059604644775390625001\n").read({&f});
  EXPECT_EQ(f, std::nextafter(1.0f, 2.0f));
  for (const char* bad : {"1.2.3", "1E", "E5", ".", "-", "1E2E3", "1.5x", "NaN", "'1'"}) {
    double value = 0;
    EXPECT_EQ(ListFile(std::string(bad) + "\n").failure({&value}), 59) << bad;
  }
}

}  // namespace
}  // namespace itemdif::textio

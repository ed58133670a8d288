// The line model: layouts applied to values, line ends, stops, reversion and the write targets.
#include "textio/writer.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "textio/channels.hpp"
#include "textio/errors.hpp"
#include "support/thrown.hpp"

namespace itemdif::textio {
namespace {

using Lines = std::vector<std::string>;

Lines lines_of(std::string_view layout, std::initializer_list<Value> values) {
  return format_lines(Layout::compile(layout), std::span<const Value>(values.begin(), values.size()))
      .lines;
}

int layout_error(std::string_view layout, std::initializer_list<Value> values) {
  try {
    lines_of(layout, values);
  } catch (const LayoutError& e) {
    return e.number;
  }
  return 0;
}

TEST(LineModel, LiteralsFieldsAndMovements) {
  EXPECT_EQ(lines_of("('ab',2X,I3,'|')", {7}), Lines{"ab    7|"});
  // Later text written over earlier text replaces it.
  EXPECT_EQ(lines_of("(T5,'x',T2,'y',TL1,'z',TR2,'w')", {}), Lines{" z  w"});
  EXPECT_EQ(lines_of("('abc',TL9,'d')", {}), Lines{"dbc"});
}

TEST(LineModel, TrailingMovementAddsNoBlanks) {
  EXPECT_EQ(lines_of("('x',5X)", {}), Lines{"x"});
  EXPECT_EQ(lines_of("(A3,T40)", {"ab"}), Lines{" ab"});
  EXPECT_EQ(lines_of("(10X)", {}), Lines{""});
  std::string title(160, 'T');
  EXPECT_EQ(lines_of("(A160,'!')", {title}), Lines{title + "!"});  // no limit on line length
}

TEST(LineModel, SlashesEndLines) {
  EXPECT_EQ(lines_of("(/,/,'Note:',/,A5,/,A5,/,/)", {"one", "two"}),
            (Lines{"", "", "Note:", "  one", "  two", "", ""}));
  EXPECT_EQ(lines_of("('a',3/'b')", {}), (Lines{"a", "", "", "b"}));
  EXPECT_EQ(lines_of("()", {}), Lines{""});
}

TEST(LineModel, FieldStopsWhenValuesRunOut) {
  EXPECT_EQ(lines_of("(I3,' and ',I3,' more')", {1}), Lines{"  1 and "});
  EXPECT_EQ(lines_of("(I3,:,' and ',I3)", {1}), Lines{"  1"});
  EXPECT_EQ(lines_of("(I3,:,' and ',I3)", {1, 2}), Lines{"  1 and   2"});
}

TEST(LineModel, LineEndSuppressedOnlyForTheLastLine) {
  auto a = format_lines(Layout::compile("('Reply: ',$)"), {});
  EXPECT_EQ(a.lines, Lines{"Reply: "});
  EXPECT_TRUE(a.line_end_suppressed);
  auto b = format_lines(Layout::compile("('a',\\,/,'b')"), {});
  EXPECT_EQ(b.lines, (Lines{"a", "b"}));
  EXPECT_TRUE(b.line_end_suppressed);
  EXPECT_FALSE(format_lines(Layout::compile("('a')"), {}).line_end_suppressed);
}

TEST(LineModel, ScaleAndSignModesLastForTheOperationOnly) {
  EXPECT_EQ(lines_of("(F6.2,1P,E11.3,F7.1,0P,F6.2)", {1.5, 1.5, 1.5, 1.5}),
            Lines{"  1.50  1.500E+00   15.0  1.50"});
  EXPECT_EQ(lines_of("(SP,I3,F5.1,SS,I3,S,I3)", {1, 1.0, 2, 3}), Lines{" +1 +1.0  2  3"});
}

TEST(LineModel, GroupsRepeat) {
  EXPECT_EQ(lines_of("(2('<',I1,'>'),'!')", {1, 2}), Lines{"<1><2>!"});
  EXPECT_EQ(lines_of("(2(I1,2(I1)))", {1, 2, 3, 4, 5, 6}), Lines{"123456"});
  EXPECT_EQ(lines_of("(3(I2))", {1, 2}), Lines{" 1 2"});
}

TEST(LineModel, KindMismatchAndInfiniteLoop) {
  EXPECT_EQ(layout_error("(F6.2)", {1}), 61);
  EXPECT_EQ(layout_error("(I3)", {1.0}), 61);
  EXPECT_EQ(layout_error("(Q)", {1}), 61);
  EXPECT_EQ(layout_error("('no field',/)", {1}), 60);
  EXPECT_EQ(layout_error("(I3,(/))", {1, 2}), 60);
  EXPECT_EQ(layout_error("('no field')", {}), 0);
}

TEST(LineModel, FloatValuesWidenExactly) {
  // 0.1f is 0.100000001490116119384765625.
  EXPECT_EQ(lines_of("(F12.10)", {0.1f}), Lines{"0.1000000015"});
  std::vector<float> v{0.5f, -0.25f};
  EXPECT_EQ(lines_of("(2F6.2)", {std::span<const float>(v)}), Lines{"  0.50 -0.25"});
}

// The edge cases that the report and console layouts rely on.
TEST(LayoutCases, RepeatedGroupOnOneLine) {
  std::vector<std::int32_t> five{1, 2, 3, 4, 5};
  EXPECT_EQ(lines_of("(999(I3))", {std::span<const std::int32_t>(five)}),
            Lines{"  1  2  3  4  5"});
}

TEST(LayoutCases, EmptyArrayWritesNoLine) {
  std::vector<std::int32_t> none;
  EXPECT_TRUE(lines_of("(999(I3))", {std::span<const std::int32_t>(none)}).empty());
  // Without an empty array in the list the empty line is written.
  EXPECT_EQ(lines_of("(999(I3))", {}), Lines{""});
  // Lines ended by "/" are not affected, nor lines that hold characters.
  EXPECT_EQ(lines_of("(/,999(I3))", {std::span<const std::int32_t>(none)}), Lines{""});
  EXPECT_EQ(lines_of("('x',999(I3))", {std::span<const std::int32_t>(none)}), Lines{"x"});
  std::vector<double> values{1.0, 2.0};
  EXPECT_EQ(lines_of("(2X,A3,2X,999F6.2)",
                     {"P", std::span<const double>(values), std::span<const double>()}),
            Lines{"    P    1.00  2.00"});
}

TEST(LayoutCases, ReversionToTheGroup) {
  std::vector<double> four{1.0, 2.0, 3.0, 4.0};
  Lines one = lines_of("(A20,4(F10.6,3X))", {"name", std::span<const double>(four)});
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].size(), 69u);
  EXPECT_EQ(one[0],
            "                name  1.000000     2.000000     3.000000     4.000000");

  std::vector<double> eight{1, 2, 3, 4, 5, 6, 7, 8};
  Lines two = lines_of("(A20,4(F10.6,3X))", {"name", std::span<const double>(eight)});
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0], one[0]);
  EXPECT_EQ(two[1], "  5.000000     6.000000     7.000000     8.000000");
}

TEST(LayoutCases, ReversionToTheStartWithoutGroups) {
  std::vector<std::int32_t> bounds(1001);
  for (std::size_t i = 0; i < bounds.size(); ++i) bounds[i] = static_cast<std::int32_t>(i + 1);
  Lines out = lines_of("(1X,999I5)", {std::span<const std::int32_t>(bounds)});
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].size(), 1u + 999u * 5u);
  EXPECT_EQ(out[0].substr(0, 11), "     1    2");
  EXPECT_EQ(out[0].substr(out[0].size() - 5), "  999");
  EXPECT_EQ(out[1], "  1000 1001");
}

TEST(LayoutCases, OverflowingFieldLeavesTheOthers) {
  std::vector<double> p{0.5, 1000.0, -0.25, 100.0};
  // 100.00 takes exactly six columns and fits; 1000.00 does not.
  EXPECT_EQ(lines_of("(2X,A3,2X,999F6.2)", {"P", std::span<const double>(p)}),
            Lines{"    P    0.50****** -0.25100.00"});
}

TEST(LayoutCases, ItemLineAfterTwoEmptyLines) {
  EXPECT_EQ(lines_of("(/,/,'Item ',I3,3X,'ETS Code = ',A1,1X,A1)", {12, "C", "R"}),
            (Lines{"", "", "Item  12   ETS Code = C R"}));
  EXPECT_EQ(lines_of("(/,/,'Item ',I3,3X,'ETS Code = ',A1,1X,A1)", {3, "A", " "}),
            (Lines{"", "", "Item   3   ETS Code = A  "}));
}

TEST(LayoutCases, Banner) {
  std::string b1(60, 'x'), b2 = "second", b3(45, 'y');
  EXPECT_EQ(lines_of("(/,/,/,/,13X,A52,/,/,25X,A40,/,/,22X,A40,/)", {b1, b2, b3}),
            (Lines{"", "", "", "", std::string(13, ' ') + std::string(52, 'x'), "",
                   std::string(25 + 34, ' ') + "second", "",
                   std::string(22, ' ') + std::string(40, 'y'), ""}));
}

TEST(LayoutCases, PromptWithNoValues) {
  EXPECT_EQ(lines_of(R"((/,/,/,/,"  Enter Name of Input file: ",/,20X))", {}),
            (Lines{"", "", "", "", "  Enter Name of Input file: ", ""}));
}

TEST(LayoutCases, MessageCharacters) {
  const auto layout = "(/,' *** ',8A1,' ERROR',59A1)";
  std::string text = " 1 from CTGLM.  The argument passed to N1RTY must be 0 or";
  EXPECT_EQ(lines_of(layout, {Value::chars("TERMINAL"), Value::chars(text)}),
            (Lines{"", " *** TERMINAL ERROR" + text}));
  std::string long_text(70, 'z');
  Lines out = lines_of(layout, {Value::chars("WARNING "), Value::chars(long_text)});
  // 59 characters fill the line; the rest starts a new line by reversion to the start.
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[1], " *** WARNING  ERROR" + std::string(59, 'z'));
  EXPECT_EQ(out[2], "");
  EXPECT_EQ(out[3], " *** zzzzzzzz ERROR" + std::string(3, 'z'));
}

TEST(LayoutCases, PassRow) {
  const auto layout = "(A1,A1,1X,I3,A3,5X,F6.3,5X,F7.3,5X,F6.3,5X,F6.3,5X,F6.3)";
  Lines out = lines_of(layout, {"C", "F", 12, " **", 2.5, 10.25, 0.0013, -1.6, 0.4});
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0], "CF  12 **      2.500      10.250      0.001     -1.600      0.400");
  EXPECT_EQ(out[0].size(), 65u);
  EXPECT_EQ(out[0].substr(14, 6), " 2.500");
  EXPECT_EQ(out[0].substr(59, 6), " 0.400");
}

TEST(InternalWrite, FixedLengthTarget) {
  EXPECT_EQ(write_internal(24, Layout::compile("(1P,D24.15)"), {125.0}),
            "   1.250000000000000D+02");
  EXPECT_EQ(write_internal(24, Layout::compile("(D24.15)"), {0.0}),
            "   0.000000000000000D+00");
  EXPECT_EQ(write_internal(14, Layout::compile("(E14.6)"), {123.456}), "  0.123456E+03");
  EXPECT_EQ(write_internal(6, Layout::compile("(I3)"), {42}), " 42   ");
  EXPECT_EQ(write_internal(4, Layout::compile("(I6,/,I6)"), {123456, 7}), "1234");
  // A real value for an integer field.
  const auto mismatch = itemdif::testing::thrown<LayoutError>(
      [] { write_internal(4, Layout::compile("(I6)"), {1.0}); });
  ASSERT_TRUE(mismatch.has_value());
  EXPECT_STREQ(mismatch->what(), "format/variable-type mismatch");
  EXPECT_EQ(mismatch->number, 61);
}

TEST(ChannelWrite, LinesEndWithCarriageReturnLineFeed) {
  std::ostringstream sink;
  OutputChannel channel(11, "REPORT.OUT", sink);
  write(channel, Layout::compile("(/,'Pass ',I1,5X)"), {2});
  write(channel, Layout::compile("('> ',$)"));
  EXPECT_EQ(sink.str(), "\r\nPass 2\r\n> ");
}

TEST(ChannelWrite, LayoutErrorNamesTheChannel) {
  std::ostringstream sink;
  OutputChannel channel(11, "REPORT.OUT", sink);
  try {
    write(channel, Layout::compile("('x',/,F6.2)"), {3});
    FAIL() << "no error";
  } catch (const IoError& e) {
    EXPECT_EQ(e.number, 61);
    EXPECT_EQ(e.unit, 11);
    EXPECT_EQ(e.file, "REPORT.OUT");
    EXPECT_STREQ(e.what(), "format/variable-type mismatch, unit 11, file REPORT.OUT");
  }
}

TEST(ListWrite, LeadingBlankAndEightyColumnLines) {
  std::ostringstream sink;
  OutputChannel channel(6, "CONOUT$", sink);
  write_list(channel, "FATAL ERROR; Keyword >LEVELS: missing");
  write_list(channel);
  write_list(channel, "ab  ");
  EXPECT_EQ(sink.str(), " FATAL ERROR; Keyword >LEVELS: missing\r\n\r\n ab  \r\n");

  std::ostringstream wide;
  OutputChannel console(6, "CONOUT$", wide);
  std::string text = std::string(79, 'a') + std::string(79, 'b') + "c";
  write_list(console, text);
  EXPECT_EQ(wide.str(), " " + std::string(79, 'a') + "\r\n " + std::string(79, 'b') + "\r\n c\r\n");
}

}  // namespace
}  // namespace itemdif::textio

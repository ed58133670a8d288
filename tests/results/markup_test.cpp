// The markup writer, the plots' axes and the page's number texts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>

#include "results/linear_scale.hpp"
#include "results/markup_writer.hpp"
#include "results/report_numbers.hpp"
#include "support/thrown.hpp"

namespace {

using namespace itemdif::results;
using itemdif::testing::thrown_message;

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(MarkupWriter, EscapesEveryCharacterThatCanEndTextOrAttribute) {
  EXPECT_EQ(escape_markup("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&#39;");
  EXPECT_EQ(escape_markup("\u00e9t\u00e9 plain"), "\u00e9t\u00e9 plain");

  MarkupWriter writer;
  writer.open("svg", {{"data-item", "\"><script>x</script>"}, {"width", 2.5}, {"n", 3}});
  writer.element("text", {}, "</svg><b>");
  writer.empty("circle", {{"r", 4.0}});
  writer.close();
  const std::string markup = writer.finish();
  EXPECT_EQ(markup,
            "<svg data-item=\"&quot;&gt;&lt;script&gt;x&lt;/script&gt;\" width=\"2.5\" "
            "n=\"3\"><text>&lt;/svg&gt;&lt;b&gt;</text><circle r=\"4\"/></svg>");
}

TEST(MarkupWriter, ClosesInnermostFirstAndRefusesUnbalancedUse) {
  MarkupWriter writer;
  writer.open("g");
  writer.open("title");
  writer.text("t");
  EXPECT_EQ(writer.depth(), 2u);
  EXPECT_EQ(thrown_message<std::logic_error>([&] { writer.finish(); }),
            "MarkupWriter::finish: <title> is still open");
  writer.close();
  writer.close();
  EXPECT_EQ(thrown_message<std::logic_error>([&] { writer.close(); }),
            "MarkupWriter::close: no element is open");
  EXPECT_EQ(writer.finish(), "<g><title>t</title></g>");
}

TEST(SvgNumber, TwoDecimalsAtMostAndNeverMinusZero) {
  EXPECT_EQ(svg_number(1.5), "1.5");
  EXPECT_EQ(svg_number(2.0), "2");
  EXPECT_EQ(svg_number(-0.004), "0");
  EXPECT_EQ(svg_number(-1.006), "-1.01");
  EXPECT_EQ(svg_number(120.10), "120.1");
  EXPECT_EQ(svg_number(kLargestCoordinate), "1000000000");
  for (const double unusable : {kInfinity, kNaN, -1e300, kLargestCoordinate * 1.01})
    EXPECT_EQ(thrown_message<std::invalid_argument>([&] { svg_number(unusable); }),
              "svg_number: value is not finite or beyond any drawing")
        << unusable;
}

TEST(LinearScale, MapsBothDirectionsAndClamps) {
  const LinearScale down(0, 1, 164, 26);  // a y axis: pixels grow downwards
  EXPECT_DOUBLE_EQ(down(0), 164);
  EXPECT_DOUBLE_EQ(down(1), 26);
  EXPECT_DOUBLE_EQ(down(0.5), 95);
  EXPECT_DOUBLE_EQ(down.clamped(7), 26);
  EXPECT_DOUBLE_EQ(down.clamped(-kInfinity), 164);
  const std::string empty_domain = "LinearScale: the interval is empty or not finite";
  EXPECT_EQ(thrown_message<std::invalid_argument>([] { LinearScale(1, 1, 0, 10); }), empty_domain);
  EXPECT_EQ(thrown_message<std::invalid_argument>([] { LinearScale(2, 1, 0, 10); }), empty_domain);
  EXPECT_EQ(thrown_message<std::invalid_argument>([] { LinearScale(0, kNaN, 0, 10); }),
            empty_domain);
  EXPECT_EQ(thrown_message<std::invalid_argument>([] { LinearScale(0, 1, 0, kInfinity); }),
            "LinearScale: the range is not finite");
}

TEST(NiceTicks, RoundStepsWithExactDecimals) {
  const Ticks unit = nice_ticks(0, 1, 5);
  EXPECT_EQ(unit.values, (std::vector<double>{0, 0.5, 1}));
  EXPECT_EQ(unit.decimals, 1);

  const Ticks tenths = nice_ticks(0, 1, 11);
  ASSERT_EQ(tenths.values.size(), 11u);
  EXPECT_EQ(tenths.values[3], 0.3);  // 3/10, not 0.1 + 0.1 + 0.1
  EXPECT_EQ(tenths.values[7], 0.7);

  const Ticks wide = nice_ticks(-3, 3, 12);
  EXPECT_EQ(wide.values.front(), -3);
  EXPECT_EQ(wide.values.back(), 3);
  EXPECT_LE(wide.values.size(), 12u);
  EXPECT_EQ(wide.decimals, 0);

  // A narrow interval still gets two ticks, even past the limit asked for.
  const Ticks narrow = nice_ticks(0.51, 0.59, 1);
  EXPECT_GE(narrow.values.size(), 2u);
  for (double v : narrow.values) {
    EXPECT_GE(v, 0.51);
    EXPECT_LE(v, 0.59);
  }
  for (const auto& [low, high] : {std::pair{2.0, 2.0}, std::pair{0.0, kInfinity}})
    EXPECT_EQ(thrown_message<std::invalid_argument>([&] { nice_ticks(low, high, 5); }),
              "nice_ticks: the interval is empty or not finite")
        << low << " to " << high;
}

TEST(NiceExtent, WidensToTicks) {
  const Extent e = nice_extent(-2.3, 2.3, 12);
  EXPECT_LE(e.low, -2.3);
  EXPECT_GE(e.high, 2.3);
  const Ticks ticks = nice_ticks(e.low, e.high, 12);
  EXPECT_EQ(ticks.values.front(), e.low);
  EXPECT_EQ(ticks.values.back(), e.high);
  EXPECT_EQ(nice_extent(0, 1, 5).low, 0);
  EXPECT_EQ(nice_extent(0, 1, 5).high, 1);
}

TEST(ReportNumbers, DecimalTextOfEveryKindOfValue) {
  EXPECT_EQ(decimal_text(-1.005, 2), "-1.00");  // -1.005 is below the decimal value as a double
  EXPECT_EQ(decimal_text(2.0, 0), "2");
  EXPECT_EQ(decimal_text(std::nullopt, 2), kUndefinedText);
  EXPECT_EQ(decimal_text(kNaN, 2), kUndefinedText);
  EXPECT_EQ(decimal_text(kInfinity, 2), "\u221e");
  EXPECT_EQ(decimal_text(-kInfinity, 2), "\u2212\u221e");
  EXPECT_EQ(decimal_text(1e300, 2), "1.00e+300");
  EXPECT_EQ(decimal_text(-123456789.0, 1), "-123456789.0");
}

TEST(ReportNumbers, PValuesKeepTheirSizeBelowAThousandth) {
  EXPECT_EQ(p_value_text(0.05), "0.050");
  EXPECT_EQ(p_value_text(0.001), "0.001");
  EXPECT_EQ(p_value_text(0.000472), "4.72e-04");
  EXPECT_EQ(p_value_text(4.72e-32), "4.72e-32");
  EXPECT_EQ(p_value_text(0.0), "0.000");
  EXPECT_EQ(p_value_text(1.0), "1.000");
  EXPECT_EQ(p_value_text(std::nullopt), kUndefinedText);
  EXPECT_EQ(p_value_text(kNaN), kUndefinedText);
}

TEST(ReportNumbers, ClassesMapToThreeColours) {
  EXPECT_EQ(class_css("A"), "cls-A");
  EXPECT_EQ(class_css("B-"), "cls-B");
  EXPECT_EQ(class_css("B+"), "cls-B");
  EXPECT_EQ(class_css("C+"), "cls-C");
  EXPECT_EQ(class_css(""), "cls-none");
  EXPECT_EQ(class_css("x"), "cls-none");
}

TEST(ReportNumbers, ShortenedLabelsCountCharactersNotBytes) {
  EXPECT_EQ(shortened_label("item12", 6), "item12");        // fits exactly: not cut
  EXPECT_EQ(shortened_label("item123", 6), "item1\u2026");  // cut to six with the ellipsis
  EXPECT_EQ(shortened_label("\u00e9\u00e9\u00e9\u00e9", 4), "\u00e9\u00e9\u00e9\u00e9");
  EXPECT_EQ(shortened_label("\u00e9\u00e9\u00e9\u00e9\u00e9", 3), "\u00e9\u00e9\u2026");
  EXPECT_EQ(shortened_label("\u4e2d\u6587\u540d\u5b57", 2), "\u4e2d\u2026");
  EXPECT_EQ(shortened_label("ab", 1), "\u2026");
  EXPECT_EQ(shortened_label("ab", 0), "");
  EXPECT_EQ(shortened_label("", 3), "");
}

}  // namespace

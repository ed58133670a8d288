// A method's figure of an item: its series, the zero line and the marker, drawn where they fall.
#include "results/method_figure.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace itemdif::results {
namespace {

std::size_t count_of(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

stats::Method figure_method() {
  stats::Method method{"m", "a method", false, {}, nullptr};
  method.figure_title = "differences";
  method.figure_x_label = "score";
  method.figure_marker_label = "crossing point";
  method.figure_zero_line = true;
  return method;
}

TEST(MethodFigure, SeriesZeroLineAndMarkerWhereTheyFall) {
  stats::MethodValues values;
  values.figures = {{"first", {{1, -0.2}, {2, 0.1}, {3, 0.3}}}, {"second", {{1, 0.5}, {3, 0.4}}}};
  values.marker = 1.6;
  const std::string svg = method_figure(figure_method(), values, "q<1>");
  EXPECT_EQ(count_of(svg, "<polyline"), 2u);
  EXPECT_EQ(count_of(svg, "class=\"point\""), 5u);  // few points: each marked
  EXPECT_EQ(count_of(svg, "class=\"zero-line\""), 1u);
  EXPECT_NE(svg.find("<title>crossing point 1.60</title>"), std::string::npos) << svg;
  EXPECT_NE(svg.find("data-item=\"q&lt;1&gt;\""), std::string::npos);  // names escaped

  // Outside the plotted range the marker goes; all above zero, the zero line is still in view.
  values.marker = 40;
  values.figures = {{"only", {{1, 0.2}, {2, 0.4}}}};
  const std::string far = method_figure(figure_method(), values, "q1");
  EXPECT_EQ(count_of(far, "class=\"marker\""), 0u);
  EXPECT_EQ(count_of(far, "<polyline"), 1u);

  // Nothing to draw, no figure; a non-finite point is skipped, not drawn.
  EXPECT_EQ(method_figure(figure_method(), stats::MethodValues{}, "q1"), "");
  values.figures = {{"gap", {{1, 0.2}, {2, std::numeric_limits<double>::quiet_NaN()}, {3, 0.1}}}};
  const std::string gap = method_figure(figure_method(), values, "q1");
  EXPECT_EQ(count_of(gap, "class=\"point\""), 2u);
  EXPECT_EQ(gap.find("nan"), std::string::npos);
}

}  // namespace
}  // namespace itemdif::results

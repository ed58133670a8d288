// A method's figure of an item.
#include "results/method_figure.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "results/linear_scale.hpp"
#include "results/markup_writer.hpp"
#include "results/report_numbers.hpp"

namespace itemdif::results {
namespace {

constexpr double kWidth = 280, kHeight = 170;
constexpr double kLeft = 40, kRight = 10, kTop = 22, kBottom = 30;

struct Bounds {
  double low = std::numeric_limits<double>::infinity();
  double high = -std::numeric_limits<double>::infinity();
  void add(double v) {
    low = std::min(low, v);
    high = std::max(high, v);
  }
  /// Widened to a nice extent; a single value gets room on both sides.
  Extent extent() const {
    if (!(low < high)) return nice_extent(low - 1, high + 1, 5);
    return nice_extent(low, high, 5);
  }
};

}  // namespace

std::string method_figure(const stats::Method& method, const stats::MethodValues& values,
                          const std::string& item) {
  Bounds x, y;
  for (const stats::MethodValues::Series& series : values.figures)
    for (const auto& [px, py] : series.points) {
      if (!std::isfinite(px) || !std::isfinite(py)) continue;
      x.add(px);
      y.add(py);
    }
  if (!(x.low <= x.high)) return {};
  // Differences read against zero: keep it in view.
  if (method.figure_zero_line) y.add(0);
  const Extent xe = x.extent(), ye = y.extent();
  const LinearScale sx(xe.low, xe.high, kLeft, kWidth - kRight);
  const LinearScale sy(ye.low, ye.high, kHeight - kBottom, kTop);

  MarkupWriter svg;
  svg.open("svg", {{"class", "method-plot"}, {"data-method", std::string(method.name)},
                   {"data-item", item}, {"xmlns", "http://www.w3.org/2000/svg"},
                   {"viewBox", "0 0 " + svg_number(kWidth) + " " + svg_number(kHeight)},
                   {"width", kWidth}, {"height", kHeight}, {"role", "img"},
                   {"aria-label", std::string(method.figure_title) + " of " + item}});
  svg.element("text", {{"class", "plot-title"}, {"x", kLeft}, {"y", 12}},
              std::string(method.figure_title));
  svg.empty("rect", {{"class", "frame"}, {"x", kLeft}, {"y", kTop},
                     {"width", kWidth - kRight - kLeft}, {"height", kHeight - kBottom - kTop}});
  const Ticks y_ticks = nice_ticks(ye.low, ye.high, 5);
  for (double v : y_ticks.values)
    svg.element("text", {{"class", "tick-label"}, {"x", kLeft - 4}, {"y", sy(v) + 3.5},
                         {"text-anchor", "end"}},
                decimal_text(v, y_ticks.decimals));
  const Ticks x_ticks = nice_ticks(xe.low, xe.high, 6);
  for (double v : x_ticks.values)
    svg.element("text", {{"class", "tick-label"}, {"x", sx(v)}, {"y", kHeight - kBottom + 12},
                         {"text-anchor", "middle"}},
                decimal_text(v, x_ticks.decimals));
  svg.element("text", {{"class", "axis-title"}, {"x", (kLeft + kWidth - kRight) / 2},
                       {"y", kHeight - 4}, {"text-anchor", "middle"}},
              std::string(method.figure_x_label));
  if (method.figure_zero_line && ye.low < 0 && ye.high > 0)
    svg.empty("line", {{"class", "zero-line"}, {"x1", kLeft}, {"x2", kWidth - kRight},
                       {"y1", sy(0)}, {"y2", sy(0)}});
  if (values.marker && *values.marker >= xe.low && *values.marker <= xe.high) {
    svg.open("line", {{"class", "marker"}, {"x1", sx(*values.marker)}, {"x2", sx(*values.marker)},
                      {"y1", kTop}, {"y2", kHeight - kBottom}});
    svg.element("title", {}, std::string(method.figure_marker_label) + " " +
                                 decimal_text(*values.marker, 2));
    svg.close();
  }
  for (std::size_t k = 0; k < values.figures.size(); ++k) {
    const stats::MethodValues::Series& series = values.figures[k];
    std::string line;
    for (const auto& [px, py] : series.points)
      if (std::isfinite(px) && std::isfinite(py))
        line += (line.empty() ? "" : " ") + svg_number(sx(px)) + "," + svg_number(sy(py));
    svg.open("g", {{"class", "series series-" + std::to_string(k)}});
    svg.element("title", {}, series.name);
    svg.empty("polyline", {{"class", "curve"}, {"points", line}});
    // Few points (strata) are marked; a smooth curve of many is not.
    if (series.points.size() <= 40)
      for (const auto& [px, py] : series.points)
        if (std::isfinite(px) && std::isfinite(py))
          svg.empty("circle", {{"class", "point"}, {"cx", sx(px)}, {"cy", sy(py)}, {"r", 2.2}});
    svg.close();
  }
  svg.close();
  return svg.finish();
}

}  // namespace itemdif::results

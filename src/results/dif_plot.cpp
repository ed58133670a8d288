// The D-DIF plot of the HTML report.
#include "results/dif_plot.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "results/linear_scale.hpp"
#include "results/markup_writer.hpp"
#include "results/report_numbers.hpp"

namespace itemdif::results {
namespace {

constexpr double kRowHeight = 16;
constexpr double kTop = 40;     // zone names and the upper tick labels
constexpr double kBottom = 40;  // the lower tick labels and the axis title
constexpr double kPlotWidth = 560;
constexpr double kRight = 24;
constexpr double kCharacterWidth = 6.6;  // of the 11 px labels
constexpr std::size_t kLabelCharacters = 20;

struct Interval {
  double low, high;
};

bool finite(const std::optional<double>& value) { return value && std::isfinite(*value); }

std::optional<Interval> interval_of(const stats::ItemResult& item) {
  const std::optional<double> low = item.number("mh_d_dif_low");
  const std::optional<double> high = item.number("mh_d_dif_high");
  if (!finite(low) || !finite(high)) return std::nullopt;
  return Interval{*low, *high};
}

/// Half the width of the symmetric axis: every point, the 1.5 band with room, and the
/// intervals unless a very wide one would squeeze the points (it is clipped instead).
double axis_half_width(const stats::Comparison& comparison) {
  double largest_d = 0, largest_end = 0;
  for (const stats::ItemResult& item : comparison.items) {
    const std::optional<double> d = item.number("mh_d_dif");
    if (finite(d)) largest_d = std::max(largest_d, std::fabs(*d));
    if (const auto interval = interval_of(item))
      largest_end = std::max({largest_end, std::fabs(interval->low), std::fabs(interval->high)});
  }
  const double interval_cap = std::max(3.0, 1.5 * largest_d);
  return std::max({2.0, largest_d, std::min(largest_end, interval_cap)});
}

std::string full_precision(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

void write_band(MarkupWriter& svg, const LinearScale& x, double from, double to, double top,
                double height, const char* css) {
  const double left = x.clamped(from), right = x.clamped(to);
  if (right > left)
    svg.empty("rect", {{"class", css}, {"x", left}, {"y", top}, {"width", right - left},
                       {"height", height}});
}

void write_axis_labels(MarkupWriter& svg, const LinearScale& x, const Ticks& ticks, double y) {
  for (double value : ticks.values)
    svg.element("text", {{"class", "tick-label"}, {"x", x(value)}, {"y", y}, {"text-anchor", "middle"}},
                decimal_text(value, ticks.decimals));
}

/// A small triangle at a clipped interval end, pointing out of the plot.
void write_clip_mark(MarkupWriter& svg, double x, double y, double direction) {
  const std::string points = svg_number(x) + "," + svg_number(y - 3.5) + " " +
                             svg_number(x + 5 * direction) + "," + svg_number(y) + " " +
                             svg_number(x) + "," + svg_number(y + 3.5);
  svg.empty("polygon", {{"class", "clip-mark"}, {"points", points}});
}

std::string point_title(const stats::ItemResult& item) {
  std::string title = item.name + (item.range.polytomous ? ": Liu-Agresti D-DIF " : ": D-DIF ") +
                      decimal_text(item.number("mh_d_dif"), 2);
  if (const auto interval = interval_of(item))
    title += ", 95 % interval " + decimal_text(interval->low, 2) + " to " +
             decimal_text(interval->high, 2);
  const std::string ets_class = item.text("ets_class");
  title += ", ETS " + (ets_class.empty() ? std::string(kUndefinedText) : ets_class);
  if (item.flagged) title += ", flagged";
  return title;
}

}  // namespace

DifPlot dif_plot(const stats::Comparison& comparison) {
  std::size_t label_characters = 4;
  for (const stats::ItemResult& item : comparison.items)
    label_characters = std::max(label_characters, std::min(item.name.size(), kLabelCharacters));
  const double left = 12 + kCharacterWidth * static_cast<double>(label_characters);
  const double rows_height = kRowHeight * static_cast<double>(std::max<std::size_t>(comparison.items.size(), 1));
  const double width = left + kPlotWidth + kRight;
  const double height = kTop + rows_height + kBottom;

  const double half = axis_half_width(comparison);
  const Extent extent = nice_extent(-half, half, 12);
  const LinearScale x(extent.low, extent.high, left, left + kPlotWidth);
  const Ticks ticks = nice_ticks(extent.low, extent.high, 12);
  const double plot_bottom = kTop + rows_height;

  MarkupWriter svg;
  svg.open("svg", {{"class", "dif-plot"}, {"xmlns", "http://www.w3.org/2000/svg"},
                   {"viewBox", "0 0 " + svg_number(width) + " " + svg_number(height)},
                   {"width", width}, {"height", height}, {"role", "img"},
                   {"aria-label", "MH D-DIF of every item with its 95 % interval"}});
  svg.line_break();

  // The ETS zones: A inside |D| < 1, B up to 1.5, C beyond.
  write_band(svg, x, -1.5, -1, kTop, rows_height, "band-B");
  write_band(svg, x, 1, 1.5, kTop, rows_height, "band-B");
  write_band(svg, x, extent.low, -1.5, kTop, rows_height, "band-C");
  write_band(svg, x, 1.5, extent.high, kTop, rows_height, "band-C");
  for (double value : ticks.values)
    svg.empty("line", {{"class", value == 0 ? "zero-line" : "grid-line"}, {"x1", x(value)},
                       {"x2", x(value)}, {"y1", kTop}, {"y2", plot_bottom}});
  for (double edge : {-1.5, -1.0, 1.0, 1.5})
    svg.empty("line", {{"class", "band-edge"}, {"x1", x(edge)}, {"x2", x(edge)}, {"y1", kTop},
                       {"y2", plot_bottom}});
  struct Zone {
    const char* name;
    double centre;
  };
  for (const Zone& zone : {Zone{"C\u2212", (extent.low - 1.5) / 2}, Zone{"B\u2212", -1.25},
                           Zone{"A", 0}, Zone{"B+", 1.25}, Zone{"C+", (extent.high + 1.5) / 2}})
    svg.element("text", {{"class", "zone-label"}, {"x", x(zone.centre)}, {"y", 13},
                         {"text-anchor", "middle"}},
                zone.name);
  write_axis_labels(svg, x, ticks, kTop - 6);
  write_axis_labels(svg, x, ticks, plot_bottom + 14);
  svg.element("text", {{"class", "axis-title"}, {"x", x(0)}, {"y", plot_bottom + 32},
                       {"text-anchor", "middle"}},
              "MH D-DIF (below 0 the item favours the reference group, above 0 the focal group)");
  svg.line_break();

  DifPlot plot;
  for (std::size_t j = 0; j < comparison.items.size(); ++j) {
    const stats::ItemResult& item = comparison.items[j];
    const double y = kTop + kRowHeight * (static_cast<double>(j) + 0.5);
    svg.open("g", {{"class", item.flagged ? "dif-row flagged" : "dif-row"}, {"data-item", item.name}});
    svg.element("title", {}, point_title(item));
    svg.element("text", {{"class", "item-label"}, {"x", left - 6}, {"y", y + 4}, {"text-anchor", "end"}},
                shortened_label(item.name, kLabelCharacters));
    const std::optional<double> d_dif = item.number("mh_d_dif");
    if (!d_dif || std::isnan(*d_dif)) {
      plot.absent.push_back(j);
      svg.element("text", {{"class", "absent"}, {"x", x(extent.low) + 4}, {"y", y + 4}},
                  "D-DIF undefined");
    } else {
      if (const auto interval = interval_of(item)) {
        const double from = x.clamped(interval->low), to = x.clamped(interval->high);
        svg.empty("line", {{"class", "interval"}, {"x1", from}, {"x2", to}, {"y1", y}, {"y2", y}});
        if (interval->low < extent.low) write_clip_mark(svg, from, y, -1);
        if (interval->high > extent.high) write_clip_mark(svg, to, y, 1);
      }
      // An infinite D-DIF (an odds ratio of 0) sits at the edge it points to, marked as cut.
      const double d = *d_dif;
      if (std::isinf(d)) write_clip_mark(svg, x.clamped(d), y, d > 0 ? 1 : -1);
      svg.empty("circle", {{"class", "d-point " + class_css(item.text("ets_class"))},
                           {"cx", x.clamped(d)}, {"cy", y}, {"r", 4},
                           {"data-d", full_precision(d)}});
    }
    svg.close();
    svg.line_break();
  }
  svg.close();
  plot.svg = svg.finish();
  return plot;
}

}  // namespace itemdif::results

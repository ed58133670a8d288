// The D-DIF plot of the HTML report.
#include "results/dif_plot.hpp"
#include "stats/mantel_haenszel.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "results/group_colours.hpp"
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
constexpr double kLegendHeight = 22;  // the focal groups' legend above the zone names
constexpr double kMarkStep = 6;       // between the marks of one item's comparisons
constexpr std::size_t kLegendCharacters = 16;

struct Interval {
  double low, high;
};

bool finite(const std::optional<double>& value) { return value && std::isfinite(*value); }

bool has_d_dif(const stats::ItemResult& item) {
  const std::optional<double> d_dif = item.number(stats::column::mh_d_dif);
  return d_dif && !std::isnan(*d_dif);
}

std::optional<Interval> interval_of(const stats::ItemResult& item) {
  const std::optional<double> low = item.number(stats::column::mh_d_dif_low);
  const std::optional<double> high = item.number(stats::column::mh_d_dif_high);
  if (!finite(low) || !finite(high)) return std::nullopt;
  return Interval{*low, *high};
}

/// Half the width of the symmetric axis: every point, the 1.5 band with room, and the
/// intervals unless a very wide one would squeeze the points (it is clipped instead).
double axis_half_width(std::span<const stats::Comparison> comparisons) {
  double largest_d = 0, largest_end = 0;
  for (const stats::Comparison& comparison : comparisons)
    for (const stats::ItemResult& item : comparison.items) {
      const std::optional<double> d = item.number(stats::column::mh_d_dif);
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
                      decimal_text(item.number(stats::column::mh_d_dif), 2);
  if (const auto interval = interval_of(item))
    title += ", 95 % interval " + decimal_text(interval->low, 2) + " to " +
             decimal_text(interval->high, 2);
  const std::string ets_class = item.text(stats::column::ets_class);
  title += ", ETS " + (ets_class.empty() ? std::string(kUndefinedText) : ets_class);
  if (item.flagged) title += ", flagged";
  return title;
}

/// What the plots of one and of several comparisons share: the rows, the axis and the bands.
struct Frame {
  double left = 0, width = 0, height = 0;
  double top = 0, row_height = 0, plot_bottom = 0;
  Extent extent{0, 0};
  LinearScale x{0, 1, 0, 1};
  Ticks ticks;

  double row_centre(std::size_t j) const {
    return top + row_height * (static_cast<double>(j) + 0.5);
  }
};

Frame frame_of(std::span<const stats::Comparison> comparisons, double top, double row_height) {
  std::size_t label_characters = 4, rows = 0;
  for (const stats::Comparison& comparison : comparisons) {
    rows = std::max(rows, comparison.items.size());
    for (const stats::ItemResult& item : comparison.items)
      label_characters = std::max(label_characters, std::min(item.name.size(), kLabelCharacters));
  }
  Frame frame;
  frame.left = 12 + kCharacterWidth * static_cast<double>(label_characters);
  frame.top = top;
  frame.row_height = row_height;
  const double rows_height = row_height * static_cast<double>(std::max<std::size_t>(rows, 1));
  frame.width = frame.left + kPlotWidth + kRight;
  frame.height = top + rows_height + kBottom;
  frame.plot_bottom = top + rows_height;
  const double half = axis_half_width(comparisons);
  frame.extent = nice_extent(-half, half, 12);
  frame.x = LinearScale(frame.extent.low, frame.extent.high, frame.left, frame.left + kPlotWidth);
  frame.ticks = nice_ticks(frame.extent.low, frame.extent.high, 12);
  return frame;
}

void open_svg(MarkupWriter& svg, const Frame& frame, const std::string& label) {
  svg.open("svg", {{"class", "dif-plot"}, {"xmlns", "http://www.w3.org/2000/svg"},
                   {"viewBox", "0 0 " + svg_number(frame.width) + " " + svg_number(frame.height)},
                   {"width", frame.width}, {"height", frame.height}, {"role", "img"},
                   {"aria-label", label}});
  svg.line_break();
}

/// The ETS zones (A inside |D| < 1, B up to 1.5, C beyond) with their names at `zone_y`, the
/// grid, both tick rows and the axis title.
void write_background(MarkupWriter& svg, const Frame& frame, double zone_y) {
  const LinearScale& x = frame.x;
  const Extent& extent = frame.extent;
  const double top = frame.top, bottom = frame.plot_bottom, rows_height = bottom - top;
  write_band(svg, x, -1.5, -1, top, rows_height, "band-B");
  write_band(svg, x, 1, 1.5, top, rows_height, "band-B");
  write_band(svg, x, extent.low, -1.5, top, rows_height, "band-C");
  write_band(svg, x, 1.5, extent.high, top, rows_height, "band-C");
  for (double value : frame.ticks.values)
    svg.empty("line", {{"class", value == 0 ? "zero-line" : "grid-line"}, {"x1", x(value)},
                       {"x2", x(value)}, {"y1", top}, {"y2", bottom}});
  for (double edge : {-1.5, -1.0, 1.0, 1.5})
    svg.empty("line", {{"class", "band-edge"}, {"x1", x(edge)}, {"x2", x(edge)}, {"y1", top},
                       {"y2", bottom}});
  struct Zone {
    const char* name;
    double centre;
  };
  for (const Zone& zone : {Zone{"C\u2212", (extent.low - 1.5) / 2}, Zone{"B\u2212", -1.25},
                           Zone{"A", 0}, Zone{"B+", 1.25}, Zone{"C+", (extent.high + 1.5) / 2}})
    svg.element("text", {{"class", "zone-label"}, {"x", x(zone.centre)}, {"y", zone_y},
                         {"text-anchor", "middle"}},
                zone.name);
  write_axis_labels(svg, x, frame.ticks, top - 6);
  write_axis_labels(svg, x, frame.ticks, bottom + 14);
  svg.element("text", {{"class", "axis-title"}, {"x", x(0)}, {"y", bottom + 32},
                       {"text-anchor", "middle"}},
              "MH D-DIF (below 0 the item favours the reference group, above 0 the focal group)");
  svg.line_break();
}

/// The item's interval at height `y` (clipped at the axis) and its point. `d` is not NaN.
void write_mark(MarkupWriter& svg, const Frame& frame, const stats::ItemResult& item, double d,
                double y, const std::string& point_css, double radius) {
  const LinearScale& x = frame.x;
  if (const auto interval = interval_of(item)) {
    const double from = x.clamped(interval->low), to = x.clamped(interval->high);
    svg.empty("line", {{"class", "interval"}, {"x1", from}, {"x2", to}, {"y1", y}, {"y2", y}});
    if (interval->low < frame.extent.low) write_clip_mark(svg, from, y, -1);
    if (interval->high > frame.extent.high) write_clip_mark(svg, to, y, 1);
  }
  // An infinite D-DIF (an odds ratio of 0) sits at the edge it points to, marked as cut.
  if (std::isinf(d)) write_clip_mark(svg, x.clamped(d), y, d > 0 ? 1 : -1);
  svg.empty("circle", {{"class", point_css}, {"cx", x.clamped(d)}, {"cy", y}, {"r", radius},
                       {"data-d", full_precision(d)}});
}

void write_item_label(MarkupWriter& svg, const Frame& frame, const std::string& name, double y) {
  svg.element("text", {{"class", "item-label"}, {"x", frame.left - 6}, {"y", y + 4},
                       {"text-anchor", "end"}},
              shortened_label(name, kLabelCharacters));
}

void write_absent(MarkupWriter& svg, const Frame& frame, double y) {
  svg.element("text", {{"class", "absent"}, {"x", frame.x(frame.extent.low) + 4}, {"y", y + 4}},
              "D-DIF undefined");
}

/// One entry per focal group (a mark of its colour and its value) in a row above the zones.
void write_legend(MarkupWriter& svg, const Frame& frame,
                  std::span<const stats::Comparison> comparisons) {
  double x = frame.left;
  const double y = 12;
  svg.element("text", {{"class", "axis-title"}, {"x", x}, {"y", y + 4}}, "Focal group:");
  x += 80;
  for (std::size_t k = 0; k < comparisons.size(); ++k) {
    const std::string label = shortened_label(comparisons[k].focal, kLegendCharacters);
    svg.open("g", {{"class", "legend-entry " + group_css(k + 1)},
                   {"data-focal", comparisons[k].focal}});
    svg.empty("circle", {{"class", "d-mark"}, {"cx", x + 4}, {"cy", y}, {"r", 4}});
    svg.element("text", {{"class", "tick-label"}, {"x", x + 12}, {"y", y + 4}}, label);
    svg.close();
    // Labels are short values; the estimate of their width only spaces the entries.
    std::size_t characters = 0;
    for (char c : label) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    x += 12 + kCharacterWidth * static_cast<double>(characters) + 16;
  }
  svg.line_break();
}

}  // namespace

DifPlot dif_plot(const stats::Comparison& comparison) {
  const Frame frame = frame_of(std::span(&comparison, 1), kTop, kRowHeight);
  MarkupWriter svg;
  open_svg(svg, frame, "MH D-DIF of every item with its 95 % interval");
  write_background(svg, frame, 13);

  DifPlot plot;
  for (std::size_t j = 0; j < comparison.items.size(); ++j) {
    const stats::ItemResult& item = comparison.items[j];
    const double y = frame.row_centre(j);
    svg.open("g", {{"class", item.flagged ? "dif-row flagged" : "dif-row"}, {"data-item", item.name}});
    svg.element("title", {}, point_title(item));
    write_item_label(svg, frame, item.name, y);
    if (!has_d_dif(item)) {
      plot.absent.push_back(j);
      write_absent(svg, frame, y);
    } else {
      write_mark(svg, frame, item, *item.number(stats::column::mh_d_dif), y,
                 "d-point " + class_css(item.text(stats::column::ets_class)), 4);
    }
    svg.close();
    svg.line_break();
  }
  svg.close();
  plot.svg = svg.finish();
  return plot;
}

ComparisonsDifPlot comparisons_dif_plot(std::span<const stats::Comparison> comparisons) {
  const std::size_t marks = std::max<std::size_t>(comparisons.size(), 1);
  const double row_height =
      std::max(kRowHeight, kMarkStep * static_cast<double>(marks) + 4);
  const Frame frame = frame_of(comparisons, kTop + kLegendHeight, row_height);
  MarkupWriter svg;
  open_svg(svg, frame, "MH D-DIF of every item in each comparison, with its 95 % interval");
  write_legend(svg, frame, comparisons);
  write_background(svg, frame, 13 + kLegendHeight);

  ComparisonsDifPlot plot;
  plot.absent.resize(comparisons.size());
  std::size_t rows = 0;
  for (const stats::Comparison& comparison : comparisons)
    rows = std::max(rows, comparison.items.size());
  for (std::size_t j = 0; j < rows; ++j) {
    // Every comparison holds the same items in the same order.
    const stats::ItemResult* first = nullptr;
    bool flagged = false, any = false;
    for (const stats::Comparison& comparison : comparisons) {
      if (j >= comparison.items.size()) continue;
      const stats::ItemResult& item = comparison.items[j];
      if (!first) first = &item;
      flagged = flagged || item.flagged;
      any = any || has_d_dif(item);
    }
    const double y = frame.row_centre(j);
    svg.open("g", {{"class", flagged ? "dif-row flagged" : "dif-row"}, {"data-item", first->name}});
    write_item_label(svg, frame, first->name, y);
    if (!any) write_absent(svg, frame, y);
    for (std::size_t k = 0; k < comparisons.size(); ++k) {
      if (j >= comparisons[k].items.size()) continue;
      const stats::ItemResult& item = comparisons[k].items[j];
      if (!has_d_dif(item)) {
        plot.absent[k].push_back(j);
        continue;
      }
      // The comparisons' marks one below the other in their order, centred on the row.
      const double offset =
          (static_cast<double>(k) - (static_cast<double>(marks) - 1) / 2) * kMarkStep;
      svg.open("g", {{"class", "dif-mark " + group_css(k + 1)},
                     {"data-focal", comparisons[k].focal}});
      svg.element("title", {}, "focal " + comparisons[k].focal + ", " + point_title(item));
      write_mark(svg, frame, item, *item.number(stats::column::mh_d_dif), y + offset,
                 "d-mark " + class_css(item.text(stats::column::ets_class)), 3.5);
      svg.close();
    }
    svg.close();
    svg.line_break();
  }
  svg.close();
  plot.svg = svg.finish();
  return plot;
}

}  // namespace itemdif::results

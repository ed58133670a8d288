// The empirical item curves of the HTML report.
#include "results/curve_plot.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "results/linear_scale.hpp"
#include "results/markup_writer.hpp"
#include "results/report_numbers.hpp"

namespace itemdif::results {
namespace {

constexpr double kWidth = 280, kHeight = 196;
constexpr double kLeft = 34, kRight = 10, kTop = 26, kBottom = 32;
constexpr double kSmallest = 1.6, kLargest = 5.5;  // point radius for the fewest and most examinees
constexpr std::size_t kMostPoints = 40;  // per group; about 6 px apart across the plot

/// One group's point at one level.
struct Point {
  double score;  ///< the level's mid-score
  double mean;   ///< the group's mean item score: the proportion correct of a 0/1 item
  double score_sum, examinees;
  int low, high;
  bool used;
};

/// The levels as the plot shows them: with more than kMostPoints levels, neighbours are summed
/// in runs of equal length (a used and an unused level are never summed), since a point per
/// score of a long test would be narrower than a pixel and the page too heavy to open.
std::vector<stats::LevelTable> shown_levels(const std::vector<stats::LevelTable>& levels) {
  const std::size_t run = (levels.size() + kMostPoints - 1) / std::max<std::size_t>(kMostPoints, 1);
  if (run <= 1) return levels;
  std::vector<stats::LevelTable> shown;
  std::size_t in_run = 0;
  for (const stats::LevelTable& level : levels) {
    if (in_run == 0 || in_run == run || shown.back().used != level.used) {
      shown.push_back(level);
      in_run = 1;
      continue;
    }
    stats::LevelTable& sum = shown.back();
    sum.high = level.high;
    for (std::size_t g = 0; g < level.groups(); ++g)
      for (int y = level.score_min(); y <= level.score_max(); ++y)
        sum.count(g, y) += level.count(g, y);
    ++in_run;
  }
  return shown;
}

std::vector<Point> group_points(const std::vector<stats::LevelTable>& levels,
                                const stats::ItemRange& range, bool focal) {
  std::vector<Point> points;
  const std::size_t group = focal ? 1 : 0;
  for (const stats::LevelTable& level : levels) {
    const double sum = level.score_sum(group);
    const double examinees = level.group_size(group);
    // Counts are whole and finite in any analysis; a level without a drawable mean is left out
    // rather than drawn somewhere.
    if (!(examinees > 0) || !std::isfinite(examinees)) continue;
    const double mean = sum / examinees;
    if (!(mean >= range.score_min && mean <= range.score_max)) continue;
    points.push_back({(level.low + level.high) / 2.0, mean, sum, examinees, level.low,
                      level.high, level.used});
  }
  return points;
}

std::string point_title(const Point& point, const char* group, bool polytomous) {
  std::string title = point.low == point.high
                          ? "score " + std::to_string(point.low)
                          : "scores " + std::to_string(point.low) + "\u2013" + std::to_string(point.high);
  char counts[96];
  if (polytomous)
    std::snprintf(counts, sizeof counts, ": %s %.0f examinees, mean item score %.2f", group,
                  point.examinees, point.mean);
  else
    std::snprintf(counts, sizeof counts, ": %s %.0f of %.0f correct (%.2f)", group,
                  point.score_sum, point.examinees, point.mean);
  title += counts;
  if (!point.used) title += "; level not used";
  return title;
}

struct Frame {
  LinearScale x, y;
  double largest_group;  ///< the most examinees of one group in one level
};

void write_axes(MarkupWriter& svg, const Frame& frame, const Ticks& x_ticks,
                const stats::ItemRange& range) {
  const double left = kLeft, right = kWidth - kRight, top = kTop, bottom = kHeight - kBottom;
  svg.empty("rect", {{"class", "frame"}, {"x", left}, {"y", top}, {"width", right - left},
                     {"height", bottom - top}});
  const Ticks y_ticks = nice_ticks(range.score_min, range.score_max, 5);
  for (double value : y_ticks.values) {
    svg.empty("line", {{"class", "grid-line"}, {"x1", left}, {"x2", right}, {"y1", frame.y(value)},
                       {"y2", frame.y(value)}});
    svg.element("text", {{"class", "tick-label"}, {"x", left - 4}, {"y", frame.y(value) + 3.5},
                         {"text-anchor", "end"}},
                decimal_text(value, y_ticks.decimals));
  }
  for (double value : x_ticks.values)
    svg.element("text", {{"class", "tick-label"}, {"x", frame.x(value)}, {"y", bottom + 12},
                         {"text-anchor", "middle"}},
                decimal_text(value, x_ticks.decimals));
  svg.element("text", {{"class", "axis-title"}, {"x", (left + right) / 2}, {"y", kHeight - 4},
                       {"text-anchor", "middle"}},
              "matching score");
}

void write_legend(MarkupWriter& svg, const CurveContext& context) {
  struct Entry {
    const char* css;
    std::string label;
    double x;
  };
  for (const Entry& entry : {Entry{"reference", "reference " + shortened_label(context.reference, 14), kLeft},
                             Entry{"focal", "focal " + shortened_label(context.focal, 14), kLeft + 122}}) {
    svg.open("g", {{"class", std::string("legend ") + entry.css}});
    svg.empty("line", {{"class", "curve"}, {"x1", entry.x}, {"x2", entry.x + 18}, {"y1", 12}, {"y2", 12}});
    svg.element("text", {{"x", entry.x + 22}, {"y", 16}}, entry.label);
    svg.close();
  }
}

void write_group(MarkupWriter& svg, const Frame& frame, const std::vector<Point>& points,
                 bool focal, bool polytomous) {
  const char* group = focal ? "focal" : "reference";
  svg.open("g", {{"class", std::string("group ") + group}});
  std::string line;
  for (const Point& p : points)
    if (p.used)
      line += (line.empty() ? "" : " ") + svg_number(frame.x(p.score)) + "," +
              svg_number(frame.y(p.mean));
  if (!line.empty()) svg.empty("polyline", {{"class", "curve"}, {"points", line}});
  for (const Point& p : points) {
    const double r =
        kSmallest + (kLargest - kSmallest) * std::sqrt(p.examinees / frame.largest_group);
    const double cx = frame.x(p.score), cy = frame.y(p.mean);
    const char* css = p.used ? "point" : "point unused";
    // Squares for the focal group, so the groups differ in grey print too.
    if (focal)
      svg.open("rect", {{"class", css}, {"x", cx - r * 0.886}, {"y", cy - r * 0.886},
                        {"width", r * 1.772}, {"height", r * 1.772}});
    else
      svg.open("circle", {{"class", css}, {"cx", cx}, {"cy", cy}, {"r", r}});
    svg.element("title", {}, point_title(p, group, polytomous));
    svg.close();
  }
  svg.close();
}

std::string nonuniform_text(const stats::ItemResult& item, const CurveContext& context) {
  if (context.nonuniform_tests.empty())
    return "Non-uniform DIF not tested (neither Breslow-Day nor logistic regression was run).";
  std::string text = "Non-uniform DIF:";
  for (std::size_t k = 0; k < context.nonuniform_tests.size(); ++k) {
    const stats::Column& test = *context.nonuniform_tests[k];
    text += std::string(k > 0 ? ";" : "") + " " + std::string(test.nonuniform_label) + " = " +
            p_value_text(item.number(test.name));
  }
  return text;
}

}  // namespace

std::string curve_plot(const stats::ItemResult& item, const CurveContext& context) {
  const std::vector<stats::LevelTable> levels = shown_levels(item.levels);
  const stats::ItemRange& range = item.range;
  const std::vector<Point> reference = group_points(levels, range, false);
  const std::vector<Point> focal = group_points(levels, range, true);

  MarkupWriter svg;
  svg.open("svg", {{"class", "curve-plot"}, {"data-item", item.name},
                   {"xmlns", "http://www.w3.org/2000/svg"},
                   {"viewBox", "0 0 " + svg_number(kWidth) + " " + svg_number(kHeight)},
                   {"width", kWidth}, {"height", kHeight}, {"role", "img"},
                   {"aria-label", (range.polytomous ? "mean item score by level of "
                                                    : "proportion correct by level of ") +
                                      item.name}});
  write_legend(svg, context);

  double low = 0, high = 0, largest = 0;
  bool any = false;
  for (const auto* points : {&reference, &focal})
    for (const Point& p : *points) {
      low = any ? std::min(low, p.score) : p.score;
      high = any ? std::max(high, p.score) : p.score;
      largest = std::max(largest, p.examinees);
      any = true;
    }
  // Room beyond the outer levels so that their points are not cut by the frame.
  const double pad = std::max(0.5, 0.04 * (high - low));
  const Frame frame{LinearScale(low - pad, high + pad, kLeft, kWidth - kRight),
                    LinearScale(range.score_min, range.score_max, kHeight - kBottom, kTop),
                    std::max(largest, 1.0)};
  const Ticks x_ticks = nice_ticks(low - pad, high + pad, 6);
  write_axes(svg, frame, x_ticks, range);
  if (!any)
    svg.element("text", {{"class", "absent"}, {"x", (kLeft + kWidth - kRight) / 2},
                         {"y", (kTop + kHeight - kBottom) / 2}, {"text-anchor", "middle"}},
                "no examinees in any level");
  write_group(svg, frame, reference, false, range.polytomous);
  write_group(svg, frame, focal, true, range.polytomous);
  svg.close();
  return svg.finish();
}

std::string curve_figure(const stats::ItemResult& item, std::size_t index,
                         const CurveContext& context) {
  MarkupWriter figure;
  const std::string ets_class = item.text("ets_class");
  const std::string ets_css = class_css(ets_class);
  // "ets-" and not "cls-": the figure is framed by its class, not filled like a class cell.
  const std::string frame_css = "ets-" + ets_css.substr(4);
  figure.open("figure", {{"class", "curve " + frame_css + (item.flagged ? " flagged" : "")},
                         {"id", "item-" + std::to_string(index)}});
  figure.open("figcaption");
  figure.element("span", {{"class", "item-name"}}, item.name);
  figure.element("span", {{"class", "cls " + ets_css}, {"title", "ETS class"}},
                 ets_class.empty() ? kUndefinedText : ets_class);
  figure.element("span", {{"class", "d-dif"}}, "D-DIF " + decimal_text(item.number("mh_d_dif"), 2));
  if (item.flagged) figure.element("span", {{"class", "flag"}}, "flagged");
  figure.close();
  figure.insert(curve_plot(item, context));
  if (const std::size_t shown = shown_levels(item.levels).size(); shown < item.levels.size())
    figure.element("p", {{"class", "merged"}},
                   std::to_string(item.levels.size()) + " levels shown as " +
                       std::to_string(shown) + " points per group (neighbouring levels summed).");
  if (item.flagged) figure.element("p", {{"class", "nonuniform"}}, nonuniform_text(item, context));
  if (!item.note.empty()) figure.element("p", {{"class", "note"}}, item.note);
  figure.close();
  return figure.finish();
}

}  // namespace itemdif::results

// The empirical item curves of the HTML report.
#include "results/curve_plot.hpp"
#include "stats/mantel_haenszel.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

#include "results/group_colours.hpp"
#include "results/linear_scale.hpp"
#include "results/markup_writer.hpp"
#include "results/method_figure.hpp"
#include "results/report_numbers.hpp"
#include "stats/method_list.hpp"

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

/// The group's point at each level, none where the group has no examinee (or the counts give
/// no drawable mean).
std::vector<std::optional<Point>> level_points(const std::vector<stats::LevelTable>& levels,
                                               const stats::ItemRange& range, std::size_t group) {
  std::vector<std::optional<Point>> points;
  for (const stats::LevelTable& level : levels) {
    std::optional<Point>& point = points.emplace_back();
    if (group >= level.groups()) continue;
    const double sum = level.score_sum(group);
    const double examinees = level.group_size(group);
    // Counts are whole and finite in any analysis; a level without a drawable mean is left out
    // rather than drawn somewhere.
    if (!(examinees > 0) || !std::isfinite(examinees)) continue;
    const double mean = sum / examinees;
    if (!(mean >= range.score_min && mean <= range.score_max)) continue;
    point = Point{(level.low + level.high) / 2.0, mean, sum, examinees, level.low,
                  level.high, level.used};
  }
  return points;
}

std::vector<Point> group_points(const std::vector<stats::LevelTable>& levels,
                                const stats::ItemRange& range, std::size_t group) {
  std::vector<Point> points;
  for (const std::optional<Point>& point : level_points(levels, range, group))
    if (point) points.push_back(*point);
  return points;
}

std::string point_title(const Point& point, const std::string& group, bool polytomous) {
  std::string title = point.low == point.high
                          ? "score " + std::to_string(point.low)
                          : "scores " + std::to_string(point.low) + "\u2013" + std::to_string(point.high);
  // The group's name apart from the numbers: a long group value must not cut them off.
  char counts[96];
  if (polytomous)
    std::snprintf(counts, sizeof counts, " %.0f examinees, mean item score %.2f",
                  point.examinees, point.mean);
  else
    std::snprintf(counts, sizeof counts, " %.0f of %.0f correct (%.2f)", point.score_sum,
                  point.examinees, point.mean);
  title += ": " + group + counts;
  if (!point.used) title += "; level not used";
  return title;
}

/// The plot's box: `top` grows with the rows of a legend of several groups.
struct Frame {
  LinearScale x, y;
  double largest_group;  ///< the most examinees of one group in one level
  double top = kTop, height = kHeight;
  bool any = false;  ///< some group has a point
  Ticks x_ticks;
};

/// The top of the y axis: the item's highest score, or one above its lowest when every examinee
/// has the same score (a polytomous item scored alike by all), so that the scale is not empty.
double y_top(const stats::ItemRange& range) {
  return range.score_max > range.score_min ? range.score_max : range.score_min + 1.0;
}

/// The scales over every group's points: x over their levels with room beyond the outer ones
/// (so that their points are not cut by the frame), y the item's scale.
Frame frame_of(const std::vector<std::vector<Point>>& groups, const stats::ItemRange& range,
               double top, double height) {
  double low = 0, high = 0, largest = 0;
  bool any = false;
  for (const std::vector<Point>& points : groups)
    for (const Point& p : points) {
      low = any ? std::min(low, p.score) : p.score;
      high = any ? std::max(high, p.score) : p.score;
      largest = std::max(largest, p.examinees);
      any = true;
    }
  const double pad = std::max(0.5, 0.04 * (high - low));
  return Frame{LinearScale(low - pad, high + pad, kLeft, kWidth - kRight),
               LinearScale(range.score_min, y_top(range), height - kBottom, top),
               std::max(largest, 1.0),
               top,
               height,
               any,
               nice_ticks(low - pad, high + pad, 6)};
}

void open_svg(MarkupWriter& svg, const std::string& item, const stats::ItemRange& range,
              double height) {
  svg.open("svg", {{"class", "curve-plot"}, {"data-item", item},
                   {"xmlns", "http://www.w3.org/2000/svg"},
                   {"viewBox", "0 0 " + svg_number(kWidth) + " " + svg_number(height)},
                   {"width", kWidth}, {"height", height}, {"role", "img"},
                   {"aria-label", (range.polytomous ? "mean item score by level of "
                                                    : "proportion correct by level of ") +
                                      item}});
}

void write_axes(MarkupWriter& svg, const Frame& frame, const stats::ItemRange& range) {
  const double left = kLeft, right = kWidth - kRight, top = frame.top,
               bottom = frame.height - kBottom;
  svg.empty("rect", {{"class", "frame"}, {"x", left}, {"y", top}, {"width", right - left},
                     {"height", bottom - top}});
  const Ticks y_ticks = nice_ticks(range.score_min, y_top(range), 5);
  for (double value : y_ticks.values) {
    svg.empty("line", {{"class", "grid-line"}, {"x1", left}, {"x2", right}, {"y1", frame.y(value)},
                       {"y2", frame.y(value)}});
    svg.element("text", {{"class", "tick-label"}, {"x", left - 4}, {"y", frame.y(value) + 3.5},
                         {"text-anchor", "end"}},
                decimal_text(value, y_ticks.decimals));
  }
  for (double value : frame.x_ticks.values)
    svg.element("text", {{"class", "tick-label"}, {"x", frame.x(value)}, {"y", bottom + 12},
                         {"text-anchor", "middle"}},
                decimal_text(value, frame.x_ticks.decimals));
  svg.element("text", {{"class", "axis-title"}, {"x", (left + right) / 2}, {"y", frame.height - 4},
                       {"text-anchor", "middle"}},
              "matching score");
  if (!frame.any)
    svg.element("text", {{"class", "absent"}, {"x", (kLeft + kWidth - kRight) / 2},
                         {"y", (top + bottom) / 2}, {"text-anchor", "middle"}},
                "no examinees in any level");
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

double point_radius(const Frame& frame, const Point& p) {
  return kSmallest + (kLargest - kSmallest) * std::sqrt(p.examinees / frame.largest_group);
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
    const double r = point_radius(frame, p);
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

// Several groups: every group in its colour (group_css) and with its own point shape.

constexpr double kLegendRow = 14;

std::string group_label(const GroupsCurveContext& context, std::size_t g) {
  return (g == 0 ? "reference " : "focal ") + context.groups[g];
}

/// The legend's entries flow in rows across the plot's width; the plot's top moves down by the
/// rows beyond the first.
struct LegendEntry {
  std::string label;
  double x = 0, y = 0;
};

std::vector<LegendEntry> legend_layout(const GroupsCurveContext& context) {
  std::vector<LegendEntry> entries;
  double x = kLeft, y = 12;
  for (std::size_t g = 0; g < context.groups.size(); ++g) {
    LegendEntry entry{g == 0 ? "reference " + shortened_label(context.groups[0], 12)
                             : shortened_label(context.groups[g], 14),
                      x, y};
    std::size_t characters = 0;
    for (char c : entry.label) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    const double width = 22 + 5.6 * static_cast<double>(characters) + 12;
    if (entry.x > kLeft && entry.x + width > kWidth - kRight) {
      entry.x = kLeft;
      entry.y = y += kLegendRow;
    }
    x = entry.x + width;
    entries.push_back(std::move(entry));
  }
  return entries;
}

void write_groups_legend(MarkupWriter& svg, const std::vector<LegendEntry>& entries) {
  for (std::size_t g = 0; g < entries.size(); ++g) {
    const LegendEntry& entry = entries[g];
    svg.open("g", {{"class", "legend " + group_css(g)}});
    svg.empty("line", {{"class", "curve"}, {"x1", entry.x}, {"x2", entry.x + 18}, {"y1", entry.y},
                       {"y2", entry.y}});
    svg.element("text", {{"x", entry.x + 22}, {"y", entry.y + 4}}, entry.label);
    svg.close();
  }
}

/// The group's marker of radius-like size `r` at (cx, cy), left open for its title: a circle
/// for the reference group and squares, diamonds and triangles in turn for the focal groups,
/// so that the groups differ in grey print too.
void open_marker(MarkupWriter& svg, std::size_t group, double cx, double cy, double r,
                 const char* css) {
  const auto polygon = [&](std::initializer_list<std::pair<double, double>> corners) {
    std::string points;
    for (const auto& [dx, dy] : corners)
      points += (points.empty() ? "" : " ") + svg_number(cx + dx * r) + "," +
                svg_number(cy + dy * r);
    svg.open("polygon", {{"class", css}, {"points", points}});
  };
  if (group == 0) {
    svg.open("circle", {{"class", css}, {"cx", cx}, {"cy", cy}, {"r", r}});
    return;
  }
  switch ((group - 1) % 3) {
    case 0:
      svg.open("rect", {{"class", css}, {"x", cx - r * 0.886}, {"y", cy - r * 0.886},
                        {"width", r * 1.772}, {"height", r * 1.772}});
      return;
    case 1:
      polygon({{0, -1.25}, {1.25, 0}, {0, 1.25}, {-1.25, 0}});
      return;
    default:
      polygon({{0, -1.35}, {1.17, 0.68}, {-1.17, 0.68}});
      return;
  }
}

/// One path per group through its used levels, lifted where the group has no examinee in a
/// level so that the gap shows; a marker per level with examinees.
void write_level_group(MarkupWriter& svg, const Frame& frame,
                       const std::vector<std::optional<Point>>& points, std::size_t group,
                       const std::string& label, bool polytomous) {
  svg.open("g", {{"class", "group " + group_css(group)}, {"data-group", label}});
  std::string path;
  bool pen_down = false;
  for (const std::optional<Point>& p : points) {
    if (!p) {
      pen_down = false;
      continue;
    }
    if (!p->used) continue;
    path += (path.empty() ? "" : " ") + std::string(pen_down ? "L" : "M") +
            svg_number(frame.x(p->score)) + "," + svg_number(frame.y(p->mean));
    pen_down = true;
  }
  if (!path.empty()) svg.empty("path", {{"class", "curve"}, {"d", path}});
  for (const std::optional<Point>& p : points) {
    if (!p) continue;
    open_marker(svg, group, frame.x(p->score), frame.y(p->mean), point_radius(frame, *p),
                p->used ? "point" : "point unused");
    svg.element("title", {}, point_title(*p, label, polytomous));
    svg.close();
  }
  svg.close();
}

/// The examinees of each group in each level as plotted, one row per level, collapsed under
/// its summary.
void write_level_counts(MarkupWriter& figure, const std::vector<stats::LevelTable>& levels,
                        const GroupsCurveContext& context) {
  figure.open("details", {{"class", "level-counts"}});
  figure.element("summary", {}, "Examinees by level");
  figure.open("table", {{"class", "level-counts"}});
  figure.open("thead");
  figure.open("tr");
  figure.element("th", {{"title", "level of the matching score"}}, "Score");
  for (std::size_t g = 0; g < context.groups.size(); ++g) {
    figure.open("th", {{"class", "num"}, {"title", group_label(context, g)}});
    figure.element("span", {{"class", "swatch " + group_css(g)}}, "");
    figure.text(shortened_label(context.groups[g], 10));
    figure.close();
  }
  figure.close();
  figure.close();
  figure.open("tbody");
  for (const stats::LevelTable& level : levels) {
    figure.open("tr", level.used ? Attributes{}
                                 : Attributes{{"class", "unused"}, {"title", "level not used"}});
    figure.element("td", {},
                   level.low == level.high
                       ? std::to_string(level.low)
                       : std::to_string(level.low) + "\u2013" + std::to_string(level.high));
    for (std::size_t g = 0; g < context.groups.size(); ++g)
      figure.element("td", {{"class", "num"}},
                     g < level.groups() ? decimal_text(level.group_size(g), 0) : kUndefinedText);
    figure.close();
  }
  figure.close();
  figure.close();
  figure.close();
}

std::string nonuniform_text(const stats::ItemResult& item,
                            const std::vector<const stats::Column*>& tests) {
  if (tests.empty())
    return "Non-uniform DIF not tested (neither Breslow-Day nor logistic regression was run).";
  std::string text = "Non-uniform DIF:";
  for (std::size_t k = 0; k < tests.size(); ++k) {
    const stats::Column& test = *tests[k];
    text += std::string(k > 0 ? ";" : "") + " " + std::string(test.nonuniform_label) + " = " +
            p_value_text(item.number(test.name));
  }
  return text;
}

}  // namespace

/// The figures of the item's methods that draw one, in method-list order.
void insert_method_figures(MarkupWriter& figure, const stats::ItemValues& item) {
  const std::span<const stats::Method> methods = stats::methods();
  for (std::size_t m = 0; m < methods.size() && m < item.methods.size(); ++m)
    if (!item.methods[m].figures.empty())
      figure.insert(method_figure(methods[m], item.methods[m], item.name));
}

std::string curve_plot(const stats::ItemResult& item, const CurveContext& context) {
  const std::vector<stats::LevelTable> levels = shown_levels(item.levels);
  const stats::ItemRange& range = item.range;
  const std::vector<std::vector<Point>> groups = {group_points(levels, range, 0),
                                                  group_points(levels, range, 1)};

  MarkupWriter svg;
  open_svg(svg, item.name, range, kHeight);
  write_legend(svg, context);
  const Frame frame = frame_of(groups, range, kTop, kHeight);
  write_axes(svg, frame, range);
  write_group(svg, frame, groups[0], false, range.polytomous);
  write_group(svg, frame, groups[1], true, range.polytomous);
  svg.close();
  return svg.finish();
}

std::string curve_figure(const stats::ItemResult& item, std::size_t index,
                         const CurveContext& context) {
  MarkupWriter figure;
  const std::string ets_class = item.text(stats::column::ets_class);
  const std::string ets_css = class_css(ets_class);
  // "ets-" and not "cls-": the figure is framed by its class, not filled like a class cell.
  const std::string frame_css = "ets-" + ets_css.substr(4);
  figure.open("figure", {{"class", "curve " + frame_css + (item.flagged ? " flagged" : "")},
                         {"id", "item-" + std::to_string(index)}});
  figure.open("figcaption");
  figure.element("span", {{"class", "item-name"}}, item.name);
  figure.element("span", {{"class", "cls " + ets_css}, {"title", "ETS class"}},
                 ets_class.empty() ? kUndefinedText : ets_class);
  figure.element("span", {{"class", "d-dif"}}, "D-DIF " + decimal_text(item.number(stats::column::mh_d_dif), 2));
  if (item.flagged) figure.element("span", {{"class", "flag"}}, "flagged");
  figure.close();
  figure.insert(curve_plot(item, context));
  insert_method_figures(figure, item);
  if (const std::size_t shown = shown_levels(item.levels).size(); shown < item.levels.size())
    figure.element("p", {{"class", "merged"}},
                   std::to_string(item.levels.size()) + " levels shown as " +
                       std::to_string(shown) + " points per group (neighbouring levels summed).");
  if (item.flagged)
    figure.element("p", {{"class", "nonuniform"}}, nonuniform_text(item, context.nonuniform_tests));
  if (!item.note.empty()) figure.element("p", {{"class", "note"}}, item.note);
  figure.close();
  return figure.finish();
}

std::string groups_curve_plot(const stats::OverallItem& item, const GroupsCurveContext& context) {
  const std::vector<stats::LevelTable> levels = shown_levels(item.levels);
  const stats::ItemRange& range = item.range;
  std::vector<std::vector<std::optional<Point>>> by_level;
  std::vector<std::vector<Point>> groups;
  for (std::size_t g = 0; g < context.groups.size(); ++g) {
    by_level.push_back(level_points(levels, range, g));
    groups.push_back(group_points(levels, range, g));
  }
  const std::vector<LegendEntry> legend = legend_layout(context);
  const double extra = legend.empty() ? 0 : legend.back().y - 12;
  MarkupWriter svg;
  open_svg(svg, item.name, range, kHeight + extra);
  write_groups_legend(svg, legend);
  const Frame frame = frame_of(groups, range, kTop + extra, kHeight + extra);
  write_axes(svg, frame, range);
  for (std::size_t g = 0; g < context.groups.size(); ++g)
    write_level_group(svg, frame, by_level[g], g, group_label(context, g), range.polytomous);
  svg.close();
  return svg.finish();
}

std::string groups_curve_figure(const stats::DifAnalysis& analysis, std::size_t index,
                                const GroupsCurveContext& context) {
  const stats::OverallItem& item = analysis.overall->items.at(index);
  // Where the item is flagged, and its strongest class of any comparison for the frame.
  std::vector<std::string> flagged_in;
  if (item.flagged) flagged_in.push_back("overall");
  std::string frame_class = "none";
  for (const stats::Comparison& comparison : analysis.comparisons) {
    if (index >= comparison.items.size()) continue;
    const stats::ItemResult& result = comparison.items[index];
    if (result.flagged) flagged_in.push_back(comparison.focal);
    const std::string css = class_css(result.text(stats::column::ets_class)).substr(4);
    if (css != "none" && (frame_class == "none" || css > frame_class)) frame_class = css;
  }
  MarkupWriter figure;
  figure.open("figure",
              {{"class", "curve ets-" + frame_class + (flagged_in.empty() ? "" : " flagged")},
               {"id", "item-" + std::to_string(index)}});
  figure.open("figcaption");
  figure.element("span", {{"class", "item-name"}}, item.name);
  figure.element("span", {{"class", "d-dif"}}, "GMH p " + p_value_text(item.number(stats::overall_column::gmh_p)));
  if (!flagged_in.empty()) {
    std::string where;
    for (const std::string& place : flagged_in) where += (where.empty() ? "" : ", ") + place;
    figure.element("span", {{"class", "flag"}}, "flagged: " + where);
  }
  figure.close();
  // Each comparison's class and D-DIF in its focal group's colour.
  figure.open("p", {{"class", "comparison-classes"}});
  for (std::size_t k = 0; k < analysis.comparisons.size(); ++k) {
    const stats::Comparison& comparison = analysis.comparisons[k];
    if (index >= comparison.items.size()) continue;
    const stats::ItemResult& result = comparison.items[index];
    const std::string ets_class = result.text(stats::column::ets_class);
    figure.open("span", {{"class", "comparison-class"}, {"data-focal", comparison.focal}});
    figure.element("span", {{"class", "swatch " + group_css(k + 1)}}, "");
    figure.text(shortened_label(comparison.focal, 14) + " ");
    figure.element("span", {{"class", "cls " + class_css(ets_class)}, {"title", "ETS class"}},
                   ets_class.empty() ? kUndefinedText : ets_class);
    figure.element("span", {{"class", "d-dif"}}, " " + decimal_text(result.number(stats::column::mh_d_dif), 2));
    figure.close();
  }
  figure.close();
  figure.insert(groups_curve_plot(item, context));
  insert_method_figures(figure, item);
  const std::vector<stats::LevelTable> levels = shown_levels(item.levels);
  if (levels.size() < item.levels.size())
    figure.element("p", {{"class", "merged"}},
                   std::to_string(item.levels.size()) + " levels shown as " +
                       std::to_string(levels.size()) +
                       " points per group (neighbouring levels summed).");
  if (!flagged_in.empty()) {
    if (context.overall_nonuniform)
      figure.element("p", {{"class", "nonuniform"}},
                     "Non-uniform DIF over every group: " +
                         std::string(context.overall_nonuniform->nonuniform_label) + " = " +
                         p_value_text(item.number(*context.overall_nonuniform)) + ".");
    for (const stats::Comparison& comparison : analysis.comparisons)
      if (index < comparison.items.size() && comparison.items[index].flagged)
        figure.element("p", {{"class", "nonuniform"}},
                       comparison.focal + ": " +
                           nonuniform_text(comparison.items[index], context.nonuniform_tests));
  }
  if (!item.note.empty()) figure.element("p", {{"class", "note"}}, item.note);
  write_level_counts(figure, levels, context);
  figure.close();
  return figure.finish();
}

}  // namespace itemdif::results

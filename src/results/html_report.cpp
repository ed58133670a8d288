// report.html: the run's facts, per comparison its purification rounds, item table and D-DIF
// plot, and every item's empirical curves on one page that needs nothing but itself. With
// several focal groups: the overall tests, the comparisons' classes side by side, one D-DIF
// plot of every comparison and the curves of every group, each group in its own colour.
#include "results/html_report.hpp"

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "results/class_table.hpp"
#include "results/curve_plot.hpp"
#include "results/dif_plot.hpp"
#include "results/group_colours.hpp"
#include "results/item_table.hpp"
#include "results/markup_writer.hpp"
#include "results/overall_table.hpp"
#include "results/report_numbers.hpp"
#include "stats/method_list.hpp"

namespace itemdif::results {
namespace {

// System fonts only: the page must open offline and fetch nothing.
// `content-visibility: auto` lets the browser skip the layout of curve figures off screen,
// which keeps a page of some hundred items quick to open.
constexpr const char* kStyle = R"(
body { font: 14px/1.4 system-ui, -apple-system, "Segoe UI", Roboto, "DejaVu Sans", sans-serif;
       color: #1f2328; margin: 0 auto; padding: 16px 24px 48px; max-width: 1400px; }
h1 { font-size: 22px; margin: 8px 0 4px; }
h2 { font-size: 17px; margin: 28px 0 8px; border-bottom: 1px solid #d0d7de; padding-bottom: 4px; }
.subtitle { color: #57606a; margin: 0 0 12px; overflow-wrap: anywhere; }
table { border-collapse: collapse; }
th, td { padding: 2px 8px; border-bottom: 1px solid #eaeef2; text-align: left; vertical-align: top; }
th { background: #f6f8fa; position: sticky; top: 0; cursor: help; }
td.num { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
td.note { color: #57606a; font-size: 12px; }
table.items tr.flagged td { background: #fff8f0; }
table.items tr.flagged td.item { font-weight: 600; }
table.facts th { cursor: auto; position: static; }
.cls { text-align: center; font-weight: 600; border-radius: 3px; }
.cls-A { background: #eef1f4; color: #424a53; }
.cls-B { background: #fbe3a6; color: #7a4b00; }
.cls-C { background: #f8c4c0; color: #8e1b13; }
.cls-none { color: #8c959f; }
.table-wrap { overflow-x: auto; }
.plot-wrap { overflow-x: auto; }
svg text { font-family: system-ui, "DejaVu Sans", sans-serif; }
svg .tick-label, svg .item-label { font-size: 11px; fill: #424a53; }
svg .axis-title { font-size: 11px; fill: #57606a; }
svg .zone-label { font-size: 11px; font-weight: 600; fill: #57606a; }
svg .absent { font-size: 11px; font-style: italic; fill: #8c959f; }
svg .grid-line { stroke: #eaeef2; stroke-width: 1; }
svg .zero-line { stroke: #8c959f; stroke-width: 1; }
svg .band-edge { stroke: #8c959f; stroke-width: 1; stroke-dasharray: 4 3; }
svg .band-B { fill: #fdf3d8; }
svg .band-C { fill: #fbe4e1; }
svg .dif-row.flagged .item-label { font-weight: 700; fill: #1f2328; }
svg .interval { stroke: #424a53; stroke-width: 1.5; }
svg .clip-mark { fill: #424a53; }
svg .d-point { stroke: #ffffff; stroke-width: 1; }
svg .d-point.cls-A { fill: #57606a; }
svg .d-point.cls-B { fill: #d48a00; }
svg .d-point.cls-C { fill: #d1242f; }
svg .d-point.cls-none { fill: #8c959f; }
.curve-grid { display: grid; grid-template-columns: repeat(auto-fill, minmax(290px, 1fr)); gap: 12px; }
figure.curve { margin: 0; padding: 6px; border: 1px solid #d0d7de; border-radius: 6px;
               content-visibility: auto; contain-intrinsic-size: auto 290px; }
figure.curve.flagged.ets-B { border: 2px solid #d48a00; }
figure.curve.flagged.ets-C { border: 2px solid #d1242f; }
figure.curve figcaption { display: flex; gap: 8px; align-items: baseline; flex-wrap: wrap; }
figure.curve .item-name { font-weight: 600; overflow-wrap: anywhere; }
figure.curve .cls { padding: 0 5px; }
figure.curve .d-dif { color: #57606a; font-size: 12px; }
figure.curve .flag { color: #8e1b13; font-size: 12px; font-weight: 600; }
figure.curve p { margin: 2px 0 0; font-size: 12px; }
figure.curve p.note { color: #57606a; }
svg.curve-plot { display: block; max-width: 100%; height: auto; }
svg.curve-plot .frame { fill: none; stroke: #d0d7de; }
svg.curve-plot text { font-size: 10px; fill: #424a53; }
svg.curve-plot .curve { fill: none; stroke-width: 1.6; }
svg.curve-plot .reference .curve { stroke: #0b6fb8; }
svg.curve-plot .focal .curve { stroke: #8a3ffc; stroke-dasharray: 5 3; }
svg.curve-plot .reference .point { fill: #0b6fb8; fill-opacity: 0.75; }
svg.curve-plot .focal .point { fill: #8a3ffc; fill-opacity: 0.75; }
svg.curve-plot .point.unused { fill: #ffffff; fill-opacity: 1; stroke-width: 1; }
svg.curve-plot .reference .point.unused { stroke: #0b6fb8; }
svg.curve-plot .focal .point.unused { stroke: #8a3ffc; }
.legend-note { color: #57606a; font-size: 12px; }
)";

// Added on a page that shows them only: the warning of a purification stopped by its guard, the
// methods' own figures of the items.
constexpr const char* kMethodStyle = R"(
p.warning { border-left: 4px solid #d1242f; background: #fff1f0; padding: 6px 10px; }
svg.method-plot { display: block; max-width: 100%; height: auto; margin-top: 4px; }
svg.method-plot .frame { fill: none; stroke: #d0d7de; }
svg.method-plot text { font-size: 10px; fill: #424a53; }
svg.method-plot .plot-title { font-size: 10.5px; font-weight: 600; }
svg.method-plot .zero-line { stroke: #8c959f; stroke-width: 1; }
svg.method-plot .marker { stroke: #d1242f; stroke-dasharray: 4 3; stroke-width: 1.2; }
svg.method-plot .curve { fill: none; stroke-width: 1.6; }
svg.method-plot .series-0 .curve { stroke: #0b6fb8; }
svg.method-plot .series-0 .point { fill: #0b6fb8; }
svg.method-plot .series-1 .curve { stroke: #8a3ffc; stroke-dasharray: 5 3; }
svg.method-plot .series-1 .point { fill: #8a3ffc; }
svg.method-plot .series-2 .curve { stroke: #1a7f37; stroke-dasharray: 2 2; }
svg.method-plot .series-3 .curve { stroke: #bf8700; stroke-dasharray: 8 3; }
)";

// Added on a page of several focal groups only: the colours of the groups (the rules of
// group_colour_rules set --group-colour) and the tables of the comparisons side by side.
constexpr const char* kGroupsStyle = R"(
.swatch { display: inline-block; width: 10px; height: 10px; border-radius: 50%;
          margin-right: 5px; vertical-align: -1px; background: var(--group-colour); }
table.classes thead th { position: static; }
table.classes th.comparison { text-align: center; }
table.classes td.cls.flagged { box-shadow: inset 0 0 0 2px #8e1b13; }
details.comparison-items > summary, details.level-counts > summary { cursor: pointer; color: #57606a; }
details.comparison-items > summary { margin: 4px 0; }
svg .legend-entry .d-mark, svg .dif-mark .d-mark { fill: var(--group-colour); stroke: #ffffff; stroke-width: 1; }
svg .dif-mark .interval { stroke: var(--group-colour); stroke-width: 1.5; }
svg .dif-mark .clip-mark { fill: var(--group-colour); }
svg.curve-plot .group .curve, svg.curve-plot .legend .curve { stroke: var(--group-colour); }
svg.curve-plot .group .point { fill: var(--group-colour); fill-opacity: 0.75; }
svg.curve-plot .group .point.unused { fill: #ffffff; fill-opacity: 1; stroke: var(--group-colour); stroke-width: 1; }
figure.curve p.comparison-classes { display: flex; flex-wrap: wrap; gap: 2px 12px; }
figure.curve .comparison-class .cls { padding: 0 4px; }
figure.curve.flagged.ets-A, figure.curve.flagged.ets-none { border: 2px solid #57606a; }
details.level-counts { font-size: 12px; margin-top: 2px; }
table.level-counts { margin-top: 2px; }
table.level-counts th { position: static; cursor: auto; }
table.level-counts tr.unused td { color: #8c959f; font-style: italic; }
)";

/// Flagged items first, each part in item order.
std::vector<std::size_t> flagged_first(const stats::Comparison& comparison) {
  std::vector<std::size_t> order(comparison.items.size());
  for (std::size_t j = 0; j < order.size(); ++j) order[j] = j;
  std::stable_partition(order.begin(), order.end(),
                        [&](std::size_t j) { return comparison.items[j].flagged; });
  return order;
}

/// The names of `items` (positions in `all`, whose elements have a name).
template <typename Item>
std::string item_list(const std::vector<std::size_t>& items, const std::vector<Item>& all) {
  std::string text;
  for (std::size_t j : items) text += (text.empty() ? "" : ", ") + all[j].name;
  return text.empty() ? "none" : text;
}

std::string item_list(const std::vector<std::size_t>& items, const stats::Comparison& comparison) {
  return item_list(items, comparison.items);
}

/// Several focal groups: the items flagged in any comparison or overall first, each part in
/// item order.
std::vector<std::size_t> flagged_anywhere_first(const stats::DifAnalysis& analysis) {
  const std::size_t items = analysis.comparisons.front().items.size();
  std::vector<std::size_t> order(items);
  for (std::size_t j = 0; j < items; ++j) order[j] = j;
  const auto flagged = [&](std::size_t j) {
    for (const stats::Comparison& comparison : analysis.comparisons)
      if (j < comparison.items.size() && comparison.items[j].flagged) return true;
    return analysis.overall && j < analysis.overall->items.size() &&
           analysis.overall->items[j].flagged;
  };
  std::stable_partition(order.begin(), order.end(), flagged);
  return order;
}

std::string quoted(const std::string& value) { return "\u201c" + value + "\u201d"; }

void fact_row(MarkupWriter& page, const std::string& name, const std::string& value) {
  page.open("tr");
  page.element("th", {}, name);
  page.element("td", {}, value);
  page.close();
}

std::string group_text(const stats::GroupSize& group) {
  return "\u201c" + group.value + "\u201d, " + std::to_string(group.n) + " examinees";
}

void write_facts(MarkupWriter& page, const RunDescription& run, const stats::DifAnalysis& analysis) {
  page.element("h2", {{"id", "data"}}, "Data and options");
  page.open("table", {{"class", "facts"}});
  fact_row(page, "Command", "itemdif " + run.command);
  fact_row(page, "Input", run.input);
  fact_row(page, "Items", std::to_string(run.items));
  fact_row(page, "Reference group", group_text(analysis.reference));
  for (const stats::GroupSize& focal : analysis.focal)
    fact_row(page, "Focal group", group_text(focal));
  fact_row(page, "Rows left out", std::to_string(run.rows_of_no_group + analysis.listwise_left_out));
  std::string methods;
  for (std::size_t m : run.methods)
    methods += (methods.empty() ? "" : ", ") + std::string(stats::methods()[m].name);
  fact_row(page, "Methods", methods);
  if (!run.matching.empty()) fact_row(page, "Matching", run.matching);
  // The groups' values stand above with their sizes.
  for (const RunDescription::Setting& setting : run.settings)
    if (!setting.group_value) fact_row(page, setting.name, setting.value);
  page.close();
  page.line_break();
}

/// Where a comparison's sections go: under their own h2 when the run has one comparison; as h3
/// below the comparison's heading, their ids numbered, when it has several.
struct Section {
  std::string heading = "h2";
  std::string id_suffix;
  std::string id(const std::string& name) const { return name + id_suffix; }
};

void write_rounds(MarkupWriter& page, const stats::Comparison& comparison, const Section& section) {
  page.element(section.heading, {{"id", section.id("purification")}}, "Purification");
  const std::size_t rounds = comparison.rounds.size();
  page.element("p", {},
               std::to_string(rounds) + (rounds == 1 ? " round, " : " rounds, ") +
                   (comparison.converged ? "converged." : "not converged."));
  page.open("ol", {{"class", "rounds"}});
  for (const stats::Round& round : comparison.rounds)
    page.element("li", {},
                 "Round " + std::to_string(round.number) + ": " +
                     std::to_string(round.flagged.size()) + " flagged: " +
                     item_list(round.flagged, comparison));
  page.close();
  page.line_break();
}

/// Under several focal groups the table of every method's values is collapsed: the table of
/// the comparisons' classes shows what a reader looks at first.
void write_items(MarkupWriter& page, const RunDescription& run,
                 const stats::Comparison& comparison, const Section& section,
                 bool collapsed = false) {
  const std::vector<std::size_t> order = flagged_first(comparison);
  std::vector<std::size_t> flagged;
  for (std::size_t j : order)
    if (comparison.items[j].flagged) flagged.push_back(j);
  page.element(section.heading, {{"id", section.id("items")}}, "Items");
  page.element("p", {}, "Flagged (" + std::to_string(flagged.size()) + "): " +
                            item_list(flagged, comparison) + ". Flagged items come first.");
  if (collapsed) {
    page.open("details", {{"class", "comparison-items"}});
    page.element("summary", {}, "Every method's values of the items");
  }
  page.open("div", {{"class", "table-wrap"}});
  write_item_table(page, run, comparison, order);
  page.close();
  if (collapsed) page.close();
  page.line_break();
}

/// The bundles of a comparison, tested as one item each, with the columns their methods show.
void write_bundles(MarkupWriter& page, const RunDescription& run,
                   const stats::Comparison& comparison, const Section& section) {
  if (comparison.bundles.empty()) return;
  std::vector<stats::MethodColumn> shown;
  for (const std::size_t m : run.methods) {
    const stats::Columns columns = stats::methods()[m].bundle_columns;
    for (std::size_t c = 0; c < columns.size(); ++c)
      if (!columns[c]->heading.empty()) shown.push_back({columns[c], {m, c}});
  }
  page.element(section.heading, {{"id", section.id("bundles")}}, "Bundles");
  page.element("p", {{"class", "legend-note"}},
               "Each bundle's items tested together as one, its score their sum, matched on the "
               "last round's other matching items.");
  page.open("div", {{"class", "table-wrap"}});
  page.open("table", {{"class", "items bundles"}});
  page.open("thead");
  page.open("tr");
  page.element("th", {}, "Bundle");
  page.element("th", {}, "Items");
  page.element("th", {{"title", "reference examinees who answered every item"}}, "n ref");
  page.element("th", {{"title", "focal examinees who answered every item"}}, "n focal");
  for (const stats::MethodColumn& c : shown)
    page.element("th", {{"title", std::string(c.column->title)}}, c.column->heading);
  page.element("th", {}, "Note");
  page.close();
  page.close();
  page.open("tbody");
  for (const stats::BundleResult& bundle : comparison.bundles) {
    std::string items;
    for (const std::string& item : bundle.items) items += (items.empty() ? "" : ", ") + item;
    page.open("tr", {{"data-bundle", bundle.name}});
    page.element("td", {{"class", "item"}}, bundle.name);
    page.element("td", {}, items);
    page.element("td", {{"class", "num"}}, std::to_string(bundle.n_reference));
    page.element("td", {{"class", "num"}}, std::to_string(bundle.n_focal));
    for (const stats::MethodColumn& c : shown) {
      const std::vector<stats::Cell>& cells = bundle.methods[c.place.method].cells;
      write_value_cell(page, *c.column,
                       c.place.column < cells.size() ? cells[c.place.column] : stats::Cell{});
    }
    page.element("td", {{"class", "note"}}, bundle.note);
    page.close();
    page.line_break();
  }
  page.close();
  page.close();
  page.close();
  page.line_break();
}

/// Whether the page shows a guard's warning or a method's figure, whose styles it then needs.
bool uses_method_style(const RunDescription& run, const stats::DifAnalysis& analysis) {
  for (const std::size_t m : run.methods)
    if (!stats::methods()[m].figure_title.empty()) return true;
  for (const stats::Comparison& comparison : analysis.comparisons)
    if (comparison.stop == stats::Stop::too_many_flagged) return true;
  return analysis.overall && analysis.overall->stop == stats::Stop::too_many_flagged;
}

/// Says at the top of the page where purification stopped because it flagged too many items.
void write_guard_warnings(MarkupWriter& page, const stats::DifAnalysis& analysis) {
  std::vector<std::string> where;
  for (const stats::Comparison& comparison : analysis.comparisons)
    if (comparison.stop == stats::Stop::too_many_flagged)
      where.push_back(analysis.comparisons.size() > 1 ? "the comparison with " + comparison.focal
                                                      : "the analysis");
  if (analysis.overall && analysis.overall->stop == stats::Stop::too_many_flagged)
    where.push_back("the overall analysis");
  if (where.empty()) return;
  std::string places;
  for (std::size_t k = 0; k < where.size(); ++k)
    places += (k == 0 ? "" : k + 1 == where.size() ? " and " : ", ") + where[k];
  page.element("p", {{"class", "warning"}},
               "Purification stopped in " + places +
                   ": a round flagged more than half of the items, so the matching score may not "
                   "measure one trait. Its results are those of that round. Match on items known "
                   "to be free of DIF (--anchor) or analyse a subset of items that measure one "
                   "trait (--items).");
}

void write_dif_section(MarkupWriter& page, const stats::Comparison& comparison,
                       const Section& section) {
  page.element(section.heading, {{"id", section.id("dif-plot")}}, "MH D-DIF with 95 % intervals");
  page.element("p", {{"class", "legend-note"}},
               "Each item's D-DIF \u00b1 1.959964 SE. Dashed lines at \u00b11 and \u00b11.5 "
               "bound the ETS classes: A inside \u00b11, B in the shaded amber bands, C in the "
               "red ones (when also significant). Points are coloured by the ETS class.");
  const DifPlot plot = dif_plot(comparison);
  page.open("div", {{"class", "plot-wrap"}});
  page.insert(plot.svg);
  page.close();
  if (!plot.absent.empty()) {
    page.open("p", {{"class", "absent-note"}});
    page.text("Not plotted, D-DIF undefined: ");
    for (std::size_t k = 0; k < plot.absent.size(); ++k) {
      const stats::ItemResult& item = comparison.items[plot.absent[k]];
      if (k > 0) page.text("; ");
      page.text(item.name + (item.note.empty() ? "" : " (" + item.note + ")"));
    }
    page.close();
  }
  page.line_break();
}

void write_curves(MarkupWriter& page, const RunDescription& run, const stats::DifAnalysis& analysis,
                  const stats::Comparison& comparison, const std::vector<std::size_t>& order) {
  page.element("h2", {{"id", "curves"}}, "Empirical item curves");
  page.element("p", {{"class", "legend-note"}},
               "Proportion correct at each level of the matching score: reference group solid "
               "with circles, focal group dashed with squares. A point's area grows with the "
               "group's examinees in the level (hover for the counts); hollow points are levels "
               "the statistics did not use. Flagged items come first.");
  // One set of figures keeps a page of many items and groups light; the items' links of every
  // comparison's table lead here.
  if (analysis.comparisons.size() > 1)
    page.element("p", {{"class", "legend-note"}},
                 "The curves are those of the first comparison, reference \u201c" +
                     analysis.reference.value + "\u201d against focal \u201c" +
                     comparison.focal + "\u201d.");
  CurveContext context{analysis.reference.value, comparison.focal, {}};
  for (const stats::MethodColumn& test : stats::method_columns(
           run.methods, [](const stats::Column& c) { return !c.nonuniform_label.empty(); }))
    context.nonuniform_tests.push_back(test.column);
  page.open("div", {{"class", "curve-grid"}});
  page.line_break();
  for (std::size_t j : order) {
    page.insert(curve_figure(comparison.items[j], j, context));
    page.line_break();
  }
  page.close();
  page.line_break();
}

// Several focal groups.

void write_overall(MarkupWriter& page, const stats::DifAnalysis& analysis) {
  const stats::OverallAnalysis& overall = *analysis.overall;
  std::string groups = quoted(analysis.reference.value);
  for (const stats::GroupSize& focal : analysis.focal) groups += ", " + quoted(focal.value);
  page.element("h2", {{"id", "overall"}}, "Overall: every group together");
  page.element("p", {{"class", "legend-note"}},
               "The reference group and every focal group (" + groups +
                   ") in one analysis, purified on its own. Flagged items come first.");
  const std::size_t rounds = overall.rounds.size();
  page.element("p", {},
               std::to_string(rounds) + (rounds == 1 ? " round, " : " rounds, ") +
                   (overall.converged ? "converged." : "not converged."));
  page.open("ol", {{"class", "rounds"}});
  for (const stats::Round& round : overall.rounds)
    page.element("li", {},
                 "Round " + std::to_string(round.number) + ": " +
                     std::to_string(round.flagged.size()) + " flagged: " +
                     item_list(round.flagged, overall.items));
  page.close();
  std::vector<std::size_t> order(overall.items.size()), flagged;
  for (std::size_t j = 0; j < order.size(); ++j) order[j] = j;
  std::stable_partition(order.begin(), order.end(),
                        [&](std::size_t j) { return overall.items[j].flagged; });
  for (std::size_t j : order)
    if (overall.items[j].flagged) flagged.push_back(j);
  page.element("p", {}, "Flagged overall (" + std::to_string(flagged.size()) + "): " +
                            item_list(flagged, overall.items) + ".");
  page.open("div", {{"class", "table-wrap"}});
  write_overall_table(page, overall, order);
  page.close();
  page.line_break();
}

void write_classes(MarkupWriter& page, const stats::DifAnalysis& analysis,
                   const std::vector<std::size_t>& order) {
  page.element("h2", {{"id", "classes"}}, "ETS classes by comparison");
  page.element("p", {{"class", "legend-note"}},
               "Each comparison of the reference group " + quoted(analysis.reference.value) +
                   " with one focal group: the item's ETS class and D-DIF (below 0 the item "
                   "favours the reference group). A framed class is flagged in its comparison. "
                   "Items flagged in any comparison or overall come first.");
  page.open("div", {{"class", "table-wrap"}});
  write_class_table(page, analysis, order);
  page.close();
  page.line_break();
}

/// Returns each comparison's items without a mark.
std::vector<std::vector<std::size_t>> write_comparisons_dif_section(
    MarkupWriter& page, const stats::DifAnalysis& analysis) {
  const std::vector<stats::Comparison>& comparisons = analysis.comparisons;
  page.element("h2", {{"id", "dif-plot"}}, "MH D-DIF with 95 % intervals, by comparison");
  page.element("p", {{"class", "legend-note"}},
               "Each item's D-DIF \u00b1 1.959964 SE in each comparison: one mark per focal "
               "group in its colour, in the legend's order from top to bottom within the item's "
               "row (a polytomous item's Liu-Agresti D-DIF without interval). Dashed lines at "
               "\u00b11 and \u00b11.5 bound the ETS classes: A inside \u00b11, B in the shaded "
               "amber bands, C in the red ones (when also significant).");
  const ComparisonsDifPlot plot = comparisons_dif_plot(comparisons);
  page.open("div", {{"class", "plot-wrap"}});
  page.insert(plot.svg);
  page.close();
  for (std::size_t k = 0; k < comparisons.size(); ++k) {
    if (plot.absent[k].empty()) continue;
    page.open("p", {{"class", "absent-note"}});
    page.element("span", {{"class", "swatch " + group_css(k + 1)}}, "");
    page.text("Not plotted for focal " + quoted(comparisons[k].focal) + ", D-DIF undefined: ");
    for (std::size_t a = 0; a < plot.absent[k].size(); ++a) {
      const stats::ItemResult& item = comparisons[k].items[plot.absent[k][a]];
      if (a > 0) page.text("; ");
      page.text(item.name + (item.note.empty() ? "" : " (" + item.note + ")"));
    }
    page.close();
  }
  page.line_break();
  return plot.absent;
}

/// A comparison's part of the shared D-DIF plot: its colour and how many of its items have a
/// mark (all but the `absent` ones).
void write_comparison_dif_note(MarkupWriter& page, const stats::Comparison& comparison,
                               std::size_t k, std::size_t absent, const Section& section) {
  const std::size_t plotted = comparison.items.size() - absent;
  page.element(section.heading, {{"id", section.id("dif-plot")}}, "MH D-DIF");
  page.open("p");
  page.text("The marks ");
  page.element("span", {{"class", "swatch " + group_css(k + 1)}}, "");
  page.text("of focal " + quoted(comparison.focal) + " in the ");
  page.element("a", {{"href", "#dif-plot"}}, "D-DIF plot");
  page.text(": " + std::to_string(plotted) + " of " + std::to_string(comparison.items.size()) +
            " items.");
  page.close();
  page.line_break();
}

void write_groups_curves(MarkupWriter& page, const RunDescription& run,
                         const stats::DifAnalysis& analysis,
                         const std::vector<std::size_t>& order) {
  page.element("h2", {{"id", "curves"}}, "Empirical item curves");
  page.element("p", {{"class", "legend-note"}},
               "Mean item score (the proportion correct of a 0/1 item) at each level of the "
               "overall analysis's matching score, one line per group in its colour: the "
               "reference group with circles, the focal groups with squares, diamonds and "
               "triangles. A line breaks where its group has no examinee in a level. A point's "
               "area grows with the group's examinees in the level (hover for the counts; each "
               "figure's table lists them); hollow points are levels the statistics did not use. "
               "Items flagged in any comparison or overall come first.");
  GroupsCurveContext context;
  context.groups.push_back(analysis.reference.value);
  for (const stats::GroupSize& focal : analysis.focal) context.groups.push_back(focal.value);
  for (const stats::MethodColumn& test : stats::method_columns(
           run.methods, [](const stats::Column& c) { return !c.nonuniform_label.empty(); }))
    context.nonuniform_tests.push_back(test.column);
  for (const stats::MethodColumn& test : stats::method_columns(
           analysis.overall->methods,
           [](const stats::Column& c) { return !c.nonuniform_label.empty(); }, true))
    if (!context.overall_nonuniform) context.overall_nonuniform = test.column;
  page.open("div", {{"class", "curve-grid"}});
  page.line_break();
  for (std::size_t j : order) {
    if (j >= analysis.overall->items.size()) continue;
    page.insert(groups_curve_figure(analysis, j, context));
    page.line_break();
  }
  page.close();
  page.line_break();
}

}  // namespace

std::string html_report(const RunDescription& run, const stats::DifAnalysis& analysis) {
  const std::vector<stats::Comparison>& comparisons = analysis.comparisons;
  const stats::Comparison& first = comparisons.front();
  const std::vector<std::size_t> order = flagged_first(first);
  std::size_t flagged = 0;
  for (const stats::Comparison& comparison : comparisons)
    for (const stats::ItemResult& item : comparison.items) flagged += item.flagged ? 1 : 0;

  MarkupWriter page;
  page.insert("<!DOCTYPE html>\n");
  page.open("html", {{"lang", "en"}});
  page.open("head");
  page.insert("<meta charset=\"utf-8\">");
  page.insert("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">");
  page.element("title", {}, "itemdif report: " + run.input);
  page.open("style");
  page.insert(kStyle);
  page.close();
  if (uses_method_style(run, analysis)) {
    page.open("style");
    page.insert(kMethodStyle);
    page.close();
  }
  if (comparisons.size() > 1) {
    page.open("style");
    page.insert(kGroupsStyle);
    page.insert(group_colour_rules(1 + comparisons.size()));
    page.close();
  }
  page.close();
  page.line_break();
  page.open("body");
  page.element("h1", {}, "DIF report");
  std::string subtitle = "itemdif " + run.command + " " + run.input + ": " +
                         std::to_string(run.items) + " items, ";
  if (comparisons.size() > 1) subtitle += std::to_string(comparisons.size()) + " comparisons, ";
  subtitle += std::to_string(flagged) + (comparisons.size() > 1 ? " flags" : " flagged");
  if (analysis.overall) {
    std::size_t overall_flagged = 0;
    for (const stats::OverallItem& item : analysis.overall->items)
      overall_flagged += item.flagged ? 1 : 0;
    subtitle += ", " + std::to_string(overall_flagged) + " flagged overall";
  }
  page.element("p", {{"class", "subtitle"}}, subtitle);
  write_guard_warnings(page, analysis);
  write_facts(page, run, analysis);

  if (comparisons.size() == 1) {
    write_rounds(page, first, Section{});
    write_items(page, run, first, Section{});
    write_bundles(page, run, first, Section{});
    write_dif_section(page, first, Section{});
    write_curves(page, run, analysis, first, order);
  } else {
    const std::vector<std::size_t> groups_order = flagged_anywhere_first(analysis);
    if (analysis.overall) write_overall(page, analysis);
    write_classes(page, analysis, groups_order);
    const std::vector<std::vector<std::size_t>> absent =
        write_comparisons_dif_section(page, analysis);
    for (std::size_t k = 0; k < comparisons.size(); ++k) {
      const Section section{"h3", "-" + std::to_string(k + 1)};
      page.element("h2", {{"id", section.id("comparison")}},
                   "Comparison: reference \u201c" + analysis.reference.value +
                       "\u201d against focal \u201c" + comparisons[k].focal + "\u201d");
      write_rounds(page, comparisons[k], section);
      write_items(page, run, comparisons[k], section, true);
      write_bundles(page, run, comparisons[k], section);
      write_comparison_dif_note(page, comparisons[k], k, absent[k].size(), section);
    }
    if (analysis.overall)
      write_groups_curves(page, run, analysis, groups_order);
    else
      write_curves(page, run, analysis, first, order);
  }
  page.close();
  page.close();
  page.line_break();
  return page.finish();
}

}  // namespace itemdif::results

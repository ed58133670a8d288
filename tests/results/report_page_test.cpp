// report.html and its plots, read back from the markup: what each plot draws, that user texts
// stay text, and that odd analyses (undefined, infinite, many levels) still give a page; with
// several focal groups, the overall table, the comparisons side by side, one D-DIF plot with a
// mark per comparison and the curves of every group.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "results/curve_plot.hpp"
#include "results/dif_plot.hpp"
#include "results/group_colours.hpp"
#include "results/html_report.hpp"
#include "results/report_numbers.hpp"
#include "item_values.hpp"
#include "results/run_description.hpp"

namespace {

using namespace itemdif;
using namespace itemdif::results;
using itemdif::results::testing::column_named;
using itemdif::results::testing::Counts01;
using itemdif::results::testing::item_named;
using itemdif::results::testing::levels_01;
using itemdif::results::testing::method_at;
using itemdif::results::testing::set_cell;
using itemdif::results::testing::set_mh;

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const std::string kHostile = "<script>alert(\"x\")</script>&'";

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

/// The values of one attribute over the elements whose opening tag contains `marker`.
std::vector<std::string> attribute_values(const std::string& markup, const std::string& marker,
                                          const std::string& attribute) {
  std::vector<std::string> values;
  const std::regex tag("<[a-z]+ [^>]*>");
  const std::regex value(" " + attribute + "=\"([^\"]*)\"");
  for (auto it = std::sregex_iterator(markup.begin(), markup.end(), tag); it != std::sregex_iterator(); ++it) {
    const std::string found = it->str();
    std::smatch m;
    if (found.find(marker) != std::string::npos && std::regex_search(found, m, value))
      values.push_back(m[1]);
  }
  return values;
}

stats::MhValues mh_of(double d_dif, double se) {
  stats::MhValues mh;
  mh.d_dif = d_dif;
  mh.d_dif_se = se;
  mh.ets_class = std::fabs(d_dif) >= 1.5 ? (d_dif < 0 ? "C-" : "C+") : "A";
  return mh;
}

/// An item with four levels of counts, the third one not used.
stats::ItemResult item_with_levels(std::string name, double d_dif, double se) {
  stats::ItemResult item = item_named(std::move(name));
  set_mh(item, mh_of(d_dif, se));
  item.levels = levels_01({{0, 1, 3, 7, 2, 8, true},
                           {2, 3, 10, 10, 8, 12, true},
                           {4, 4, 5, 0, 4, 0, false},
                           {5, 6, 18, 2, 15, 5, true}});
  return item;
}

stats::Comparison three_items() {
  stats::Comparison comparison;
  comparison.focal = "<F>";
  comparison.items = {item_with_levels("q1", 0.25, 0.3), item_with_levels(kHostile, -2.1, 0.4),
                      item_with_levels("q3", 0.1 + 0.2, 0.2)};
  comparison.items[1].flagged = true;
  comparison.rounds = {{1, {1}}};
  comparison.converged = true;
  return comparison;
}

stats::DifAnalysis analysis_of(stats::Comparison comparison) {
  stats::DifAnalysis analysis;
  analysis.reference = {"R&D", 50};
  analysis.focal = {{comparison.focal, 50}};
  analysis.comparisons.push_back(std::move(comparison));
  return analysis;
}

RunDescription facts() {
  RunDescription run;
  run.version = "1.0.0";
  run.command = "analyze";
  run.input = "data <&>.csv";
  run.methods = {method_at("mh"), method_at("bd")};
  run.items = 3;
  return run;
}

/// The legend's groups and, when `nonuniform`, the non-uniform tests of a run of every method.
CurveContext context(bool nonuniform) {
  CurveContext context{"R", "F", {}};
  if (nonuniform)
    context.nonuniform_tests = {&column_named("bd_p"), &column_named("lr_nonuniform_p")};
  return context;
}

TEST(DifPlot, EveryDefinedItemIsAPointAtItsExactValue) {
  const stats::Comparison comparison = three_items();
  const DifPlot plot = dif_plot(comparison);
  const std::vector<std::string> d = attribute_values(plot.svg, "d-point", "data-d");
  ASSERT_EQ(d.size(), 3u);
  const double given[] = {0.25, -2.1, 0.1 + 0.2};
  for (std::size_t j = 0; j < 3; ++j) EXPECT_EQ(std::strtod(d[j].c_str(), nullptr), given[j]);
  EXPECT_TRUE(plot.absent.empty());
  EXPECT_EQ(count(plot.svg, "d-point cls-C"), 1u);
  EXPECT_EQ(count(plot.svg, "class=\"interval\""), 3u);
  EXPECT_EQ(count(plot.svg, "class=\"dif-row flagged\""), 1u);
  EXPECT_EQ(count(plot.svg, "band-edge"), 4u);
}

TEST(DifPlot, UndefinedAndInfiniteValuesNeverBecomeCoordinates) {
  stats::Comparison comparison = three_items();
  // Cells set as they are: the plot must cope with any number a cell holds.
  stats::MhValues no_d_dif = mh_of(0.25, 0.3);
  no_d_dif.d_dif.reset();
  set_mh(comparison.items[0], no_d_dif);  // no D-DIF at all
  set_cell(comparison.items[1], "mh_d_dif", kInfinity);  // an odds ratio of 0
  set_cell(comparison.items[1], "mh_d_dif_low", kInfinity);
  set_cell(comparison.items[1], "mh_d_dif_high", kInfinity);
  set_cell(comparison.items[2], "mh_d_dif", kNaN);
  set_cell(comparison.items[2], "mh_d_dif_se", kInfinity);
  set_cell(comparison.items[2], "mh_d_dif_low", kNaN);
  set_cell(comparison.items[2], "mh_d_dif_high", kNaN);
  const DifPlot plot = dif_plot(comparison);
  EXPECT_EQ(plot.absent, (std::vector<std::size_t>{0, 2}));
  EXPECT_EQ(count(plot.svg, "D-DIF undefined"), 2u);
  // The infinite one sits at the right edge with the mark of a cut value and no interval.
  const std::vector<std::string> cx = attribute_values(plot.svg, "d-point", "cx");
  ASSERT_EQ(cx.size(), 1u);
  EXPECT_EQ(count(plot.svg, "clip-mark"), 1u);
  EXPECT_EQ(count(plot.svg, "class=\"interval\""), 0u);
  EXPECT_EQ(count(plot.svg, "nan"), 0u);
  EXPECT_EQ(count(plot.svg, "inf\""), 1u);  // only in data-d
}

TEST(DifPlot, AWideIntervalIsClippedSoPointsKeepTheirRoom) {
  stats::Comparison comparison = three_items();
  set_mh(comparison.items[0], mh_of(0.25, 50));  // an interval of +-98
  const DifPlot plot = dif_plot(comparison);
  EXPECT_EQ(count(plot.svg, "clip-mark"), 2u);
  const std::vector<std::string> d = attribute_values(plot.svg, "d-point", "cx");
  ASSERT_EQ(d.size(), 3u);
  // The C- item at -2.1 stays well apart from the one at 0.25 (not squeezed by +-98).
  EXPECT_GT(std::strtod(d[0].c_str(), nullptr) - std::strtod(d[1].c_str(), nullptr), 100);
}

TEST(CurvePlot, OnePointPerGroupAndLevelWithTheCountsInItsTitle) {
  const stats::ItemResult item = item_with_levels("q1", 0.2, 0.1);
  const std::string svg = curve_plot(item, context(false));
  EXPECT_EQ(count(svg, "<svg class=\"curve-plot\""), 1u);
  EXPECT_EQ(count(svg, "<circle class=\"point"), 4u);  // reference
  EXPECT_EQ(count(svg, "<rect class=\"point"), 4u);    // focal
  EXPECT_EQ(count(svg, "class=\"point unused\""), 2u);
  EXPECT_EQ(count(svg, "<polyline"), 2u);
  EXPECT_NE(svg.find("scores 2\u20133: reference 10 of 20 correct (0.50)"), std::string::npos);
  EXPECT_NE(svg.find("score 4: focal 4 of 4 correct (1.00); level not used"), std::string::npos);
  // The unused level is off the line: three vertices per group.
  for (const std::string& points : attribute_values(svg, "<polyline", "points"))
    EXPECT_EQ(count(points, ","), 3u);
}

TEST(CurvePlot, ManyLevelsAreSummedWithoutLosingAnExaminee) {
  stats::ItemResult item = item_named("long");
  double reference_total = 0;
  std::vector<Counts01> counts;
  for (int score = 0; score < 301; ++score) {
    const bool used = score >= 5 && score <= 290;
    counts.push_back({score, score, double(score % 7), 3, double(score % 5), 1, used});
    reference_total += score % 7 + 3;
  }
  item.levels = levels_01(counts);
  const std::string svg = curve_plot(item, context(false));
  const std::size_t reference_points = count(svg, "<circle class=\"point");
  EXPECT_LE(reference_points, 42u);  // 40 runs and the two breaks at the used edges
  EXPECT_GE(reference_points, 30u);
  // The titles' counts add up to every reference examinee, and no point mixes used levels
  // with unused ones.
  const std::regex title("<title>scores? (\\d+)(?:\u2013(\\d+))?: reference (\\d+) of (\\d+) correct[^<]*</title>");
  double shown = 0;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), title); it != std::sregex_iterator(); ++it) {
    shown += std::stod((*it)[4]);
    const int low = std::stoi((*it)[1]);
    const int high = (*it)[2].matched ? std::stoi((*it)[2]) : low;
    const bool unused = it->str().find("not used") != std::string::npos;
    EXPECT_EQ(unused, low < 5 || low > 290) << it->str();
    EXPECT_EQ(low < 5, high < 5) << it->str();
    EXPECT_EQ(low > 290, high > 290) << it->str();
  }
  EXPECT_EQ(shown, reference_total);
  const std::string figure = curve_figure(item, 0, context(false));
  EXPECT_NE(figure.find("301 levels shown as"), std::string::npos);
}

TEST(CurvePlot, APolytomousItemShowsMeanScoresOnItsOwnScale) {
  stats::ItemResult item = item_named("rating");
  item.range = {1, 5, true};
  // Level 10-12: reference scores 2, 2, 5 (mean 3), focal 1, 4 (mean 2.5).
  stats::LevelTable level(10, 12, 2, 1, 5);
  level.count(0, 2) = 2;
  level.count(0, 5) = 1;
  level.count(1, 1) = 1;
  level.count(1, 4) = 1;
  level.used = true;
  item.levels = {level};
  const std::string svg = curve_plot(item, context(false));
  EXPECT_NE(svg.find("scores 10\u201312: reference 3 examinees, mean item score 3.00"),
            std::string::npos) << svg;
  EXPECT_NE(svg.find("focal 2 examinees, mean item score 2.50"), std::string::npos);
  EXPECT_NE(svg.find("mean item score by level of rating"), std::string::npos);
  // The y axis runs from the lowest score to the highest: ticks 1 and 5, no 0.
  EXPECT_NE(svg.find("text-anchor=\"end\">5</text>"), std::string::npos);
  EXPECT_NE(svg.find("text-anchor=\"end\">1</text>"), std::string::npos);
  EXPECT_EQ(svg.find("text-anchor=\"end\">0.2</text>"), std::string::npos);
  // Mean 3 of the scale 1..5 sits half-way between the frame's top and bottom.
  const std::vector<std::string> cy = attribute_values(svg, "<circle", "cy");
  ASSERT_EQ(cy.size(), 1u);
  const double top = 26, bottom = 196 - 32;
  EXPECT_NEAR(std::strtod(cy[0].c_str(), nullptr), (top + bottom) / 2, 1e-9);
}

TEST(CurvePlot, LevelsWithoutExamineesOrWithBrokenCountsAreLeftOut) {
  stats::ItemResult item = item_with_levels("q", 0.1, 0.1);
  item.levels[0].count(0, 1) = 0;  // no reference examinee
  item.levels[0].count(0, 0) = 0;
  item.levels[1].count(1, 1) = kNaN;  // focal correct
  const std::string svg = curve_plot(item, context(false));
  EXPECT_EQ(count(svg, "<circle class=\"point"), 3u);
  EXPECT_EQ(count(svg, "<rect class=\"point"), 3u);

  const stats::ItemResult empty = item_named("none");
  EXPECT_NE(curve_plot(empty, context(false)).find("no examinees in any level"), std::string::npos);
}

TEST(CurveFigure, FlaggedItemsNoteTheNonUniformTestsThatRan) {
  stats::ItemResult item = item_with_levels("q", -2.0, 0.3);
  item.flagged = true;
  set_cell(item, "bd_p", 0.0004);
  set_cell(item, "lr_nonuniform_p", 0.2);
  EXPECT_NE(curve_figure(item, 3, context(true)).find(
                "Breslow-Day p = 4.00e-04; logistic regression non-uniform p = 0.200"),
            std::string::npos);
  EXPECT_NE(curve_figure(item, 3, context(false)).find("Non-uniform DIF not tested"),
            std::string::npos);
  item.flagged = false;
  EXPECT_EQ(curve_figure(item, 3, context(true)).find("Non-uniform"), std::string::npos);
  EXPECT_NE(curve_figure(item, 3, context(true)).find("id=\"item-3\""), std::string::npos);
}

TEST(HtmlReport, UserTextsStayTextAndNothingComesFromElsewhere) {
  const std::string page = html_report(facts(), analysis_of(three_items()));
  EXPECT_EQ(count(page, "<script"), 0u);
  EXPECT_EQ(count(page, "<F>"), 0u);
  EXPECT_GE(count(page, "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;&amp;&#39;"), 3u);
  EXPECT_NE(page.find("data &lt;&amp;&gt;.csv"), std::string::npos);
  EXPECT_NE(page.find("R&amp;D"), std::string::npos);
  EXPECT_EQ(count(page, "http://"), count(page, "xmlns=\"http://www.w3.org/2000/svg\""));
  EXPECT_EQ(count(page, "https://"), 0u);
  EXPECT_EQ(count(page, "url("), 0u);
  EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
}

TEST(HtmlReport, FlaggedItemsComeFirstInTableAndCurves) {
  const std::string page = html_report(facts(), analysis_of(three_items()));
  const std::vector<std::string> curves = attribute_values(page, "class=\"curve-plot\"", "data-item");
  ASSERT_EQ(curves.size(), 3u);
  EXPECT_EQ(curves[0], "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;&amp;&#39;");
  EXPECT_EQ(curves[1], "q1");
  EXPECT_EQ(curves[2], "q3");
  const std::vector<std::string> links = attribute_values(page, "href=\"#item-", "href");
  ASSERT_EQ(links.size(), 3u);
  EXPECT_EQ(links, (std::vector<std::string>{"#item-1", "#item-0", "#item-2"}));
  EXPECT_EQ(count(page, "class=\"dif-plot\""), 1u);
  // Breslow-Day ran, standardization did not: its column is there, the other is not.
  EXPECT_NE(page.find(">BD p</th>"), std::string::npos);
  EXPECT_EQ(page.find(">STD P-DIF</th>"), std::string::npos);
}

TEST(HtmlReport, AnAnalysisOfUndefinedValuesStillGivesAPage) {
  stats::Comparison comparison = three_items();
  for (stats::ItemResult& item : comparison.items) {
    set_mh(item, {});
    set_cell(item, "mh_d_dif", -kInfinity);
    set_cell(item, "mh_chi_square", kNaN);
    set_cell(item, "bd_p", kNaN);
    item.levels.clear();
  }
  const std::string page = html_report(facts(), analysis_of(comparison));
  EXPECT_EQ(count(page, "class=\"curve-plot\""), 3u);
  EXPECT_EQ(count(page, "nan"), 0u);
}

TEST(HtmlReport, ThreeHundredItemsKeepOneCurvePlotEachAndAModestSize) {
  stats::Comparison comparison;
  comparison.focal = "F";
  for (int j = 0; j < 300; ++j) {
    stats::ItemResult item = item_named("i" + std::to_string(j + 1));
    set_mh(item, mh_of((j % 25 == 0) ? -1.8 : 0.01 * (j % 40) - 0.2, 0.2));
    item.flagged = j % 25 == 0;
    std::vector<Counts01> counts;
    for (int score = 0; score <= 300; ++score)
      counts.push_back({score, score, 4, 4, 3, 5, score > 2 && score < 298});
    item.levels = levels_01(counts);
    comparison.items.push_back(std::move(item));
  }
  const std::string page = html_report(facts(), analysis_of(comparison));
  EXPECT_EQ(count(page, "class=\"curve-plot\""), 300u);
  EXPECT_EQ(count(page, "class=\"d-point"), 300u);
  EXPECT_LT(page.size(), 8u << 20);  // a page a browser opens at once
}

// Several focal groups.

/// The position of overall column `name`.
/// The cell of overall column `name` of `item`, its method's cells made as the method makes them.
stats::Cell& overall_at(stats::OverallItem& item, const std::string& name) {
  const stats::ColumnPlace place = stats::column_place_named(name, true);
  item.methods.resize(stats::methods().size());
  std::vector<stats::Cell>& cells = item.methods[place.method].cells;
  cells.resize(stats::methods()[place.method].overall_columns.size());
  return cells[place.column];
}

/// One level of a 0/1 item with every group's correct and incorrect answers.
stats::LevelTable level_of_groups(int low, int high, std::vector<std::pair<double, double>> groups,
                                  bool used) {
  stats::LevelTable level(low, high, groups.size(), 0, 1);
  for (std::size_t g = 0; g < groups.size(); ++g) {
    level.count(g, 1) = groups[g].first;
    level.count(g, 0) = groups[g].second;
  }
  level.used = used;
  return level;
}

/// Reference "R&D" against focal "B", "<C>" and "D" on four items:
///  q1 flagged in no comparison and not overall;
///  q2 class C- against "D" only (flagged there), no D-DIF against "B";
///  q3 flagged overall only;
///  q4 a polytomous item 0..2, Liu-Agresti D-DIF without interval.
/// Overall levels: three, the middle one unused and without any examinee of "<C>".
stats::DifAnalysis groups_analysis(bool with_lr) {
  const std::vector<std::string> focal = {"B", "<C>", "D"};
  // D-DIF per comparison (rows) and item (columns).
  const double d[3][4] = {{0.2, 0, 0.4, 0.1}, {-0.3, 0.9, -0.5, -0.6}, {0.05, -1.9, 0.7, 0.35}};
  stats::DifAnalysis analysis;
  analysis.reference = {"R&D", 90};
  for (std::size_t k = 0; k < focal.size(); ++k) {
    analysis.focal.push_back({focal[k], 80 + k});
    stats::Comparison comparison;
    comparison.focal = focal[k];
    comparison.converged = true;
    comparison.rounds = {{1, {}}};
    for (int j = 0; j < 4; ++j) {
      stats::ItemResult item = item_named("q" + std::to_string(j + 1));
      if (j == 3) {
        item.range = {0, 2, true};
        set_cell(item, "mh_d_dif", d[k][j]);
        set_cell(item, "ets_class", std::string("AA"));
      } else {
        set_mh(item, mh_of(d[k][j], 0.25));
      }
      comparison.items.push_back(std::move(item));
    }
    analysis.comparisons.push_back(std::move(comparison));
  }
  set_mh(analysis.comparisons[0].items[1], {});  // q2 against "B": no D-DIF
  analysis.comparisons[0].items[1].note = "too few in B";
  analysis.comparisons[2].items[1].flagged = true;
  analysis.comparisons[2].rounds = {{1, {1}}};

  stats::OverallAnalysis overall;
  overall.converged = true;
  overall.rounds = {{1, {2}}};
  overall.methods = {*stats::method_position("mh")};
  if (with_lr) overall.methods.push_back(*stats::method_position("lr"));
  const double gmh_p[4] = {0.4321, 0.0123, 4.5e-7, 0.25};
  for (int j = 0; j < 4; ++j) {
    stats::OverallItem item;
    item.name = "q" + std::to_string(j + 1);
    item.range = j == 3 ? stats::ItemRange{0, 2, true} : stats::ItemRange{};
    item.n = 300 + j;
    overall_at(item, "gmh_p") = gmh_p[j];
    overall_at(item, "gmh_p_adjusted") = std::min(1.0, gmh_p[j] * 4);
    if (with_lr) {
      overall_at(item, "lr_p") = 0.5;
      overall_at(item, "lr_delta_r2") = 0.011;
      overall_at(item, "zumbo_thomas_class") = std::string("A");
      overall_at(item, "jodoin_gierl_class") = std::string(j == 2 ? "B" : "A");
    }
    item.flagged = j == 2;
    if (j == 3) {
      // Scores 0..2: group g's examinees all at score 1 at level 0, at score 2 at level 2.
      stats::LevelTable low(0, 2, 4, 0, 2), middle(3, 4, 4, 0, 2), high(5, 8, 4, 0, 2);
      for (std::size_t g = 0; g < 4; ++g) {
        low.count(g, 1) = 10;
        high.count(g, 2) = 10;
        if (g != 2) middle.count(g, 0) = 3;
      }
      low.used = high.used = true;
      item.levels = {low, middle, high};
    } else {
      item.levels = {level_of_groups(0, 3, {{2, 8}, {3, 7}, {1, 9}, {2, 8}}, true),
                     level_of_groups(4, 5, {{4, 4}, {5, 5}, {0, 0}, {3, 3}}, false),
                     level_of_groups(6, 9, {{9, 1}, {8, 2}, {7, 3}, {9, 1}}, true)};
    }
    overall.items.push_back(std::move(item));
  }
  analysis.overall = std::move(overall);
  return analysis;
}

RunDescription groups_facts(bool with_lr) {
  RunDescription run = facts();
  run.methods = {method_at("mh"), method_at("bd")};
  if (with_lr) run.methods.push_back(method_at("lr"));
  run.items = 4;
  return run;
}

/// The markup of the first element that opens with `opening` up to its end tag `closing`.
std::string element_from(const std::string& page, const std::string& opening,
                         const std::string& closing) {
  const std::size_t start = page.find(opening);
  if (start == std::string::npos) return {};
  const std::size_t end = page.find(closing, start);
  return page.substr(start,
                     end == std::string::npos ? std::string::npos : end + closing.size() - start);
}

using Rows = std::vector<std::pair<std::string, std::vector<std::string>>>;

/// Per <tr> of `table` with cells: its data-item (empty when it has none) and the text of each
/// of its <td>.
Rows table_rows(const std::string& table) {
  Rows rows;
  const std::regex row("<tr[^>]*>(.*?)</tr>");
  const std::regex item(" data-item=\"([^\"]*)\"");
  const std::regex cell("<td[^>]*>(.*?)</td>");
  const std::regex tag("<[^>]*>");
  for (auto it = std::sregex_iterator(table.begin(), table.end(), row);
       it != std::sregex_iterator(); ++it) {
    std::vector<std::string> cells;
    const std::string inside = (*it)[1];
    for (auto c = std::sregex_iterator(inside.begin(), inside.end(), cell);
         c != std::sregex_iterator(); ++c)
      cells.push_back(std::regex_replace((*c)[1].str(), tag, ""));
    if (cells.empty()) continue;
    const std::string opening = it->str().substr(0, it->str().find('>'));
    std::smatch name;
    rows.push_back({std::regex_search(opening, name, item) ? name[1].str() : "", cells});
  }
  return rows;
}

std::vector<std::string> header_texts(const std::string& table) {
  std::vector<std::string> headings;
  const std::regex heading("<th[^>]*>(.*?)</th>");
  const std::regex tag("<[^>]*>");
  for (auto it = std::sregex_iterator(table.begin(), table.end(), heading);
       it != std::sregex_iterator(); ++it)
    headings.push_back(std::regex_replace((*it)[1].str(), tag, ""));
  return headings;
}

TEST(HtmlReportGroups, OverallTableHoldsEveryItemWithItsGmhPFlaggedFirst) {
  for (const bool with_lr : {false, true}) {
    const std::string page = html_report(groups_facts(with_lr), groups_analysis(with_lr));
    const std::string table = element_from(page, "<table class=\"items overall\"", "</table>");
    ASSERT_FALSE(table.empty());
    const std::vector<std::string> expected_headings =
        with_lr ? std::vector<std::string>{"Item", "n", "GMH p", "p adj", "LR p", "dR\u00b2", "ZT",
                                           "JG", "Flagged", "Note"}
                : std::vector<std::string>{"Item", "n", "GMH p", "p adj", "Flagged", "Note"};
    EXPECT_EQ(header_texts(table), expected_headings) << "with lr " << with_lr;
    const auto rows = table_rows(table);
    ASSERT_EQ(rows.size(), 4u);
    // q3, flagged overall, first; the others in item order.
    const std::vector<std::string> names = {"q3", "q1", "q2", "q4"};
    const std::vector<std::string> gmh_p = {"4.50e-07", "0.432", "0.012", "0.250"};
    const std::vector<std::string> n = {"302", "300", "301", "303"};
    for (std::size_t r = 0; r < rows.size(); ++r) {
      EXPECT_EQ(rows[r].first, names[r]);
      ASSERT_GE(rows[r].second.size(), 4u);
      EXPECT_EQ(rows[r].second[0], names[r]);
      EXPECT_EQ(rows[r].second[1], n[r]);
      EXPECT_EQ(rows[r].second[2], gmh_p[r]);
      EXPECT_EQ(rows[r].second[rows[r].second.size() - 2], r == 0 ? "yes" : "");
    }
    if (with_lr) {
      EXPECT_EQ(rows[0].second[7], "B");  // JG of q3
    }
  }
}

TEST(HtmlReportGroups, ClassTableShowsEachComparisonSideBySide) {
  const std::string page = html_report(groups_facts(false), groups_analysis(false));
  const std::string table = element_from(page, "<table class=\"items classes\"", "</table>");
  ASSERT_FALSE(table.empty());
  // A heading per comparison in the focal groups' order, each over its ETS and D-DIF columns.
  const std::vector<std::string> headings = header_texts(table);
  EXPECT_EQ(headings, (std::vector<std::string>{"Item", "B", "&lt;C&gt;", "D", "Flagged", "ETS",
                                                "D-DIF", "ETS", "D-DIF", "ETS", "D-DIF"}));
  EXPECT_EQ(attribute_values(table, "class=\"comparison\"", "colspan"),
            (std::vector<std::string>(3, "2")));
  const auto rows = table_rows(table);
  ASSERT_EQ(rows.size(), 4u);
  // Flagged in a comparison (q2, against D) or overall (q3) first, then item order.
  std::vector<std::string> order;
  for (const auto& row : rows) order.push_back(row.first);
  EXPECT_EQ(order, (std::vector<std::string>{"q2", "q3", "q1", "q4"}));
  const std::vector<std::string> q2 = rows[0].second;
  EXPECT_EQ(q2, (std::vector<std::string>{"q2", kUndefinedText, kUndefinedText, "A", "0.90",
                                          "C-", "-1.90", "D"}));
  EXPECT_EQ(rows[1].second.back(), "overall");
  EXPECT_EQ(rows[3].second, (std::vector<std::string>{"q4", "AA", "0.10", "AA", "-0.60", "AA",
                                                       "0.35", ""}));
  // The class cells name their comparison; only q2's C- against D is framed as flagged.
  EXPECT_EQ(attribute_values(table, "class=\"cls ", "data-focal"),
            (std::vector<std::string>{"B", "&lt;C&gt;", "D", "B", "&lt;C&gt;", "D", "B",
                                      "&lt;C&gt;", "D", "B", "&lt;C&gt;", "D"}));
  EXPECT_EQ(count(table, "flagged\" data-focal=\"D\">C-</td>"), 1u);
  EXPECT_EQ(count(table, " flagged\" data-focal"), 1u);
}

TEST(ComparisonsDifPlot, OneMarkPerItemAndComparisonInItsGroupsColour) {
  const stats::DifAnalysis analysis = groups_analysis(false);
  const ComparisonsDifPlot plot = comparisons_dif_plot(analysis.comparisons);
  // A legend entry per focal group, in order and coloured as its marks.
  EXPECT_EQ(attribute_values(plot.svg, "legend-entry", "data-focal"),
            (std::vector<std::string>{"B", "&lt;C&gt;", "D"}));
  EXPECT_EQ(attribute_values(plot.svg, "legend-entry", "class"),
            (std::vector<std::string>{"legend-entry group-1", "legend-entry group-2",
                                      "legend-entry group-3"}));
  // Eleven marks: four items in three comparisons but q2 against B.
  const std::vector<std::string> focal =
      attribute_values(plot.svg, "class=\"dif-mark", "data-focal");
  EXPECT_EQ(focal, (std::vector<std::string>{"B", "&lt;C&gt;", "D",               // q1
                                             "&lt;C&gt;", "D",                    // q2
                                             "B", "&lt;C&gt;", "D",               // q3
                                             "B", "&lt;C&gt;", "D"}));            // q4
  const std::vector<std::string> groups = attribute_values(plot.svg, "class=\"dif-mark", "class");
  ASSERT_EQ(groups.size(), 11u);
  EXPECT_EQ(groups[0], "dif-mark group-1");
  EXPECT_EQ(groups[4], "dif-mark group-3");
  const std::vector<std::string> d = attribute_values(plot.svg, "class=\"d-mark", "data-d");
  ASSERT_EQ(d.size(), 11u);
  EXPECT_EQ(std::strtod(d[3].c_str(), nullptr), 0.9);   // q2 against <C>
  EXPECT_EQ(std::strtod(d[4].c_str(), nullptr), -1.9);  // q2 against D
  EXPECT_EQ(plot.absent, (std::vector<std::vector<std::size_t>>{{1}, {}, {}}));
  // Intervals for the 0/1 items only: q4 is polytomous.
  EXPECT_EQ(count(plot.svg, "class=\"interval\""), 8u);
  // Within a row the comparisons' marks stand one below the other in their order.
  const std::vector<std::string> cy = attribute_values(plot.svg, "class=\"d-mark cls", "cy");
  EXPECT_LT(std::strtod(cy[0].c_str(), nullptr), std::strtod(cy[1].c_str(), nullptr));
  EXPECT_LT(std::strtod(cy[1].c_str(), nullptr), std::strtod(cy[2].c_str(), nullptr));
  EXPECT_LT(std::strtod(cy[2].c_str(), nullptr), std::strtod(cy[5].c_str(), nullptr));
  EXPECT_EQ(count(plot.svg, "band-edge"), 4u);
  EXPECT_EQ(count(plot.svg, "class=\"dif-row flagged\""), 1u);  // q2, flagged against D
}

TEST(ComparisonsDifPlot, AnItemWithoutAnyDDifKeepsItsRowLabelled) {
  stats::DifAnalysis analysis = groups_analysis(false);
  for (stats::Comparison& comparison : analysis.comparisons) set_mh(comparison.items[0], {});
  set_cell(analysis.comparisons[1].items[2], "mh_d_dif", kInfinity);
  const ComparisonsDifPlot plot = comparisons_dif_plot(analysis.comparisons);
  EXPECT_EQ(count(plot.svg, "D-DIF undefined"), 1u);
  EXPECT_EQ(plot.absent, (std::vector<std::vector<std::size_t>>{{0, 1}, {0}, {0}}));
  EXPECT_EQ(count(plot.svg, "nan"), 0u);
  EXPECT_GE(count(plot.svg, "clip-mark"), 1u);
}

TEST(GroupColours, EveryGroupOfAPageHasItsOwnColourAndTheReferenceKeepsItsBlue) {
  for (std::size_t g = 0; g < 9; ++g)
    for (std::size_t h = g + 1; h < 9; ++h)
      EXPECT_STRNE(group_colour(g), group_colour(h)) << g << " " << h;
  // A one-focal page draws the reference group in the colour it has among several.
  const std::string page = html_report(facts(), analysis_of(three_items()));
  EXPECT_NE(page.find(std::string("svg.curve-plot .reference .curve { stroke: ") +
                      group_colour(0) + "; }"),
            std::string::npos);
  EXPECT_NE(page.find(std::string("svg.curve-plot .focal .curve { stroke: ") + group_colour(1)),
            std::string::npos);
  const std::string rules = group_colour_rules(4);
  EXPECT_EQ(count(rules, "--group-colour"), 4u);
  EXPECT_NE(rules.find(".group-3 { --group-colour: " + std::string(group_colour(3)) + "; }"),
            std::string::npos);
}

GroupsCurveContext groups_context() {
  GroupsCurveContext context;
  context.groups = {"R&D", "B", "<C>", "D"};
  return context;
}

TEST(GroupsCurvePlot, OneLinePerGroupBrokenWhereTheGroupHasNoExaminee) {
  const stats::DifAnalysis analysis = groups_analysis(false);
  const std::string svg = groups_curve_plot(analysis.overall->items[0], groups_context());
  EXPECT_EQ(attribute_values(svg, "class=\"group ", "class"),
            (std::vector<std::string>{"group group-0", "group group-1", "group group-2",
                                      "group group-3"}));
  const std::vector<std::string> paths = attribute_values(svg, "<path class=\"curve\"", "d");
  ASSERT_EQ(paths.size(), 4u);
  // Two used levels joined across the unused middle one; "<C>" has nobody there: a gap.
  for (std::size_t g = 0; g < 4; ++g) {
    EXPECT_EQ(count(paths[g], "M"), g == 2 ? 2u : 1u) << paths[g];
    EXPECT_EQ(count(paths[g], "L"), g == 2 ? 0u : 1u) << paths[g];
  }
  // A point per level with examinees: 3 + 3 + 2 + 3, the middle ones hollow.
  EXPECT_EQ(count(svg, "class=\"point"), 11u);
  EXPECT_EQ(count(svg, "class=\"point unused\""), 3u);
  EXPECT_NE(svg.find("scores 4\u20135: focal B 5 of 10 correct (0.50); level not used"),
            std::string::npos);
  EXPECT_NE(svg.find("scores 0\u20133: focal &lt;C&gt; 1 of 10 correct (0.10)"), std::string::npos);
  // A legend line per group.
  EXPECT_EQ(count(svg, "class=\"legend group-"), 4u);
  EXPECT_NE(svg.find(">reference R&amp;D</text>"), std::string::npos);
  EXPECT_EQ(count(svg, "<polyline"), 0u);
}

TEST(GroupsCurvePlot, APolytomousItemRunsOverItsScaleWithMeanScores) {
  const stats::DifAnalysis analysis = groups_analysis(false);
  const std::string svg = groups_curve_plot(analysis.overall->items[3], groups_context());
  EXPECT_NE(svg.find("text-anchor=\"end\">2.0</text>"), std::string::npos) << svg;
  EXPECT_NE(svg.find("text-anchor=\"end\">0.0</text>"), std::string::npos);
  EXPECT_EQ(svg.find("text-anchor=\"end\">2.5</text>"), std::string::npos);
  EXPECT_NE(svg.find("scores 0\u20132: reference R&amp;D 10 examinees, mean item score 1.00"),
            std::string::npos);
  // Every group's line starts at mean 1, half-way up, and ends at 2, the top of the frame.
  for (const std::string& path : attribute_values(svg, "<path class=\"curve\"", "d")) {
    const std::regex vertex("[ML]([-0-9.]+),([-0-9.]+)");
    std::vector<double> y;
    for (auto it = std::sregex_iterator(path.begin(), path.end(), vertex);
         it != std::sregex_iterator(); ++it)
      y.push_back(std::stod((*it)[2]));
    ASSERT_EQ(y.size(), 2u) << path;
    EXPECT_GT(y[0], y[1]);  // pixels grow downwards
  }
}

TEST(GroupsCurveFigure, CaptionClassesAndTheCountsOfEveryGroup) {
  const stats::DifAnalysis analysis = groups_analysis(false);
  const std::string figure = groups_curve_figure(analysis, 1, groups_context());
  EXPECT_NE(figure.find("id=\"item-1\""), std::string::npos);
  EXPECT_NE(figure.find("GMH p 0.012"), std::string::npos);
  EXPECT_NE(figure.find("flagged: D"), std::string::npos);
  EXPECT_EQ(attribute_values(figure, "class=\"comparison-class\"", "data-focal"),
            (std::vector<std::string>{"B", "&lt;C&gt;", "D"}));
  // The counts table: a column per group and a row per level, "<C>" with nobody in the middle.
  const std::string table = element_from(figure, "<table class=\"level-counts\"", "</table>");
  EXPECT_EQ(header_texts(table),
            (std::vector<std::string>{"Score", "R&amp;D", "B", "&lt;C&gt;", "D"}));
  const Rows rows = table_rows(table);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].second, (std::vector<std::string>{"0\u20133", "10", "10", "10", "10"}));
  EXPECT_EQ(rows[1].second, (std::vector<std::string>{"4\u20135", "8", "10", "0", "6"}));
  EXPECT_EQ(rows[2].second, (std::vector<std::string>{"6\u20139", "10", "10", "10", "10"}));
  EXPECT_EQ(count(table, "class=\"unused\""), 1u);
  // Unflagged anywhere: no flag and no non-uniform line.
  const std::string q1 = groups_curve_figure(analysis, 0, groups_context());
  EXPECT_EQ(q1.find("flagged"), std::string::npos);
  EXPECT_EQ(q1.find("Non-uniform"), std::string::npos);
}

TEST(HtmlReportGroups, APageOfSeveralFocalGroupsHasOnePlotAndEveryGroupsCurves) {
  const std::string page = html_report(groups_facts(true), groups_analysis(true));
  EXPECT_EQ(count(page, "<table class=\"items overall\""), 1u);
  EXPECT_EQ(count(page, "<table class=\"items classes\""), 1u);
  EXPECT_EQ(count(page, "<table class=\"items\""), 3u);  // every comparison's own, kept
  EXPECT_EQ(count(page, "class=\"dif-plot\""), 1u);
  EXPECT_EQ(count(page, "class=\"d-mark "), 11u);
  EXPECT_EQ(count(page, "class=\"legend-entry "), 3u);
  EXPECT_EQ(count(page, "class=\"curve-plot\""), 4u);
  EXPECT_EQ(count(page, "<path class=\"curve\""), 16u);
  for (const char* id : {"id=\"overall\"", "id=\"classes\"", "id=\"dif-plot\"", "id=\"curves\"",
                         "id=\"comparison-3\"", "id=\"items-2\"", "id=\"dif-plot-3\""})
    EXPECT_EQ(count(page, id), 1u) << id;
  // The curves follow the classes table's order: flagged anywhere first.
  EXPECT_EQ(attribute_values(page, "class=\"curve-plot\"", "data-item"),
            (std::vector<std::string>{"q2", "q3", "q1", "q4"}));
  // The items without a mark are named under the plot.
  EXPECT_NE(page.find("Not plotted for focal \u201cB\u201d, D-DIF undefined: q2 (too few in B)"),
            std::string::npos);
  // The groups' colours, on this page only.
  EXPECT_NE(page.find(".group-3 { --group-colour: "), std::string::npos);
  EXPECT_NE(page.find("3 comparisons, 1 flags, 1 flagged overall"), std::string::npos);
  // A flagged item's figure gives the overall non-uniform test when lr ran.
  EXPECT_NE(page.find("Non-uniform DIF over every group: logistic regression p = "),
            std::string::npos);
  EXPECT_EQ(count(page, "<script"), 0u);
  EXPECT_EQ(count(page, "https://"), 0u);
}

TEST(HtmlReportGroups, OneFocalGroupKeepsItsPageWithoutGroupColours) {
  const std::string page = html_report(facts(), analysis_of(three_items()));
  EXPECT_EQ(count(page, "<style>"), 1u);
  EXPECT_EQ(count(page, "group-"), 0u);
  EXPECT_EQ(count(page, "legend-entry"), 0u);
  EXPECT_EQ(count(page, "class=\"items overall\""), 0u);
  EXPECT_EQ(count(page, "class=\"items classes\""), 0u);
  EXPECT_EQ(count(page, "<details"), 0u);
  EXPECT_EQ(count(page, "flagged overall"), 0u);
  // Its one focal group's curves: a legend of the two groups and a polyline each.
  EXPECT_EQ(count(page, "<polyline class=\"curve\""), 6u);
  EXPECT_EQ(count(page, "class=\"legend reference\""), 3u);
}

TEST(HtmlReportGroups, SeveralComparisonsWithoutOverallValuesStillGiveAPage) {
  stats::DifAnalysis analysis = groups_analysis(false);
  analysis.overall.reset();
  const std::string page = html_report(groups_facts(false), analysis);
  EXPECT_EQ(count(page, "class=\"items overall\""), 0u);
  EXPECT_EQ(count(page, "class=\"items classes\""), 1u);
  EXPECT_EQ(count(page, "class=\"dif-plot\""), 1u);
  // The curves of the first comparison, as its levels hold them (none here).
  EXPECT_EQ(count(page, "class=\"curve-plot\""), 4u);
  EXPECT_NE(page.find("The curves are those of the first comparison"), std::string::npos);
}

}  // namespace

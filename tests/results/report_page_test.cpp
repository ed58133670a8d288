// report.html and its plots, read back from the markup: what each plot draws, that user texts
// stay text, and that odd analyses (undefined, infinite, many levels) still give a page.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <regex>
#include <string>
#include <vector>

#include "results/curve_plot.hpp"
#include "results/dif_plot.hpp"
#include "results/html_report.hpp"
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

}  // namespace

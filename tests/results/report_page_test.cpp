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
#include "results/run_facts.hpp"
#include "stats/dif_analysis.hpp"

namespace {

using namespace itemdif;
using namespace itemdif::results;

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

/// An item with four levels of counts, the third one not used.
stats::ItemResult item_with_levels(std::string name, double d_dif, double se) {
  stats::ItemResult item;
  item.name = std::move(name);
  item.mh.d_dif = d_dif;
  item.mh.d_dif_se = se;
  item.mh.ets_class = std::fabs(d_dif) >= 1.5 ? (d_dif < 0 ? "C-" : "C+") : "A";
  item.levels = {{0, 1, 3, 7, 2, 8, true},
                 {2, 3, 10, 10, 8, 12, true},
                 {4, 4, 5, 0, 4, 0, false},
                 {5, 6, 18, 2, 15, 5, true}};
  return item;
}

stats::DifAnalysis three_items() {
  stats::DifAnalysis analysis;
  analysis.items = {item_with_levels("q1", 0.25, 0.3), item_with_levels(kHostile, -2.1, 0.4),
                    item_with_levels("q3", 0.1 + 0.2, 0.2)};
  analysis.items[1].flagged = true;
  analysis.rounds = {{1, {1}}};
  analysis.converged = true;
  return analysis;
}

RunFacts facts() {
  RunFacts run;
  run.version = "1.0.0";
  run.command = "analyze";
  run.input = "data <&>.csv";
  run.methods = {"mh", "bd"};
  run.reference = {"R&D", 50};
  run.focal = {"<F>", 50};
  return run;
}

TEST(DifPlot, EveryDefinedItemIsAPointAtItsExactValue) {
  const stats::DifAnalysis analysis = three_items();
  const DifPlot plot = dif_plot(analysis);
  const std::vector<std::string> d = attribute_values(plot.svg, "d-point", "data-d");
  ASSERT_EQ(d.size(), 3u);
  for (std::size_t j = 0; j < 3; ++j) EXPECT_EQ(std::strtod(d[j].c_str(), nullptr), *analysis.items[j].mh.d_dif);
  EXPECT_TRUE(plot.absent.empty());
  EXPECT_EQ(count(plot.svg, "d-point cls-C"), 1u);
  EXPECT_EQ(count(plot.svg, "class=\"interval\""), 3u);
  EXPECT_EQ(count(plot.svg, "class=\"dif-row flagged\""), 1u);
  EXPECT_EQ(count(plot.svg, "band-edge"), 4u);
}

TEST(DifPlot, UndefinedAndInfiniteValuesNeverBecomeCoordinates) {
  stats::DifAnalysis analysis = three_items();
  analysis.items[0].mh.d_dif.reset();              // no D-DIF at all
  analysis.items[1].mh.d_dif = kInfinity;          // an odds ratio of 0
  analysis.items[2].mh.d_dif = kNaN;
  analysis.items[2].mh.d_dif_se = kInfinity;
  const DifPlot plot = dif_plot(analysis);
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
  stats::DifAnalysis analysis = three_items();
  analysis.items[0].mh.d_dif_se = 50;  // an interval of +-98
  const DifPlot plot = dif_plot(analysis);
  EXPECT_EQ(count(plot.svg, "clip-mark"), 2u);
  const std::vector<std::string> d = attribute_values(plot.svg, "d-point", "cx");
  ASSERT_EQ(d.size(), 3u);
  // The C- item at -2.1 stays well apart from the one at 0.25 (not squeezed by +-98).
  EXPECT_GT(std::strtod(d[0].c_str(), nullptr) - std::strtod(d[1].c_str(), nullptr), 100);
}

TEST(CurvePlot, OnePointPerGroupAndLevelWithTheCountsInItsTitle) {
  const stats::ItemResult item = item_with_levels("q1", 0.2, 0.1);
  const std::string svg = curve_plot(item, {"R", "F", false, false});
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
  stats::ItemResult item;
  item.name = "long";
  double reference_total = 0;
  for (int score = 0; score < 301; ++score) {
    const bool used = score >= 5 && score <= 290;
    item.levels.push_back({score, score, double(score % 7), 3, double(score % 5), 1, used});
    reference_total += score % 7 + 3;
  }
  const std::string svg = curve_plot(item, {"R", "F", false, false});
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
  const std::string figure = curve_figure(item, 0, {"R", "F", false, false});
  EXPECT_NE(figure.find("301 levels shown as"), std::string::npos);
}

TEST(CurvePlot, LevelsWithoutExamineesOrWithBrokenCountsAreLeftOut) {
  stats::ItemResult item = item_with_levels("q", 0.1, 0.1);
  item.levels[0].reference_correct = 0;
  item.levels[0].reference_incorrect = 0;
  item.levels[1].focal_correct = kNaN;
  const std::string svg = curve_plot(item, {"R", "F", false, false});
  EXPECT_EQ(count(svg, "<circle class=\"point"), 3u);
  EXPECT_EQ(count(svg, "<rect class=\"point"), 3u);

  stats::ItemResult empty;
  empty.name = "none";
  EXPECT_NE(curve_plot(empty, {"R", "F", false, false}).find("no examinees in any level"), std::string::npos);
}

TEST(CurveFigure, FlaggedItemsNoteTheNonUniformTestsThatRan) {
  stats::ItemResult item = item_with_levels("q", -2.0, 0.3);
  item.flagged = true;
  item.bd.p = 0.0004;
  item.lr.nonuniform_p = 0.2;
  EXPECT_NE(curve_figure(item, 3, {"R", "F", true, true}).find(
                "Breslow-Day p = 4.00e-04; logistic regression non-uniform p = 0.200"),
            std::string::npos);
  EXPECT_NE(curve_figure(item, 3, {"R", "F", false, false}).find("Non-uniform DIF not tested"),
            std::string::npos);
  item.flagged = false;
  EXPECT_EQ(curve_figure(item, 3, {"R", "F", true, true}).find("Non-uniform"), std::string::npos);
  EXPECT_NE(curve_figure(item, 3, {"R", "F", true, true}).find("id=\"item-3\""), std::string::npos);
}

TEST(HtmlReport, UserTextsStayTextAndNothingComesFromElsewhere) {
  const std::string page = html_report(facts(), three_items());
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
  const std::string page = html_report(facts(), three_items());
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
  EXPECT_NE(page.find("Breslow-Day"), std::string::npos);
}

TEST(HtmlReport, AnAnalysisOfUndefinedValuesStillGivesAPage) {
  stats::DifAnalysis analysis = three_items();
  for (stats::ItemResult& item : analysis.items) {
    item.mh = {};
    item.mh.d_dif = -kInfinity;
    item.mh.chi_square = kNaN;
    item.bd.p = kNaN;
    item.levels.clear();
  }
  const std::string page = html_report(facts(), analysis);
  EXPECT_EQ(count(page, "class=\"curve-plot\""), 3u);
  EXPECT_EQ(count(page, "nan"), 0u);
}

TEST(HtmlReport, ThreeHundredItemsKeepOneCurvePlotEachAndAModestSize) {
  stats::DifAnalysis analysis;
  for (int j = 0; j < 300; ++j) {
    stats::ItemResult item;
    item.name = "i" + std::to_string(j + 1);
    item.mh.d_dif = (j % 25 == 0) ? -1.8 : 0.01 * (j % 40) - 0.2;
    item.mh.d_dif_se = 0.2;
    item.mh.ets_class = j % 25 == 0 ? "C-" : "A";
    item.flagged = j % 25 == 0;
    for (int score = 0; score <= 300; ++score)
      item.levels.push_back({score, score, 4, 4, 3, 5, score > 2 && score < 298});
    analysis.items.push_back(std::move(item));
  }
  const std::string page = html_report(facts(), analysis);
  EXPECT_EQ(count(page, "class=\"curve-plot\""), 300u);
  EXPECT_EQ(count(page, "class=\"d-point"), 300u);
  EXPECT_LT(page.size(), 8u << 20);  // a page a browser opens at once
}

}  // namespace

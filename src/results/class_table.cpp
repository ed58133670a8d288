// The table of every comparison's classes in the HTML report.
#include "results/class_table.hpp"

#include <string>

#include "results/group_colours.hpp"
#include "results/report_numbers.hpp"

namespace itemdif::results {
namespace {

const stats::ItemResult* item_of(const stats::Comparison& comparison, std::size_t j) {
  return j < comparison.items.size() ? &comparison.items[j] : nullptr;
}

void write_heading(MarkupWriter& page, const stats::DifAnalysis& analysis) {
  page.open("thead");
  page.open("tr");
  page.element("th", {{"rowspan", 2}, {"title", "the item's column name"}}, "Item");
  for (std::size_t k = 0; k < analysis.comparisons.size(); ++k) {
    const std::string& focal = analysis.comparisons[k].focal;
    page.open("th", {{"colspan", 2},
                     {"class", "comparison"},
                     {"title", "reference \u201c" + analysis.reference.value +
                                   "\u201d against focal \u201c" + focal + "\u201d"}});
    page.element("span", {{"class", "swatch " + group_css(k + 1)}}, "");
    page.text(focal);
    page.close();
  }
  page.element("th",
               {{"rowspan", 2},
                {"title", "the comparisons and the overall test that flag the item"}},
               "Flagged");
  page.close();
  page.open("tr");
  for (std::size_t k = 0; k < analysis.comparisons.size(); ++k) {
    page.element("th", {{"title", "ETS class"}}, "ETS");
    page.element("th", {{"title", "MH D-DIF (Liu-Agresti D-DIF of a polytomous item)"}}, "D-DIF");
  }
  page.close();
  page.close();
}

}  // namespace

void write_class_table(MarkupWriter& page, const stats::DifAnalysis& analysis,
                       const std::vector<std::size_t>& order) {
  page.open("table", {{"class", "items classes"}});
  write_heading(page, analysis);
  page.open("tbody");
  page.line_break();
  for (const std::size_t j : order) {
    std::string name, flagged_in;
    for (const stats::Comparison& comparison : analysis.comparisons)
      if (const stats::ItemResult* item = item_of(comparison, j)) {
        if (name.empty()) name = item->name;
        if (item->flagged) flagged_in += (flagged_in.empty() ? "" : ", ") + comparison.focal;
      }
    if (analysis.overall && j < analysis.overall->items.size() &&
        analysis.overall->items[j].flagged)
      flagged_in += (flagged_in.empty() ? "" : ", ") + std::string("overall");
    page.open("tr", {{"class", flagged_in.empty() ? "unflagged" : "flagged"}, {"data-item", name}});
    page.open("td", {{"class", "item"}});
    page.element("a", {{"href", "#item-" + std::to_string(j)}}, name);
    page.close();
    for (const stats::Comparison& comparison : analysis.comparisons) {
      const stats::ItemResult* item = item_of(comparison, j);
      const std::string ets_class = item ? item->text("ets_class") : std::string();
      const bool flagged = item && item->flagged;
      page.element("td", {{"class", "cls " + class_css(ets_class) + (flagged ? " flagged" : "")},
                          {"data-focal", comparison.focal}},
                   ets_class.empty() ? kUndefinedText : ets_class);
      page.element("td", {{"class", "num"}},
                   decimal_text(item ? item->number("mh_d_dif") : std::nullopt, 2));
    }
    page.element("td", {{"class", "flag"}}, flagged_in);
    page.close();
    page.line_break();
  }
  page.close();
  page.close();
  page.line_break();
}

}  // namespace itemdif::results

// The overall table of the HTML report.
#include "results/overall_table.hpp"

#include <span>
#include <string>

#include "results/item_table.hpp"
#include "stats/method_list.hpp"

namespace itemdif::results {

void write_overall_table(MarkupWriter& page, const stats::OverallAnalysis& overall,
                         const std::vector<std::size_t>& order) {
  const std::vector<stats::MethodColumn> shown = stats::method_columns(
      overall.methods, [](const stats::Column& c) { return !c.heading.empty(); }, true);

  page.open("table", {{"class", "items overall"}});
  page.open("thead");
  page.open("tr");
  page.element("th", {{"title", "the item's column name"}}, "Item");
  page.element("th", {{"title", "examinees of every group who answered the item"}}, "n");
  for (const stats::MethodColumn& c : shown)
    page.element("th", {{"title", std::string(c.column->title)}}, c.column->heading);
  page.element("th", {{"title", "flagged by the overall test in its last round"}}, "Flagged");
  page.element("th", {{"title", "why values are undefined"}}, "Note");
  page.close();
  page.close();
  page.open("tbody");
  page.line_break();
  for (const std::size_t j : order) {
    const stats::OverallItem& item = overall.items[j];
    page.open("tr", {{"class", item.flagged ? "flagged" : "unflagged"}, {"data-item", item.name}});
    page.open("td", {{"class", "item"}});
    page.element("a", {{"href", "#item-" + std::to_string(j)}}, item.name);
    page.close();
    page.element("td", {{"class", "num"}}, std::to_string(item.n));
    for (const stats::MethodColumn& c : shown)
      write_value_cell(page, *c.column, item.cell(c.place.method, c.place.column));
    page.element("td", {{"class", "flag"}}, item.flagged ? "yes" : "");
    page.element("td", {{"class", "note"}}, item.note);
    page.close();
    page.line_break();
  }
  page.close();
  page.close();
  page.line_break();
}

}  // namespace itemdif::results

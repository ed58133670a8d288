// The item table of the HTML report.
#include "results/item_table.hpp"

#include <string>

#include "results/report_numbers.hpp"
#include "stats/method_list.hpp"

namespace itemdif::results {
namespace {

struct Heading {
  std::string text;
  std::string title;  ///< what the column holds, shown on hover
};

void write_heading(MarkupWriter& page, const std::vector<stats::MethodColumn>& columns) {
  std::vector<Heading> headings = {
      {"Item", "the item's column name"},
      {"n ref", "examinees of the reference group who answered the item"},
      {"n focal", "examinees of the focal group who answered the item"},
      {"p ref", "proportion correct, reference group"},
      {"p focal", "proportion correct, focal group"}};
  for (const stats::MethodColumn& shown : columns)
    headings.push_back({std::string(shown.column->heading), std::string(shown.column->title)});
  headings.push_back({"Flagged", "flagged by the flag rule in the last round"});
  headings.push_back({"Note", "why values are undefined"});

  page.open("thead");
  page.open("tr");
  for (const Heading& h : headings) page.element("th", {{"title", h.title}}, h.text);
  page.close();
  page.close();
}

void number_cell(MarkupWriter& page, const std::string& text) {
  page.element("td", {{"class", "num"}}, text);
}

void class_cell(MarkupWriter& page, const std::string& dif_class) {
  page.element("td", {{"class", "cls " + class_css(dif_class)}},
               dif_class.empty() ? kUndefinedText : dif_class);
}

void value_cell(MarkupWriter& page, const stats::MethodColumn& shown,
                const stats::ItemResult& item) {
  write_value_cell(page, *shown.column, item.cell(shown.place.method, shown.place.column));
}

void write_row(MarkupWriter& page, const stats::ItemResult& item, std::size_t index,
               const std::vector<stats::MethodColumn>& columns) {
  page.open("tr", {{"class", item.flagged ? "flagged" : "unflagged"}, {"data-item", item.name}});
  page.open("td", {{"class", "item"}});
  page.element("a", {{"href", "#item-" + std::to_string(index)}}, item.name);
  page.close();
  number_cell(page, std::to_string(item.n_reference));
  number_cell(page, std::to_string(item.n_focal));
  number_cell(page, decimal_text(item.mean_reference, 3));
  number_cell(page, decimal_text(item.mean_focal, 3));
  for (const stats::MethodColumn& shown : columns) value_cell(page, shown, item);
  page.element("td", {{"class", "flag"}}, item.flagged ? "yes" : "");
  page.element("td", {{"class", "note"}}, item.note);
  page.close();
  page.line_break();
}

}  // namespace

void write_value_cell(MarkupWriter& page, const stats::Column& column, const stats::Cell& value) {
  switch (column.kind) {
    case stats::ColumnKind::dif_class:
      class_cell(page, stats::cell_text(value));
      return;
    case stats::ColumnKind::p_value:
      number_cell(page, p_value_text(stats::cell_number(value)));
      return;
    case stats::ColumnKind::number:
    case stats::ColumnKind::whole:
      number_cell(page, decimal_text(stats::cell_number(value), column.decimals));
      return;
  }
}

void write_item_table(MarkupWriter& page, const RunDescription& run,
                      const stats::Comparison& comparison, const std::vector<std::size_t>& order) {
  const std::vector<stats::MethodColumn> columns = stats::method_columns(
      run.methods, [](const stats::Column& c) { return !c.heading.empty(); });
  page.open("table", {{"class", "items"}});
  write_heading(page, columns);
  page.open("tbody");
  page.line_break();
  for (std::size_t j : order) write_row(page, comparison.items[j], j, columns);
  page.close();
  page.close();
  page.line_break();
}

}  // namespace itemdif::results

// The item table of the HTML report.
#include "results/item_table.hpp"

#include <string>

#include "results/report_numbers.hpp"

namespace itemdif::results {
namespace {

struct Heading {
  const char* text;
  const char* title;  ///< what the column holds, shown on hover
};

void write_heading(MarkupWriter& page, const stats::Methods& methods) {
  std::vector<Heading> headings = {
      {"Item", "the item's column name"},
      {"n ref", "examinees of the reference group who answered the item"},
      {"n focal", "examinees of the focal group who answered the item"},
      {"p ref", "proportion correct, reference group"},
      {"p focal", "proportion correct, focal group"},
      {"MH D-DIF", "-2.35 ln(MH alpha); below 0 the item favours the reference group"},
      {"SE", "standard error of MH D-DIF"},
      {"MH p", "continuity-corrected Mantel-Haenszel chi-square, upper tail"},
      {"p adj", "MH p adjusted across the items"},
      {"ETS", "ETS class from MH D-DIF"}};
  if (methods.standardization) {
    headings.push_back({"STD P-DIF", "standardized difference of proportions correct"});
    headings.push_back({"STD", "class from STD P-DIF"});
  }
  if (methods.breslow_day) headings.push_back({"BD p", "Breslow-Day homogeneity of the odds ratios"});
  if (methods.logistic_regression) {
    headings.push_back({"LR p", "logistic regression, 2 df likelihood-ratio test"});
    headings.push_back({"LR p adj", "LR p adjusted across the items"});
    headings.push_back({"ZT", "Zumbo-Thomas class from the R\u00b2 difference"});
    headings.push_back({"JG", "Jodoin-Gierl class from the R\u00b2 difference"});
  }
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

void write_row(MarkupWriter& page, const stats::ItemResult& item, std::size_t index,
               const stats::Methods& methods) {
  page.open("tr", {{"class", item.flagged ? "flagged" : "unflagged"}, {"data-item", item.name}});
  page.open("td", {{"class", "item"}});
  page.element("a", {{"href", "#item-" + std::to_string(index)}}, item.name);
  page.close();
  number_cell(page, std::to_string(item.n_reference));
  number_cell(page, std::to_string(item.n_focal));
  number_cell(page, decimal_text(item.p_reference, 3));
  number_cell(page, decimal_text(item.p_focal, 3));
  number_cell(page, decimal_text(item.mh.d_dif, 3));
  number_cell(page, decimal_text(item.mh.d_dif_se, 3));
  number_cell(page, p_value_text(item.mh.p));
  number_cell(page, p_value_text(item.mh.p_adjusted));
  class_cell(page, item.mh.ets_class);
  if (methods.standardization) {
    number_cell(page, decimal_text(item.std_dif.p_dif, 3));
    class_cell(page, item.std_dif.std_class);
  }
  if (methods.breslow_day) number_cell(page, p_value_text(item.bd.p));
  if (methods.logistic_regression) {
    number_cell(page, p_value_text(item.lr.p));
    number_cell(page, p_value_text(item.lr.p_adjusted));
    class_cell(page, item.lr.zumbo_thomas_class);
    class_cell(page, item.lr.jodoin_gierl_class);
  }
  page.element("td", {{"class", "flag"}}, item.flagged ? "yes" : "");
  page.element("td", {{"class", "note"}}, item.note);
  page.close();
  page.line_break();
}

}  // namespace

void write_item_table(MarkupWriter& page, const stats::DifAnalysis& analysis,
                      const std::vector<std::size_t>& order, const stats::Methods& methods) {
  page.open("table", {{"class", "items"}});
  write_heading(page, methods);
  page.open("tbody");
  page.line_break();
  for (std::size_t j : order) write_row(page, analysis.items[j], j, methods);
  page.close();
  page.close();
  page.line_break();
}

}  // namespace itemdif::results

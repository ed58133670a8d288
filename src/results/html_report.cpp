// report.html: a first page with the item table only; the plots follow.
#include "results/html_report.hpp"

namespace itemdif::results {
namespace {

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

std::string html_report(const RunFacts& run, const stats::DifAnalysis& analysis) {
  std::string page = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>itemdif: " +
                     escaped(run.input) + "</title></head><body>\n<table>\n";
  for (const stats::ItemResult& item : analysis.items)
    page += "<tr><td>" + escaped(item.name) + "</td><td>" + escaped(item.mh.ets_class) +
            "</td></tr>\n";
  page += "</table>\n</body></html>\n";
  return page;
}

}  // namespace itemdif::results

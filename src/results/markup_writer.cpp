// The markup writer of the HTML report and its SVG plots.
#include "results/markup_writer.hpp"

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace itemdif::results {

std::string escape_markup(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string svg_number(double value) {
  if (!(std::fabs(value) <= kLargestCoordinate))
    throw std::invalid_argument("svg_number: value is not finite or beyond any drawing");
  // Hundredths of a pixel are finer than any screen; rounding first keeps "-0.00" out.
  double rounded = std::round(value * 100.0) / 100.0;
  if (rounded == 0.0) rounded = 0.0;
  char text[48];
  std::snprintf(text, sizeof text, "%.2f", rounded);
  std::string out = text;
  out.erase(out.find_last_not_of('0') + 1);
  if (out.back() == '.') out.pop_back();
  return out;
}

Attribute::Attribute(std::string name, std::string value)
    : name(std::move(name)), value(std::move(value)) {}
Attribute::Attribute(std::string name, const char* value)
    : name(std::move(name)), value(value) {}
Attribute::Attribute(std::string name, double value)
    : name(std::move(name)), value(svg_number(value)) {}
Attribute::Attribute(std::string name, int value)
    : name(std::move(name)), value(std::to_string(value)) {}

void MarkupWriter::start_tag(std::string_view name, const Attributes& attributes) {
  out_ += '<';
  out_ += name;
  for (const Attribute& a : attributes) {
    out_ += ' ';
    out_ += a.name;
    out_ += "=\"";
    out_ += escape_markup(a.value);
    out_ += '"';
  }
}

void MarkupWriter::open(std::string_view name, const Attributes& attributes) {
  start_tag(name, attributes);
  out_ += '>';
  open_.emplace_back(name);
}

void MarkupWriter::close() {
  if (open_.empty()) throw std::logic_error("MarkupWriter::close: no element is open");
  out_ += "</";
  out_ += open_.back();
  out_ += '>';
  open_.pop_back();
}

void MarkupWriter::empty(std::string_view name, const Attributes& attributes) {
  start_tag(name, attributes);
  out_ += "/>";
}

void MarkupWriter::element(std::string_view name, const Attributes& attributes,
                           std::string_view text) {
  open(name, attributes);
  out_ += escape_markup(text);
  close();
}

void MarkupWriter::text(std::string_view text) { out_ += escape_markup(text); }

void MarkupWriter::insert(std::string_view markup) { out_ += markup; }

void MarkupWriter::line_break() { out_ += '\n'; }

std::string MarkupWriter::finish() {
  if (!open_.empty())
    throw std::logic_error("MarkupWriter::finish: <" + open_.back() + "> is still open");
  return std::move(out_);
}

}  // namespace itemdif::results

// CSV text of the results tables.
#include "results/csv_text.hpp"

#include "results/number_text.hpp"

namespace itemdif::results {
namespace {

std::string cell_text(const Cell& cell) {
  struct Text {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(double value) const { return number_text(value); }
    std::string operator()(std::int64_t value) const { return std::to_string(value); }
    std::string operator()(const std::string& text) const { return csv_field(text); }
    std::string operator()(bool value) const { return value ? "true" : "false"; }
  };
  return std::visit(Text{}, cell);
}

void append_line(std::string& text, const std::vector<std::string>& fields) {
  for (std::size_t c = 0; c < fields.size(); ++c) {
    if (c > 0) text += ',';
    text += fields[c];
  }
  text += '\n';
}

}  // namespace

std::string csv_field(const std::string& text) {
  const bool quoted = text.find_first_of(",\"\r\n") != std::string::npos ||
                      (!text.empty() && (text.front() == ' ' || text.back() == ' '));
  if (!quoted) return text;
  std::string field = "\"";
  for (char c : text) {
    if (c == '"') field += '"';
    field += c;
  }
  return field + '"';
}

std::string csv_text(const std::vector<std::string>& columns, const std::vector<Row>& rows) {
  std::string text;
  std::vector<std::string> fields;
  for (const std::string& name : columns) fields.push_back(csv_field(name));
  append_line(text, fields);
  for (const Row& row : rows) {
    fields.clear();
    for (const Cell& cell : row) fields.push_back(cell_text(cell));
    append_line(text, fields);
  }
  return text;
}

}  // namespace itemdif::results

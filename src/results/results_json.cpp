// results.json through nlohmann/json.
#include "results/results_json.hpp"

#include <charconv>
#include <nlohmann/json.hpp>

#include "results/result_rows.hpp"

namespace itemdif::results {
namespace {

using json = nlohmann::ordered_json;

json cell_json(const Cell& cell) {
  struct Value {
    json operator()(std::monostate) const { return nullptr; }
    json operator()(double value) const { return value; }
    json operator()(std::int64_t value) const { return value; }
    json operator()(const std::string& text) const { return text; }
    json operator()(bool value) const { return value; }
  };
  return std::visit(Value{}, cell);
}

/// The row as an object; the first column (the item) left out when the row is nested in its
/// item.
json row_object(const std::vector<std::string>& columns, const Row& row, bool with_item) {
  json object = json::object();
  for (std::size_t c = with_item ? 0 : 1; c < columns.size(); ++c)
    object[columns[c]] = cell_json(row[c]);
  return object;
}

/// A setting marked as a number is written as one when its text reads as a number.
json setting_json(const RunFacts::Setting& setting) {
  if (setting.number) {
    const char* first = setting.value.data();
    const char* last = first + setting.value.size();
    long long whole = 0;
    if (auto [end, error] = std::from_chars(first, last, whole); error == std::errc{} && end == last)
      return whole;
    double value = 0.0;
    if (auto [end, error] = std::from_chars(first, last, value); error == std::errc{} && end == last)
      return value;
  }
  return setting.value;
}

json group_json(const RunFacts::Group& group) {
  return {{"value", group.value}, {"n", group.n}};
}

}  // namespace

std::string results_json(const RunFacts& run, const stats::DifAnalysis& analysis) {
  json options = json::object();
  for (const RunFacts::Setting& setting : run.options) options[setting.name] = setting_json(setting);
  options["methods"] = run.methods;

  json rounds = json::array();
  for (const stats::Round& round : analysis.rounds) {
    json flagged = json::array();
    for (std::size_t j : round.flagged) flagged.push_back(analysis.items[j].name);
    rounds.push_back({{"round", round.number}, {"flagged", flagged}});
  }

  json items = json::array();
  for (const stats::ItemResult& item : analysis.items) {
    json object = row_object(item_columns(), item_row(item), true);
    json levels = json::array();
    for (std::size_t k = 0; k < item.levels.size(); ++k)
      levels.push_back(row_object(level_columns(), level_row(item, k), false));
    json coefficients = json::array();
    for (const stats::Coefficient& coefficient : item.coefficients)
      coefficients.push_back(
          row_object(coefficient_columns(), coefficient_row(item, coefficient), false));
    object["levels"] = std::move(levels);
    object["coefficients"] = std::move(coefficients);
    items.push_back(std::move(object));
  }

  json document = json::object();
  document["itemdif"] = run.version;
  document["command"] = run.command;
  document["input"] = run.input;
  document["options"] = std::move(options);
  document["groups"] = {{"reference", group_json(run.reference)},
                        {"focal", group_json(run.focal)},
                        {"rows_left_out", run.rows_left_out}};
  document["purification"] = {{"rounds", std::move(rounds)}, {"converged", analysis.converged}};
  document["items"] = std::move(items);
  // Invalid UTF-8 in a name is replaced rather than ending the run at the last step.
  return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace itemdif::results

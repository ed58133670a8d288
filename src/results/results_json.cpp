// results.json through nlohmann/json.
#include "results/results_json.hpp"

#include <charconv>
#include <nlohmann/json.hpp>

#include "results/result_rows.hpp"
#include "stats/method_list.hpp"
#include "stats/purification.hpp"

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

/// The row as an object from column `first` on: 0 for a whole row, 2 for a row nested in its
/// item of its comparison (the item and the focal group left out).
json row_object(const std::vector<std::string>& columns, const Row& row, std::size_t first) {
  json object = json::object();
  for (std::size_t c = first; c < columns.size(); ++c)
    object[columns[c]] = cell_json(row[c]);
  return object;
}

/// A setting marked as a number is written as one when its text reads as a number.
json setting_json(const RunDescription::Setting& setting) {
  if (!setting.values.empty()) return setting.values;
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

json group_json(const stats::GroupSize& group) {
  return {{"value", group.value}, {"n", group.n}};
}

/// Purification rounds with the flagged items by name, and whether they converged.
template <typename Item>
json purification_json(const std::vector<stats::Round>& rounds_run, bool converged,
                       stats::Stop stop, const std::vector<Item>& items) {
  json rounds = json::array();
  for (const stats::Round& round : rounds_run) {
    json flagged = json::array();
    for (std::size_t j : round.flagged) flagged.push_back(items[j].name);
    rounds.push_back({{"round", round.number}, {"flagged", flagged}});
  }
  return {{"rounds", std::move(rounds)}, {"converged", converged}, {"stop", stats::stop_name(stop)}};
}

json comparison_json(const stats::Comparison& comparison) {
  json items = json::array();
  for (const stats::ItemResult& item : comparison.items) {
    json object = row_object(item_columns(), item_row(comparison.focal, item), 0);
    json levels = json::array();
    for (std::size_t k = 0; k < item.levels.size(); ++k)
      for (const Row& row : level_rows(comparison.focal, item, k))
        levels.push_back(row_object(level_columns(), row, 2));
    json coefficients = json::array();
    for (const stats::MethodValues& values : item.methods)
      for (const stats::Coefficient& coefficient : values.coefficients)
        coefficients.push_back(row_object(
            coefficient_columns(), coefficient_row(comparison.focal, item, coefficient), 2));
    object["levels"] = std::move(levels);
    object["coefficients"] = std::move(coefficients);
    items.push_back(std::move(object));
  }
  json object = json::object();
  object["focal"] = comparison.focal;
  object["purification"] = purification_json(comparison.rounds, comparison.converged,
                                             comparison.stop, comparison.items);
  object["items"] = std::move(items);
  json bundles = json::array();
  for (const stats::BundleResult& bundle : comparison.bundles)
    bundles.push_back(row_object(bundle_columns(), bundle_row(comparison.focal, bundle), 0));
  object["bundles"] = std::move(bundles);
  return object;
}

json overall_json(const stats::OverallAnalysis& overall) {
  json items = json::array();
  for (const stats::OverallItem& item : overall.items) {
    json object = row_object(overall_item_columns(), overall_row(item), 0);
    json coefficients = json::array();
    for (const stats::MethodValues& values : item.methods)
      for (const stats::Coefficient& coefficient : values.coefficients)
        coefficients.push_back(row_object(coefficient_columns(),
                                          overall_coefficient_row(item, coefficient), 2));
    object["coefficients"] = std::move(coefficients);
    items.push_back(std::move(object));
  }
  json object = json::object();
  object["purification"] = purification_json(overall.rounds, overall.converged, overall.stop,
                                             overall.items);
  object["items"] = std::move(items);
  return object;
}

}  // namespace

std::string results_json(const RunDescription& run, const stats::DifAnalysis& analysis) {
  json options = json::object();
  for (const RunDescription::Setting& setting : run.settings)
    options[setting.name] = setting_json(setting);
  json methods = json::array();
  for (std::size_t m : run.methods) methods.push_back(std::string(stats::methods()[m].name));
  options["methods"] = std::move(methods);

  json focal = json::array();
  for (const stats::GroupSize& group : analysis.focal) focal.push_back(group_json(group));
  json comparisons = json::array();
  for (const stats::Comparison& comparison : analysis.comparisons)
    comparisons.push_back(comparison_json(comparison));

  json document = json::object();
  document["itemdif"] = run.version;
  document["results_version"] = 3;
  document["command"] = run.command;
  document["input"] = run.input;
  document["options"] = std::move(options);
  document["groups"] = {{"reference", group_json(analysis.reference)},
                        {"focal", std::move(focal)},
                        {"rows_left_out", run.rows_of_no_group + analysis.listwise_left_out}};
  document["comparisons"] = std::move(comparisons);
  document["overall"] = analysis.overall ? overall_json(*analysis.overall) : json(nullptr);
  // Invalid UTF-8 in a name is replaced rather than ending the run at the last step.
  return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace itemdif::results

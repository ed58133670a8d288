// What the R and Python packages ask of the core besides the steps of `analyze` itself.
#include "cli/binding_api.hpp"

#include <algorithm>
#include <span>

#include "cli/analyze_options.hpp"
#include "stats/method_list.hpp"
#include "stats/purification.hpp"
#include "stats/option_names.hpp"

namespace itemdif::cli {
namespace {

template <typename Enum, std::size_t N>
OptionChoices choices_of(std::string option, const std::array<stats::Named<Enum>, N>& table,
                         const std::string& default_text) {
  return {std::move(option), stats::names_of(table), default_text, false};
}

std::string joined(const std::vector<std::string>& names, const char* separator) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : separator) + name;
  return text;
}

}  // namespace

const std::vector<OptionChoices>& analyze_choices() {
  static const std::vector<OptionChoices> options = [] {
    const AnalyzeArguments defaults;
    std::vector<std::string> method_names, default_names;
    for (const stats::Method& method : stats::methods()) {
      method_names.emplace_back(method.name);
      if (method.by_default) default_names.emplace_back(method.name);
    }
    return std::vector<OptionChoices>{
        choices_of("missing", stats::kMissingNames, defaults.missing),
        choices_of("purify", stats::kPurifyNames, defaults.purify),
        {"flag", stats::flag_rule_names(), defaults.flag, false},
        choices_of("adjust", stats::kAdjustNames, defaults.adjust),
        {"methods", method_names, defaults.methods.value_or(joined(default_names, ",")), true},
    };
  }();
  return options;
}

void check_choices(const AnalyzeArguments& a) {
  const auto check = [](const std::string& option, const std::string& text) {
    for (const OptionChoices& choices : analyze_choices()) {
      if (choices.option != option) continue;
      if (std::find(choices.names.begin(), choices.names.end(), text) == choices.names.end())
        throw UsageError("--" + option + ": \"" + text + "\" is not one of " +
                             joined(choices.names, ", "),
                         "analyze");
    }
  };
  check("missing", a.missing);
  check("purify", a.purify);
  check("flag", a.flag);
  check("adjust", a.adjust);
  if (a.methods) parse_methods(*a.methods);  // its own messages, as on the command line
}

namespace {

/// The type of a column whose cells are all undefined: from the kind it is declared with.
ValueType declared_type(std::string_view name) {
  for (const std::string_view text : {"item", "focal", "model", "term", "note"})
    if (name == text) return ValueType::text;
  if (name == "flagged" || name == "used") return ValueType::truth;
  const auto of_kind = [](const stats::Column& column) {
    return column.kind == stats::ColumnKind::dif_class ? ValueType::text
           : column.kind == stats::ColumnKind::whole   ? ValueType::whole
                                                       : ValueType::real;
  };
  for (const stats::Method& method : stats::methods()) {
    for (const stats::Column* column : method.columns)
      if (column->name == name) return of_kind(*column);
    for (const stats::Column* column : method.overall_columns)
      if (column->name == name) return of_kind(*column);
    for (const stats::Column* column : method.bundle_columns)
      if (column->name == name) return of_kind(*column);
  }
  return ValueType::real;
}

}  // namespace

ValueType column_value_type(const std::vector<results::Row>& rows, std::size_t c,
                            std::string_view name, std::int64_t whole_limit) {
  bool text = false, truth = false, real = false, whole = false;
  for (const results::Row& row : rows) {
    const results::Cell& cell = row[c];
    if (std::holds_alternative<std::string>(cell)) text = true;
    else if (std::holds_alternative<bool>(cell)) truth = true;
    else if (std::holds_alternative<double>(cell)) real = true;
    else if (const auto* value = std::get_if<std::int64_t>(&cell)) {
      whole = true;
      if (*value > whole_limit || *value < -whole_limit) real = true;
    }
  }
  if (text) return ValueType::text;
  if (truth) return ValueType::truth;
  if (real) return ValueType::real;
  if (whole) return ValueType::whole;
  return declared_type(name);
}

const std::vector<std::string>& report_value_columns() {
  static const std::vector<std::string> columns = [] {
    std::vector<std::string> names = {"item", "focal"};
    for (const stats::Method& method : stats::methods())
      for (const stats::Column* column : method.columns)
        if (!column->in_files) names.emplace_back(column->name);
    return names;
  }();
  return columns;
}

std::vector<results::Row> report_value_rows(const stats::DifAnalysis& analysis) {
  std::vector<results::Row> rows;
  const std::span<const stats::Method> methods = stats::methods();
  for (const stats::Comparison& comparison : analysis.comparisons) {
    for (const stats::ItemResult& item : comparison.items) {
      results::Row row = {item.name, comparison.focal};
      for (std::size_t m = 0; m < methods.size(); ++m)
        for (std::size_t c = 0; c < methods[m].columns.size(); ++c)
          if (!methods[m].columns[c]->in_files) row.push_back(item.cell(m, c));
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

}  // namespace itemdif::cli

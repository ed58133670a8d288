// The summary of an `analyze` run on standard output.
#include "results/summary.hpp"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <utility>

#include "stats/method_list.hpp"
#include "stats/option_names.hpp"

namespace itemdif::results {
namespace {

/// A number in `width` columns with `digits` decimals, "-" when undefined.
std::string fixed(const std::optional<double>& value, int width, int digits) {
  char text[64];
  if (value)
    std::snprintf(text, sizeof text, "%*.*f", width, digits, *value);
  else
    std::snprintf(text, sizeof text, "%*s", width, "-");
  return text;
}

/// A p-value in `width` columns: four decimals, or three significant digits below 0.0001 so
/// that small values keep their size.
std::string p_text(const std::optional<double>& p, int width) {
  char text[64];
  if (!p)
    std::snprintf(text, sizeof text, "%*s", width, "-");
  else if (*p >= 0.0001 || *p == 0.0)
    std::snprintf(text, sizeof text, "%*.4f", width, *p);
  else
    std::snprintf(text, sizeof text, "%*.2e", width, *p);
  return text;
}

std::string item_list(const std::vector<std::size_t>& items,
                      const stats::Comparison& comparison) {
  std::string text;
  for (std::size_t j : items) text += (text.empty() ? "" : ", ") + comparison.items[j].name;
  return text.empty() ? "none" : text;
}

std::string class_text(const std::string& name) { return name.empty() ? "-" : name; }

/// A class left-aligned after two blanks; anything else right-aligned after one.
std::string heading_cell(const stats::Column& column) {
  char cell[64];
  const std::string heading(column.summary_heading);
  if (column.kind == stats::ColumnKind::dif_class)
    std::snprintf(cell, sizeof cell, "  %-*s", column.summary_width, heading.c_str());
  else
    std::snprintf(cell, sizeof cell, " %*s", column.summary_width, heading.c_str());
  return cell;
}

std::string value_cell(const stats::MethodColumn& shown, const stats::ItemResult& item) {
  const stats::Column& column = *shown.column;
  const stats::Cell value = item.cell(shown.place.method, shown.place.column);
  char cell[64];
  switch (column.kind) {
    case stats::ColumnKind::dif_class:
      std::snprintf(cell, sizeof cell, "  %-*s", column.summary_width,
                    class_text(stats::cell_text(value)).c_str());
      return cell;
    case stats::ColumnKind::p_value:
      return " " + p_text(stats::cell_number(value), column.summary_width);
    case stats::ColumnKind::number:
    case stats::ColumnKind::whole:
      break;
  }
  return " " + fixed(stats::cell_number(value), column.summary_width, column.decimals);
}

std::string trimmed(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

/// "Items: 27 (2 scored 0-1, 25 scored 1-6)" when any item is polytomous: the items by score
/// range, in ascending order of the ranges. Ranges are the same in every comparison.
void write_item_ranges(std::ostream& out, const stats::DifAnalysis& analysis) {
  if (analysis.comparisons.empty()) return;
  const std::vector<stats::ItemResult>& items = analysis.comparisons.front().items;
  if (std::none_of(items.begin(), items.end(),
                   [](const stats::ItemResult& item) { return item.range.polytomous; }))
    return;
  std::map<std::pair<int, int>, std::size_t> counts;
  for (const stats::ItemResult& item : items)
    ++counts[{item.range.score_min, item.range.score_max}];
  out << "Items: " << items.size() << " (";
  const char* separator = "";
  for (const auto& [range, count] : counts) {
    out << separator << count << " scored " << range.first << "-" << range.second;
    separator = ", ";
  }
  out << ")\n";
}

void write_comparison(std::ostream& out, const RunDescription& run,
                      const stats::Comparison& comparison) {
  out << "Purification: " << comparison.rounds.size()
      << (comparison.rounds.size() == 1 ? " round, " : " rounds, ")
      << (comparison.converged ? "converged" : "not converged") << "\n";
  for (const stats::Round& round : comparison.rounds)
    out << "  round " << round.number << ": " << round.flagged.size() << " flagged: "
        << item_list(round.flagged, comparison) << "\n";

  std::size_t name_width = 4;
  for (const auto& item : comparison.items) name_width = std::max(name_width, item.name.size());
  auto name_column = [&](const std::string& name) {
    return name + std::string(name_width - name.size(), ' ');
  };

  // The items with the values the flag rule rests on, a star for the flagged ones and notes.
  const std::vector<stats::MethodColumn> main = stats::method_columns(
      run.methods, [](const stats::Column& c) { return c.summary == stats::SummaryTable::items; });
  char sizes[64];
  std::snprintf(sizes, sizeof sizes, " %9s %9s", "n_ref", "n_focal");
  std::string header = name_column("item") + sizes;
  for (const stats::MethodColumn& shown : main) header += heading_cell(*shown.column);
  out << "\n" << header << "    note\n";
  std::vector<std::size_t> flagged;
  for (std::size_t j = 0; j < comparison.items.size(); ++j) {
    const stats::ItemResult& item = comparison.items[j];
    if (item.flagged) flagged.push_back(j);
    std::snprintf(sizes, sizeof sizes, " %9zu %9zu", item.n_reference, item.n_focal);
    std::string row = name_column(item.name) + sizes;
    for (const stats::MethodColumn& shown : main) row += value_cell(shown, item);
    row += item.flagged ? " *" : "  ";
    if (!item.note.empty()) row += "  " + item.note;
    out << trimmed(row) << "\n";
  }

  // The other methods' key values.
  const std::vector<stats::MethodColumn> others = stats::method_columns(
      run.methods, [](const stats::Column& c) { return c.summary == stats::SummaryTable::methods; });
  if (!others.empty()) {
    std::string heading = name_column("item");
    for (const stats::MethodColumn& shown : others) heading += heading_cell(*shown.column);
    out << "\n" << trimmed(heading) << "\n";
    for (const stats::ItemResult& item : comparison.items) {
      std::string row = name_column(item.name);
      for (const stats::MethodColumn& shown : others) row += value_cell(shown, item);
      out << trimmed(row) << "\n";
    }
  }
  out << "\nFlagged (" << flagged.size() << "): " << item_list(flagged, comparison) << "\n";
}

}  // namespace

std::string levels_text(const stats::LevelSpec& levels) {
  switch (levels.kind) {
    case stats::LevelSpec::Kind::thin: return "thin";
    case stats::LevelSpec::Kind::equal_width: return std::to_string(levels.count);
    case stats::LevelSpec::Kind::bounds: break;
  }
  std::string text;
  for (const auto& [low, high] : levels.bounds)
    text += (text.empty() ? "" : ",") + std::to_string(low) + "-" + std::to_string(high);
  return text;
}

const char* missing_text(stats::MissingPolicy policy) {
  return stats::name_of(stats::kMissingNames, policy);
}
const char* purify_text(stats::PurifyMode mode) { return stats::name_of(stats::kPurifyNames, mode); }
const char* flag_text(stats::FlagRule rule) { return stats::name_of(stats::kFlagNames, rule); }
const char* adjust_text(stats::Adjust adjust) {
  return stats::name_of(stats::kAdjustNames, adjust);
}

void write_summary(std::ostream& out, const RunDescription& run,
                   const stats::DifAnalysis& analysis) {
  const stats::AnalyzeOptions& options = run.options;
  out << "itemdif " << run.command << " " << run.input << ": " << run.items << " items, "
      << run.rows_read << " rows\n";
  write_item_ranges(out, analysis);
  out << "Groups: reference \"" << analysis.reference.value << "\" " << analysis.reference.n;
  for (const stats::GroupSize& focal : analysis.focal)
    out << ", focal \"" << focal.value << "\" " << focal.n;
  out << "; rows left out: " << run.rows_of_no_group << " (group value missing or neither)";
  if (options.missing == stats::MissingPolicy::listwise)
    out << ", " << analysis.listwise_left_out << " (a missing response, listwise)";
  out << "\n";

  std::string methods;
  for (std::size_t m : run.methods)
    methods += (methods.empty() ? "" : ",") + std::string(stats::methods()[m].name);
  char alpha[32];
  std::snprintf(alpha, sizeof alpha, "%g", options.alpha);
  out << "Options: missing " << missing_text(options.missing) << ", levels "
      << levels_text(options.levels) << ", min per group " << options.min_per_group
      << ", purify " << purify_text(options.purify);
  if (options.purify == stats::PurifyMode::iterative)
    out << " (at most " << options.max_rounds << " rounds)";
  out << ", flag " << flag_text(options.flag) << ", alpha " << alpha << ", adjust "
      << adjust_text(options.adjust) << ", methods " << methods << "\n";

  for (const stats::Comparison& comparison : analysis.comparisons) {
    if (analysis.comparisons.size() > 1)
      out << "\nComparison: reference \"" << analysis.reference.value << "\" against focal \""
          << comparison.focal << "\"\n";
    write_comparison(out, run, comparison);
  }
}

}  // namespace itemdif::results

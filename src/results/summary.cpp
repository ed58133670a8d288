// The summary of an `analyze` run on standard output.
#include "results/summary.hpp"
#include "stats/mantel_haenszel.hpp"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <span>
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

template <typename Item>
std::string item_list(const std::vector<std::size_t>& items, const std::vector<Item>& all) {
  std::string text;
  for (std::size_t j : items) text += (text.empty() ? "" : ", ") + all[j].name;
  return text.empty() ? "none" : text;
}

/// "Purification: 2 rounds, converged" and each round's flagged items.
template <typename Item>
void write_rounds(std::ostream& out, const std::vector<stats::Round>& rounds, bool converged,
                  stats::Stop stop, const std::vector<Item>& items) {
  out << "Purification: " << rounds.size() << (rounds.size() == 1 ? " round, " : " rounds, ")
      << (converged ? "converged" : "not converged");
  if (stop == stats::Stop::fixed_matching) out << " (fixed matching, not purified)";
  out << "\n";
  for (const stats::Round& round : rounds)
    out << "  round " << round.number << ": " << round.flagged.size() << " flagged: "
        << item_list(round.flagged, items) << "\n";
  if (stop == stats::Stop::too_many_flagged)
    out << "Warning: round " << rounds.size() << " flagged more than half of the "
        << items.size() << " items, so purification stopped there: the matching score may not "
           "measure one trait. Match on items known to be free of DIF (--anchor) or analyse a "
           "subset of items that measure one trait (--items).\n";
}

/// Item names padded to the longest, "item" at least.
template <typename Item>
std::function<std::string(const std::string&)> name_column_of(const std::vector<Item>& items) {
  std::size_t width = 4;
  for (const auto& item : items) width = std::max(width, item.name.size());
  return [width](const std::string& name) {
    return name + std::string(width - std::min(width, name.size()), ' ');
  };
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

std::string value_cell(const stats::Column& column, const stats::Cell& value) {
  char cell[64];
  switch (column.kind) {
    case stats::ColumnKind::dif_class:
      std::snprintf(cell, sizeof cell, "  %-*s", column.summary_width,
                    class_text(stats::cell_text(value)).c_str());
      return cell;
    case stats::ColumnKind::p_value:
      return " " + p_text(stats::cell_number(value), column.summary_width);
    case stats::ColumnKind::whole:
      return " " + fixed(stats::cell_number(value), column.summary_width, 0);
    case stats::ColumnKind::number:
      break;
  }
  return " " + fixed(stats::cell_number(value), column.summary_width, column.decimals);
}

std::string value_cell(const stats::MethodColumn& shown, const stats::ItemResult& item) {
  return value_cell(*shown.column, item.cell(shown.place.method, shown.place.column));
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

/// The summary columns of the methods at `positions`, one line per item, under `title` when
/// one is given.
void write_method_table(std::ostream& out, const stats::Comparison& comparison,
                        const std::vector<std::size_t>& positions, std::string_view title) {
  const std::vector<stats::MethodColumn> shown = stats::method_columns(
      positions, [](const stats::Column& c) { return c.summary == stats::SummaryTable::methods; });
  if (shown.empty()) return;
  const auto name_column = name_column_of(comparison.items);
  std::string heading = name_column("item");
  for (const stats::MethodColumn& c : shown) heading += heading_cell(*c.column);
  out << "\n";
  if (!title.empty()) out << title << "\n";
  out << trimmed(heading) << "\n";
  for (const stats::ItemResult& item : comparison.items) {
    std::string row = name_column(item.name);
    for (const stats::MethodColumn& c : shown) row += value_cell(c, item);
    out << trimmed(row) << "\n";
  }
}

/// Each bundle with its items and the summary columns of the methods that test bundles.
void write_bundles(std::ostream& out, const RunDescription& run,
                   const stats::Comparison& comparison) {
  if (comparison.bundles.empty()) return;
  std::vector<stats::MethodColumn> shown;
  for (const std::size_t m : run.methods) {
    const stats::Columns columns = stats::methods()[m].bundle_columns;
    for (std::size_t c = 0; c < columns.size(); ++c)
      if (columns[c]->summary == stats::SummaryTable::methods) shown.push_back({columns[c], {m, c}});
  }
  std::size_t width = 6;
  for (const stats::BundleResult& bundle : comparison.bundles)
    width = std::max(width, bundle.name.size());
  const auto padded = [width](const std::string& text) {
    return text + std::string(width - std::min(width, text.size()), ' ');
  };
  std::string heading = padded("bundle");
  for (const stats::MethodColumn& c : shown) heading += heading_cell(*c.column);
  out << "\nBundles\n" << heading << "    items\n";
  for (const stats::BundleResult& bundle : comparison.bundles) {
    std::string row = padded(bundle.name);
    for (const stats::MethodColumn& c : shown) {
      const std::vector<stats::Cell>& cells = bundle.methods[c.place.method].cells;
      row += value_cell(*c.column, c.place.column < cells.size() ? cells[c.place.column]
                                                                 : stats::Cell{});
    }
    std::string items;
    for (const std::string& item : bundle.items) items += (items.empty() ? "" : ", ") + item;
    row += "    " + items;
    if (!bundle.note.empty()) row += "  " + bundle.note;
    out << row << "\n";
  }
}

void write_comparison(std::ostream& out, const RunDescription& run,
                      const stats::Comparison& comparison) {
  write_rounds(out, comparison.rounds, comparison.converged, comparison.stop, comparison.items);
  const auto name_column = name_column_of(comparison.items);

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

  // The other methods' key values: one table of those that share it, then one per method
  // with its own.
  std::vector<std::size_t> shared;
  for (const std::size_t m : run.methods)
    if (stats::methods()[m].own_summary_table.empty()) shared.push_back(m);
  write_method_table(out, comparison, shared, "");
  for (const std::size_t m : run.methods)
    if (!stats::methods()[m].own_summary_table.empty())
      write_method_table(out, comparison, std::vector<std::size_t>{m},
                         stats::methods()[m].own_summary_table);
  write_bundles(out, run, comparison);
  out << "\nFlagged (" << flagged.size() << "): " << item_list(flagged, comparison.items)
      << "\n";
}

/// The overall tests, one line per item, with each comparison's ETS class beside them.
void write_overall(std::ostream& out, const stats::DifAnalysis& analysis) {
  const stats::OverallAnalysis& overall = *analysis.overall;
  out << "\nOverall: reference \"" << analysis.reference.value << "\" and focal ";
  for (std::size_t k = 0; k < analysis.focal.size(); ++k)
    out << (k == 0 ? "" : ", ") << "\"" << analysis.focal[k].value << "\"";
  out << " together\n";
  write_rounds(out, overall.rounds, overall.converged, overall.stop, overall.items);

  const std::vector<stats::MethodColumn> shown = stats::method_columns(
      overall.methods,
      [](const stats::Column& c) { return c.summary == stats::SummaryTable::items; }, true);
  // One class column per comparison, as wide as its focal value (3 at least).
  std::vector<int> class_width;
  for (const stats::Comparison& comparison : analysis.comparisons)
    class_width.push_back(std::max<int>(3, static_cast<int>(comparison.focal.size())));

  const auto name_column = name_column_of(overall.items);
  char cell[64];
  std::snprintf(cell, sizeof cell, " %9s", "n");
  std::string header = name_column("item") + cell;
  for (const stats::MethodColumn& c : shown) header += heading_cell(*c.column);
  // Each comparison's ETS class after a bar, headed by its focal group.
  header += "  |";
  for (std::size_t k = 0; k < analysis.comparisons.size(); ++k) {
    std::snprintf(cell, sizeof cell, "  %-*s", class_width[k],
                  analysis.comparisons[k].focal.c_str());
    header += cell;
  }
  out << "\n" << header << "    note\n";
  std::vector<std::size_t> flagged;
  for (std::size_t j = 0; j < overall.items.size(); ++j) {
    const stats::OverallItem& item = overall.items[j];
    if (item.flagged) flagged.push_back(j);
    std::snprintf(cell, sizeof cell, " %9zu", item.n);
    std::string row = name_column(item.name) + cell;
    for (const stats::MethodColumn& c : shown)
      row += value_cell(*c.column, item.cell(c.place.method, c.place.column));
    row += "  |";
    for (std::size_t k = 0; k < analysis.comparisons.size(); ++k) {
      const std::vector<stats::ItemResult>& items = analysis.comparisons[k].items;
      const std::string ets = j < items.size() ? items[j].text(stats::column::ets_class) : std::string();
      std::snprintf(cell, sizeof cell, "  %-*s", class_width[k], class_text(ets).c_str());
      row += cell;
    }
    row += item.flagged ? " *" : "  ";
    if (!item.note.empty()) row += "  " + item.note;
    out << trimmed(row) << "\n";
  }
  out << "\nFlagged overall (" << flagged.size() << "): " << item_list(flagged, overall.items)
      << "\n";
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
  out << "; rows left out: " << run.rows_of_no_group - run.rows_match_missing
      << (analysis.focal.size() > 1 ? " (group value missing or none of these)"
                                    : " (group value missing or neither)");
  if (run.rows_match_missing > 0)
    out << ", " << run.rows_match_missing << " (matching score missing)";
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
  out << ", flag " << options.flag << ", alpha " << alpha << ", adjust "
      << adjust_text(options.adjust) << ", methods " << methods << "\n";
  if (!run.matching.empty()) out << "Matching: " << run.matching << "\n";

  for (const stats::Comparison& comparison : analysis.comparisons) {
    if (analysis.comparisons.size() > 1)
      out << "\nComparison: reference \"" << analysis.reference.value << "\" against focal \""
          << comparison.focal << "\"\n";
    write_comparison(out, run, comparison);
  }
  if (analysis.overall) write_overall(out, analysis);
}

}  // namespace itemdif::results

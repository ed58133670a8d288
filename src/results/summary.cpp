// The summary of an `analyze` run on standard output.
#include "results/summary.hpp"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

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

std::string item_list(const std::vector<std::size_t>& items, const stats::DifAnalysis& analysis) {
  std::string text;
  for (std::size_t j : items) text += (text.empty() ? "" : ", ") + analysis.items[j].name;
  return text.empty() ? "none" : text;
}

std::string class_text(const std::string& name) { return name.empty() ? "-" : name; }

/// The other methods' key values, one line per item, with only the computed methods' columns.
void write_method_table(std::ostream& out, const stats::Methods& methods,
                        const stats::DifAnalysis& analysis,
                        const std::function<std::string(const std::string&)>& name_column) {
  char cell[96];
  std::string header = name_column("item");
  if (methods.standardization) {
    std::snprintf(cell, sizeof cell, " %8s  %-3s", "P-DIF", "STD");
    header += cell;
  }
  if (methods.breslow_day) {
    std::snprintf(cell, sizeof cell, " %10s", "BD p");
    header += cell;
  }
  if (methods.logistic_regression) {
    std::snprintf(cell, sizeof cell, " %10s %10s %7s  %-2s  %-2s", "LR p", "LR p_adj", "dR2",
                  "ZT", "JG");
    header += cell;
  }
  header.erase(header.find_last_not_of(' ') + 1);
  out << "\n" << header << "\n";
  for (const stats::ItemResult& item : analysis.items) {
    std::string row = name_column(item.name);
    if (methods.standardization) {
      std::snprintf(cell, sizeof cell, " %8s  %-3s", fixed(item.std_dif.p_dif, 8, 3).c_str(),
                    class_text(item.std_dif.std_class).c_str());
      row += cell;
    }
    if (methods.breslow_day) row += " " + p_text(item.bd.p, 10);
    if (methods.logistic_regression) {
      std::snprintf(cell, sizeof cell, " %10s %10s %7s  %-2s  %-2s", p_text(item.lr.p, 10).c_str(),
                    p_text(item.lr.p_adjusted, 10).c_str(), fixed(item.lr.delta_r2, 7, 3).c_str(),
                    class_text(item.lr.zumbo_thomas_class).c_str(),
                    class_text(item.lr.jodoin_gierl_class).c_str());
      row += cell;
    }
    row.erase(row.find_last_not_of(' ') + 1);
    out << row << "\n";
  }
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
  const data::ItemScores& scores = *run.scores;
  const stats::AnalyzeOptions& options = *run.options;

  out << "itemdif analyze " << run.input << ": " << scores.n_items() << " items, "
      << scores.rows_read << " rows\n";
  out << "Groups: reference \"" << scores.reference_value << "\" " << analysis.n_reference
      << ", focal \"" << scores.focal_value << "\" " << analysis.n_focal << "; rows left out: "
      << scores.rows_left_out << " (group value missing or neither)";
  if (options.missing == stats::MissingPolicy::listwise)
    out << ", " << analysis.listwise_left_out << " (a missing response, listwise)";
  out << "\n";

  std::string methods;
  for (const std::string& m : run.methods) methods += (methods.empty() ? "" : ",") + m;
  char alpha[32];
  std::snprintf(alpha, sizeof alpha, "%g", options.alpha);
  out << "Options: missing " << missing_text(options.missing) << ", levels "
      << levels_text(options.levels) << ", min per group " << options.min_per_group
      << ", purify " << purify_text(options.purify);
  if (options.purify == stats::PurifyMode::iterative)
    out << " (at most " << options.max_rounds << " rounds)";
  out << ", flag " << flag_text(options.flag) << ", alpha " << alpha << ", adjust "
      << adjust_text(options.adjust) << ", methods " << methods << "\n";

  out << "Purification: " << analysis.rounds.size()
      << (analysis.rounds.size() == 1 ? " round, " : " rounds, ")
      << (analysis.converged ? "converged" : "not converged") << "\n";
  for (const stats::Round& round : analysis.rounds)
    out << "  round " << round.number << ": " << round.flagged.size() << " flagged: "
        << item_list(round.flagged, analysis) << "\n";

  std::size_t name_width = 4;
  for (const auto& item : analysis.items) name_width = std::max(name_width, item.name.size());
  auto name_column = [&](const std::string& name) {
    return name + std::string(name_width - name.size(), ' ');
  };
  char line[160];
  std::snprintf(line, sizeof line, " %9s %9s %8s %7s %10s %10s  %-3s    %s\n", "n_ref",
                "n_focal", "D-DIF", "SE", "p", "p_adj", "ETS", "note");
  out << "\n" << name_column("item") << line;
  std::vector<std::size_t> flagged;
  for (std::size_t j = 0; j < analysis.items.size(); ++j) {
    const stats::ItemResult& item = analysis.items[j];
    if (item.flagged) flagged.push_back(j);
    const std::string ets = item.mh.ets_class.empty() ? "-" : item.mh.ets_class;
    std::snprintf(line, sizeof line, " %9zu %9zu %8s %7s %10s %10s  %-3s %s", item.n_reference,
                  item.n_focal, fixed(item.mh.d_dif, 8, 3).c_str(),
                  fixed(item.mh.d_dif_se, 7, 3).c_str(), p_text(item.mh.p, 10).c_str(),
                  p_text(item.mh.p_adjusted, 10).c_str(), ets.c_str(), item.flagged ? "*" : " ");
    std::string row = name_column(item.name) + line;
    if (!item.note.empty()) row += "  " + item.note;
    row.erase(row.find_last_not_of(' ') + 1);
    out << row << "\n";
  }
  const stats::Methods& computed = options.methods;
  if (computed.standardization || computed.breslow_day || computed.logistic_regression)
    write_method_table(out, computed, analysis, name_column);
  out << "\nFlagged (" << flagged.size() << "): " << item_list(flagged, analysis) << "\n";
}

}  // namespace itemdif::results

// The `analyze` command: its options, and the run from the data file to the summary.
#include "cli/analyze_command.hpp"

#include <CLI/CLI.hpp>
#include <unistd.h>

#include "cli/analyze_options.hpp"
#include "cli/analyze_description.hpp"
#include "results/results_files.hpp"
#include "results/summary.hpp"
#include "stats/dif_analysis.hpp"
#include "stats/method_list.hpp"
#include "stats/option_names.hpp"
#include "stats/purification.hpp"

namespace itemdif::cli {
namespace {

/// "round 2: 45 of 100 items" on standard error, kept on one line of the terminal.
class TerminalProgress {
 public:
  explicit TerminalProgress(std::ostream& err) : err_(err), shown_(::isatty(STDERR_FILENO) != 0) {}
  ~TerminalProgress() { clear(); }
  stats::Progress callback() {
    if (!shown_) return {};
    return [this](int round, std::size_t done, std::size_t items) {
      err_ << "\ritemdif: round " << round << ", " << done << " of " << items << " items"
           << std::flush;
      drawn_ = true;
    };
  }
  /// Leaves the terminal's line as it was before the first report.
  void clear() {
    if (shown_ && drawn_) err_ << "\r\x1b[K" << std::flush;
    drawn_ = false;
  }
  void phase(const char* text) {
    if (!shown_) return;
    err_ << "\r\x1b[Kitemdif: " << text << std::flush;
    drawn_ = true;
  }

 private:
  std::ostream& err_;
  const bool shown_;
  bool drawn_ = false;
};

/// "mh (Mantel-Haenszel), std (...)": the method list, and the default methods.
std::string methods_help() {
  std::string text = "Methods, any of ";
  std::string defaults;
  for (std::size_t m = 0; m < stats::methods().size(); ++m) {
    const stats::Method& method = stats::methods()[m];
    text += (m == 0 ? "" : ", ") + std::string(method.name) + " (" + std::string(method.title) + ")";
    if (method.by_default) defaults += (defaults.empty() ? "" : ",") + std::string(method.name);
  }
  return text + ", or all (default: " + defaults + ")";
}

std::string flag_rules_help() {
  std::string text;
  for (const stats::Method& method : stats::methods())
    for (const stats::FlagRule& rule : method.flag_rules)
      text += (text.empty() ? "" : ", ") + std::string(rule.name) + " (" +
              std::string(rule.description) + ")";
  return text;
}

}  // namespace

void add_analyze_options(CLI::App& command, AnalyzeArguments& a) {
  command.add_option("DATA", a.data, "Data file: .csv, .tsv/.tab, .sav, .dta or .sas7bdat")
      ->required();
  command.add_option("--group", a.group, "The group column")->required();
  command
      .add_option("--focal", a.focal,
                  "The focal groups' values, separated by commas (\\, is a comma inside a "
                  "value), or the option repeated; one comparison each, in this order")
      ->required()
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  command.add_option("--reference", a.reference,
                     "The reference group's value (default: the column's only other value)");
  command.add_option("--delimiter", a.delimiter, "Cell separator of a text file (a character, or tab)");
  command.add_option("--items", a.items,
                     "Item columns: names and ranges first:last, separated by commas (default: "
                     "every column but the group and id columns)");
  command.add_option("--id", a.id, "A column of examinee identifiers, not an item");
  command.add_option("--missing-codes", a.missing_codes,
                     "Item cells that count as missing, separated by commas (besides empty, NA "
                     "and .)");
  command.add_option("--max-score", a.max_score,
                     "Highest item score: item cells are whole numbers from 0 to this, at most "
                     "250 (1: items scored 0/1)")
      ->capture_default_str();
  command.add_option("--missing", a.missing, "Missing responses: excluded, incorrect or listwise")
      ->check(CLI::IsMember(stats::names_of(stats::kMissingNames)))
      ->capture_default_str();
  command.add_option("--levels", a.levels,
                     "Levels of the matching score: thin, a count K, or bounds such as "
                     "0-9,10-14,15-45")
      ->capture_default_str();
  command.add_option("--min-per-group", a.min_per_group,
                     "Examinees of each group a level needs to be used")
      ->check(CLI::PositiveNumber)
      ->capture_default_str();
  command.add_option("--purify", a.purify, "Purification: iterative, two-pass or none")
      ->check(CLI::IsMember(stats::names_of(stats::kPurifyNames)))
      ->each([&a](const std::string&) { a.purify_given = true; })
      ->capture_default_str();
  command.add_option("--max-rounds", a.max_rounds, "Rounds of iterative purification at most")
      ->check(CLI::PositiveNumber)
      ->capture_default_str();
  command.add_option("--flag", a.flag, "Flag rule: " + flag_rules_help())
      ->check(CLI::IsMember(stats::flag_rule_names()))
      ->capture_default_str();
  command.add_option("--alpha", a.alpha, "Significance level")
      ->check(CLI::Range(0.0, 1.0))
      ->capture_default_str();
  command.add_option("--adjust", a.adjust, "p-value adjustment across items: none, holm or bh")
      ->check(CLI::IsMember(stats::names_of(stats::kAdjustNames)))
      ->capture_default_str();
  command.add_option("--methods", a.methods, methods_help());
  command.add_option("--sib-min", a.sib_min,
                     "Examinees of each group a SIBTEST stratum needs to be kept (at least 2)")
      ->capture_default_str();
  command.add_option("--bundle", a.bundles,
                     "A bundle of items tested as one by SIBTEST: NAME=LIST, LIST as --items "
                     "(repeatable)")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  command.add_option("--anchor", a.anchor,
                     "Anchor items, names and ranges as --items: the matching items of every "
                     "analysis, with no purification");
  command.add_option("--match", a.match,
                     "A column holding the matching score (whole numbers), in place of the "
                     "item sum, with no purification");
  command.add_option("--out", a.out,
                     "Folder of the results files (items.csv, levels.csv, coefficients.csv, "
                     "results.json, report.html), created if missing");
  command.add_flag("--quiet", a.quiet, "Print no summary");
}

int run_analyze(const AnalyzeArguments& arguments, std::ostream& out, std::ostream& err) {
  // Every option is checked before the data are read.
  const data::ReadOptions reading = read_options(arguments);
  const stats::AnalyzeOptions options = analysis_options(arguments);

  TerminalProgress progress(err);
  progress.phase("reading the data");
  const data::ItemScores scores = data::read_item_scores(reading);
  const stats::AnalyzeOptions resolved = with_item_lists(options, arguments, scores.item_names);
  const stats::DifAnalysis analysis = stats::analyze_scores(scores, resolved, progress.callback());
  progress.clear();

  const results::RunDescription run = analyze_description(arguments, resolved, scores);
  // The files first: a failed write ends the run with status 2 before anything is printed.
  if (arguments.out) results::write_results_files(*arguments.out, run, analysis);
  if (!arguments.quiet) {
    results::write_summary(out, run, analysis);
    out.flush();
  }
  return 0;
}

}  // namespace itemdif::cli

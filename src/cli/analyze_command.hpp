// The `analyze` command: its options, and the run from the data file to the summary.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "data/item_scores.hpp"
#include "stats/analysis_options.hpp"

namespace CLI {
class App;
}

namespace itemdif::cli {

/// The options as given on the command line.
struct AnalyzeArguments {
  std::string data;
  std::string group;
  std::vector<std::string> focal;  ///< as given, one text per --focal (comma lists unsplit)
  std::optional<std::string> reference;
  std::optional<std::string> delimiter;
  std::optional<std::string> items;
  std::optional<std::string> id;
  std::optional<std::string> missing_codes;
  int max_score = 1;  ///< item cells are whole numbers from 0 to this
  std::string missing = "excluded";
  std::string levels = "thin";
  int min_per_group = 1;
  std::string purify = "iterative";
  bool purify_given = false;  ///< --purify was written, not left at its default
  int max_rounds = 10;
  std::string flag = "ets";
  double alpha = 0.05;
  std::string adjust = "none";
  std::optional<std::string> methods;
  int sib_min = 6;                  ///< examinees of each group a SIBTEST stratum needs
  std::vector<std::string> bundles;  ///< NAME=LIST each
  std::optional<std::string> anchor;  ///< anchor items: names and ranges as --items
  std::optional<std::string> match;   ///< a column holding the matching score
  std::optional<std::string> out;  ///< folder of the results files
  bool quiet = false;
};

/// Declares the options of `analyze` on `command`, stored into `arguments`.
void add_analyze_options(CLI::App& command, AnalyzeArguments& arguments);

// The functions below up to run_analyze live in analyze_options.cpp, apart from the command
// line's parser, so that a binding builds its options with the same code and messages.

/// The focal values of every --focal text in order: split at commas, `\,` a comma inside a
/// value.
std::vector<std::string> focal_values(const std::vector<std::string>& texts);

/// What the data reader and the analysis are asked for. Throw UsageError.
data::ReadOptions read_options(const AnalyzeArguments& arguments);
stats::AnalyzeOptions analysis_options(const AnalyzeArguments& arguments);
/// The methods to compute, as positions in the method list and in its order: those asked for
/// with Mantel-Haenszel always, or every method.
std::vector<std::size_t> methods_to_compute(const AnalyzeArguments& arguments);

/// The analysis's options with the item lists (anchors, bundles) resolved against the items
/// read. Throws UsageError for an item that is not analysed.
stats::AnalyzeOptions with_item_lists(stats::AnalyzeOptions options,
                                      const AnalyzeArguments& arguments,
                                      const std::vector<std::string>& item_names);

/// Reads, analyses, writes the results files (with --out) and prints the summary (unless
/// quiet). Returns the exit status; invalid input throws data::InputError, invalid options
/// UsageError, a results file that cannot be written results::OutputError.
int run_analyze(const AnalyzeArguments& arguments, std::ostream& out, std::ostream& err);

}  // namespace itemdif::cli

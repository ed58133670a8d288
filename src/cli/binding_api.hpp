// What the R and Python packages ask of the core besides the steps of `analyze` itself: the
// choices of its options and their check, and the values the report shows beside the results
// files' columns. Both packages read these, so that neither restates a list of the core's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/analyze_command.hpp"
#include "results/result_rows.hpp"
#include "stats/analysis.hpp"

namespace itemdif::cli {

/// An option of `analyze` that takes names: the option as a binding names it (the command
/// line's name without its dashes, `_` for `-`), its names in order and its default.
struct OptionChoices {
  std::string option;
  std::vector<std::string> names;
  std::string default_text;  ///< as the command line writes it; several names comma-separated
  bool several = false;      ///< a list of names, each at most once (the methods)
};

/// Every option with names, in the order of `analyze --help`.
const std::vector<OptionChoices>& analyze_choices();

/// Checks the texts of the options with names as the command line's parser does, before any
/// data are read. Throws UsageError naming the option as the command line writes it, e.g.
/// `--missing: "pairwise" is not one of excluded, incorrect, listwise`.
void check_choices(const AnalyzeArguments& arguments);

/// How a binding holds a column of the result rows: text, truth values, numbers, or whole
/// numbers.
enum class ValueType { text, truth, real, whole };

/// The type of column `c` (named `name`) of `rows`, from its cells: text, truth values, numbers
/// (whole numbers stay whole when every one lies within `whole_limit` in absolute value and no
/// cell holds a fraction), or the kind the column is declared with when every cell is
/// undefined.
ValueType column_value_type(const std::vector<results::Row>& rows, std::size_t c,
                            std::string_view name, std::int64_t whole_limit);

/// The values each item of each comparison has for the report only (the ends of the D-DIF
/// interval, ...): the columns `item`, `focal`, then every method's report-only columns in
/// list order, and the rows in the order of result_rows()'s items.
const std::vector<std::string>& report_value_columns();
std::vector<results::Row> report_value_rows(const stats::DifAnalysis& analysis);

}  // namespace itemdif::cli

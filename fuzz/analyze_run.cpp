// A whole `analyze` run on small data, its results files written in the private folder.
// Input: options on the first line (separated by blanks), the data file's CSV after it.
//
// The groups may come from the data: a word `@K` on the options line (K = 1, 2 or 3) stands
// for --reference with the first value of the --group column and --focal with the K distinct
// values that follow it in the file; `@K-` leaves --reference out, so that the reader infers
// it (or refuses, when more than one value is left). With two or three focal groups the run
// takes the overall analysis of every group together beside the comparisons, and the values
// stay valid however the rows are mutated.
//
// Bounds: the IRT fits cost examinees x items x 61 per iteration of every fit, so an input
// that may ask for `irt` (any argument holding "irt" or "all") is skipped beyond 60 rows or 8
// columns. With `--match` the counts and thin levels run over every score from the column's
// lowest to its highest, so an input with numbers more than 2 000 apart in one column is skipped
// then (far from zero they may be).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_support.hpp"

using namespace itemdif;

namespace {

struct GroupsFromData {
  int focal_count = 0;
  bool with_reference = true;
};

/// `@K` or `@K-` with K from 1 to 3; anything else is an ordinary argument.
std::optional<GroupsFromData> groups_word(std::string_view word) {
  if (word.size() < 2 || word.size() > 3 || word[0] != '@' || word[1] < '1' || word[1] > '3')
    return std::nullopt;
  if (word.size() == 3 && word[2] != '-') return std::nullopt;
  return GroupsFromData{word[1] - '0', word.size() == 2};
}

/// The value of `--name VALUE` or `--name=VALUE` among the arguments (the last one given).
std::optional<std::string> option_value(const std::vector<std::string>& arguments,
                                        const std::string& name) {
  std::optional<std::string> value;
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    if (arguments[k] == name && k + 1 < arguments.size())
      value = arguments[k + 1];
    else if (arguments[k].starts_with(name + "="))
      value = arguments[k].substr(name.size() + 1);
  }
  return value;
}

/// The distinct non-empty values of the column named `group` in the CSV, in the order of
/// their first row, at most `most` of them. Cells are split at the delimiter without quotes:
/// a file the reader takes otherwise only gives values that no row holds.
std::vector<std::string> group_values(std::string_view csv, const std::string& group,
                                      char delimiter, std::size_t most) {
  std::vector<std::string> lines = fuzz::split(csv, '\n');
  std::vector<std::string> values;
  if (lines.empty()) return values;
  for (std::string& line : lines)
    if (!line.empty() && line.back() == '\r') line.pop_back();
  const std::vector<std::string> header = fuzz::split(lines.front(), delimiter);
  const auto column = std::find(header.begin(), header.end(), group);
  if (column == header.end()) return values;
  const auto at = static_cast<std::size_t>(column - header.begin());
  for (std::size_t row = 1; row < lines.size() && values.size() < most; ++row) {
    std::vector<std::string> cells = fuzz::split(lines[row], delimiter);
    if (at >= cells.size() || cells[at].empty()) continue;
    if (std::find(values.begin(), values.end(), cells[at]) == values.end())
      values.push_back(std::move(cells[at]));
  }
  return values;
}

/// Whether some argument may ask for the IRT method: a method list holding `irt` or `all`,
/// in whatever form the command line takes it.
bool may_fit_irt(const std::vector<std::string>& arguments) {
  return std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
    return argument.find("irt") != std::string::npos || argument.find("all") != std::string::npos;
  });
}

/// Whether some argument names a matching column.
bool may_match(const std::vector<std::string>& arguments) {
  return std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
    return argument.starts_with("--match");
  });
}

/// The separator of the options' `--delimiter` as the target reads it (a comma by default).
char separator_of(const std::vector<std::string>& arguments) {
  const std::optional<std::string> delimiter = option_value(arguments, "--delimiter");
  return !delimiter || delimiter->empty()                      ? ','
         : *delimiter == "tab" || *delimiter == "\\t" ? '\t'
                                                            : delimiter->front();
}

/// The line ends, a CR LF pair counted once: no fewer than the rows after the header (the
/// header's end stands for a last row without one; quoted cells may hold line ends).
std::size_t rows_at_most(std::string_view csv) {
  std::size_t ends = 0;
  for (std::size_t k = 0; k < csv.size(); ++k)
    if (csv[k] == '\n' || (csv[k] == '\r' && (k + 1 == csv.size() || csv[k + 1] != '\n'))) ++ends;
  return ends;
}

/// The header's cells split at every separator, quoted or not: no fewer than the reader's.
std::size_t columns_at_most(std::string_view csv, char separator) {
  const std::string_view header = csv.substr(0, csv.find_first_of("\r\n"));
  return static_cast<std::size_t>(std::count(header.begin(), header.end(), separator)) + 1;
}

/// Whether the numbers of some column lie more than `bound` apart (or one is not finite). Cells
/// are split at every separator and line end, their blanks and quotes trimmed, and a column is
/// a cell's place in its line.
bool numbers_spread_beyond(std::string_view csv, char separator, double bound) {
  struct Spread {
    double lowest = 0, highest = 0;
    bool any = false;
  };
  std::vector<Spread> columns;
  std::size_t start = 0, column = 0;
  while (start <= csv.size()) {
    std::size_t end = start;
    while (end < csv.size() && csv[end] != separator && csv[end] != '\n' && csv[end] != '\r')
      ++end;
    std::string_view cell = csv.substr(start, end - start);
    while (!cell.empty() && (cell.front() == ' ' || cell.front() == '\t' || cell.front() == '"'))
      cell.remove_prefix(1);
    while (!cell.empty() && (cell.back() == ' ' || cell.back() == '\t' || cell.back() == '"'))
      cell.remove_suffix(1);
    if (!cell.empty()) {
      const std::string text(cell);
      char* stop = nullptr;
      const double value = std::strtod(text.c_str(), &stop);
      if (stop == text.c_str() + text.size()) {
        if (!std::isfinite(value)) return true;
        if (column >= columns.size()) columns.resize(column + 1);
        Spread& spread = columns[column];
        spread.lowest = spread.any ? std::min(spread.lowest, value) : value;
        spread.highest = spread.any ? std::max(spread.highest, value) : value;
        spread.any = true;
        if (spread.highest - spread.lowest > bound) return true;
      }
    }
    column = end < csv.size() && csv[end] == separator ? column + 1 : 0;
    start = end + 1;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = fuzz::bytes_of(data, size);
  const std::size_t end = input.find('\n');
  if (end == std::string_view::npos || size > 200000) return 0;
  std::vector<std::string> arguments = {"itemdif", "analyze", "data.csv", "--out", "results"};
  std::optional<GroupsFromData> from_data;
  for (std::string& option : fuzz::split(input.substr(0, end), ' ')) {
    if (option.empty()) continue;
    if (!fuzz::stays_inside(option)) return 0;
    if (const std::optional<GroupsFromData> word = groups_word(option)) {
      from_data = word;
      continue;
    }
    arguments.push_back(std::move(option));
  }
  if (arguments.size() > 40) return 0;
  const std::string_view csv = input.substr(end + 1);
  const char separator = separator_of(arguments);
  if (may_fit_irt(arguments) && (rows_at_most(csv) > 60 || columns_at_most(csv, separator) > 8))
    return 0;
  if (may_match(arguments) && numbers_spread_beyond(csv, separator, 2000)) return 0;

  if (from_data) {
    const std::optional<std::string> group = option_value(arguments, "--group");
    if (group) {
      const std::vector<std::string> values = group_values(
          csv, *group, separator, 1 + static_cast<std::size_t>(from_data->focal_count));
      // Each value as an option of its own, with `=` (a value may start with a dash), its
      // commas escaped as the focal list wants them.
      for (std::size_t k = 1; k < values.size(); ++k) {
        std::string focal = "--focal=";
        for (const char c : values[k]) focal += c == ',' ? std::string("\\,") : std::string(1, c);
        arguments.push_back(std::move(focal));
      }
      if (!values.empty() && from_data->with_reference)
        arguments.push_back("--reference=" + values.front());
    }
  }

  fuzz::fresh_state();
  fuzz::write_file("data.csv", csv);
  fuzz::run_arguments(std::move(arguments));
  return 0;
}

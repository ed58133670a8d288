// What a run is besides its analysis values: the command, the input, the options in force and
// the methods run. The summary, the results files and the report all read this one value.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "stats/analysis_options.hpp"

namespace itemdif::results {

struct RunDescription {
  std::string version;  ///< of the program that wrote the results
  std::string command;  ///< "analyze" or "run"
  std::string input;    ///< the data file or the control file, as named

  /// One option in force, as the command line or the control file gives it.
  struct Setting {
    Setting(std::string name_, std::string value_, bool number_ = false,
            bool group_value_ = false, std::vector<std::string> values_ = {})
        : name(std::move(name_)), value(std::move(value_)), number(number_),
          group_value(group_value_), values(std::move(values_)) {}
    std::string name;
    std::string value;
    bool number = false;       ///< written as a number in JSON
    bool group_value = false;  ///< a group's value, which the groups show with their sizes
    /// A setting of several values (the focal groups): a list in JSON; `value` shows them
    /// joined.
    std::vector<std::string> values;
  };
  std::vector<Setting> settings;
  /// The methods computed, as positions in the method list.
  std::vector<std::size_t> methods;

  std::size_t items = 0;
  std::size_t rows_read = 0;            ///< data rows of the input
  std::size_t rows_of_no_group = 0;     ///< rows whose group value is missing or none of the groups
                                        ///< (or, with --match, whose matching score is missing)
  std::size_t rows_match_missing = 0;   ///< of those, rows of a group without a matching score
  /// The matching in force when it is not the sum of the items: "anchors q1, q3" or
  /// "column total_math"; empty for the item sum.
  std::string matching;
  /// The analysis's options as values (`analyze`); the summary words them.
  stats::AnalyzeOptions options;

  bool ran(std::size_t method) const {
    for (std::size_t m : methods)
      if (m == method) return true;
    return false;
  }
};

}  // namespace itemdif::results

// The option texts of `analyze` turned into the analysis's options. Each parser throws
// UsageError with a message naming the option.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "stats/analysis_options.hpp"

namespace itemdif::cli {

/// A command line that cannot be run: the message, and the command whose --help to name.
class UsageError : public std::runtime_error {
 public:
  UsageError(const std::string& message, std::string command)
      : std::runtime_error(message), command_(std::move(command)) {}
  const std::string& command() const { return command_; }

 private:
  std::string command_;
};

/// `thin`, a count of levels K >= 1, or a list of bounds `low-high,low-high,...`.
stats::LevelSpec parse_levels(const std::string& text);

/// Comma-separated names of the methods (`mh,std,bd,lr`), each at most once. Returns their
/// positions in the method list, in list order.
std::vector<std::size_t> parse_methods(const std::string& text);

/// Comma-separated texts; empty parts are kept out.
std::vector<std::string> split_list(const std::string& text);

/// The highest item score, 1 to data::kHighestMaxScore (scores are kept in a byte each).
int parse_max_score(int value);

/// A single character, or `tab` / `\t` for the tab.
char parse_delimiter(const std::string& text);

}  // namespace itemdif::cli

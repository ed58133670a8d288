// What the results files say about a run besides its analysis: the command, the input, the
// options in force and the groups.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace itemdif::results {

struct RunFacts {
  std::string version;  ///< of the program that wrote the results
  std::string command;  ///< "analyze" or "run"
  std::string input;    ///< the data file or the control file, as named

  /// One option in force, as the command line or the control file gives it.
  struct Setting {
    std::string name;
    std::string value;
    bool number = false;  ///< written as a number in JSON
  };
  std::vector<Setting> options;
  std::vector<std::string> methods;  ///< the methods computed: "mh", "std", "bd", "lr"

  struct Group {
    std::string value;  ///< the group's value in the data, or its name in a control file
    std::size_t n = 0;  ///< examinees in the analysis
  };
  Group reference, focal;
  std::size_t rows_left_out = 0;  ///< rows of neither group or left out listwise
};

}  // namespace itemdif::results

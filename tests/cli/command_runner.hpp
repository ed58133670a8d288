// Test support: the command line run in this process on given arguments.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.hpp"
#include "support/console_capture.hpp"

namespace itemdif::cli::testing {

struct Outcome {
  int status;
  std::string out;
  std::string err;
  std::string console;  ///< what a control-file analysis showed on the console
};

/// `itemdif` with `arguments`, on a fresh error facility and a captured console.
inline Outcome run_itemdif(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "itemdif");
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::ostringstream out, err;
  itemdif::testing::FreshFacility facility;
  itemdif::testing::CapturedConsole console;
  const int status = run_command_line(static_cast<int>(arguments.size()), argv.data(), out, err);
  return {status, out.str(), err.str(), console.text()};
}

}  // namespace itemdif::cli::testing

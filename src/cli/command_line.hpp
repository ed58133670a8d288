// The command line: the dialogue when no argument is given, else the `run` and `analyze`
// commands. The one place where the command line's errors become messages and exit statuses.
#pragma once

#include <ostream>

namespace itemdif::cli {

/// Runs the command `argv` names and returns the exit status: 0 completed; 1 a fatal condition
/// of a control-file analysis; 2 a usage error, invalid input or a failed write, with one line
/// `itemdif: error: ...` on `err` (and a line naming --help for a usage error).
int run_command_line(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace itemdif::cli

// How a run ends early: run-time input/output errors and the quiet stop.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace itemdif::textio {

/// A failed input/output operation (or a table that cannot be had). `main` writes the one
/// stderr line `itemdif: severe (N): <text>`, closes every channel and ends the run with exit
/// status 2. Error 62 is always preceded by the info line 58, also when `info` is empty: a
/// layout that breaks off at its end (a missing closing parenthesis) has no rest to show.
struct IoError : std::runtime_error {
  int number;        ///< 24, 29, 30, 38 (a failed write), 41, 43, 59, 60, 61, 62, 64
  int unit;          ///< channel; 0 when the message names none (41)
  std::string file;  ///< file name without trailing blanks
  std::string info;  ///< for 62: the rest of the layout text from the point of the error

  IoError(int number, int unit, std::string file, std::string info = {});

  /// The message text, e.g. "end-of-file during read, unit 20, file REF.DAT".
  std::string text() const;
};

/// Thrown by the layout engine where no channel is known yet (errors 60, 61, 62, 64);
/// channel operations turn it into an IoError naming their unit and file.
struct LayoutError : std::runtime_error {
  int number;
  std::string info;  ///< for 62: the rest of the layout text from the point of the error
  explicit LayoutError(int number, std::string info = {});
};

/// The quiet stop: nothing more is written, channels are closed with their lines written,
/// and the process ends with `status` (0 completed run, 1 fatal condition of the analysis or
/// of a numerical routine).
struct QuietStop {
  int status;
};

}  // namespace itemdif::textio

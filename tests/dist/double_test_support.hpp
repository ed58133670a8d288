// Helpers for the double-precision special-function tests: a console capture, calls made with
// the error facility's stops switched off, and a distance in units in the last place.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <functional>
#include <sstream>
#include <string>

#include "numerr/error_stack.hpp"
#include "support/console_capture.hpp"
#include "textio/channels.hpp"
#include "textio/errors.hpp"

namespace itemdif::dist::testing {

/// What a numerical routine left behind: its result, the error type and code it recorded
/// (N1RTY (1), N1RCD (1) right after it returned) and everything written on the console.
struct Outcome {
  double value;
  std::int32_t type;
  std::int32_t code;
  std::string console;
};

/// Every test starts with a fresh error facility and a captured console.
class FacilityTest : public itemdif::testing::ConsoleTest {
 protected:

  /// Runs `call` as the driver would, but with no error type ending the run, so the returned
  /// value can be checked. The stop table is back at its defaults afterwards.
  Outcome quietly(const std::function<double()>& call) {
    console().clear();
    std::int32_t print = -1;
    std::int32_t stop = 0;
    numerr::ERRATTR(0, print, stop);
    const double value = call();
    const std::int32_t type = numerr::N1RTY(1);
    const std::int32_t code = numerr::N1RCD(1);
    print = -1;
    stop = 2;
    numerr::ERRATTR(0, print, stop);
    return {value, type, code, console().text()};
  }

  /// Shows NOTE and ALERT messages on the console too (they are silent by default).
  static void show_all_types() {
    std::int32_t print = 1;
    std::int32_t stop = -1;
    numerr::ERRATTR(0, print, stop);
  }
};

/// The framed console message turned back into one line of text: the " *** TYPE ERROR n from
/// NAME.  " head and the 14-column continuation prefixes are removed, runs of blanks become one
/// blank. Enough to check that a message says what it should; exact frames are checked apart.
inline std::string message_text(const std::string& console) {
  std::string joined;
  std::istringstream lines(console);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(" *** ", 0) != 0) continue;
    const auto from = line.find(" from ");
    if (from != std::string::npos && line.find(" ERROR ") != std::string::npos) {
      const auto dot = line.find(".  ", from);
      line = dot == std::string::npos ? "" : line.substr(dot + 3);
    } else {
      line = line.substr(14);
    }
    joined += line + " ";
  }
  std::string squeezed;
  for (char c : joined) {
    if (c == ' ' && (squeezed.empty() || squeezed.back() == ' ')) continue;
    squeezed += c;
  }
  while (!squeezed.empty() && squeezed.back() == ' ') squeezed.pop_back();
  return squeezed;
}

/// Distance between two finite doubles of the same sign in units in the last place.
inline std::int64_t ulps_apart(double a, double b) {
  const auto ia = std::bit_cast<std::int64_t>(a);
  const auto ib = std::bit_cast<std::int64_t>(b);
  return ia > ib ? ia - ib : ib - ia;
}

}  // namespace itemdif::dist::testing

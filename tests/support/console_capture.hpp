// Test support shared by every suite: the console on strings, a fresh error facility, and the
// lines of a text the program wrote.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "textio/errors.hpp"

namespace itemdif::testing {

using Lines = std::vector<std::string>;

/// Points the console at strings for the lifetime of the object: what the program writes
/// collects in `text()`, and `typed` is what it reads.
class CapturedConsole {
 public:
  explicit CapturedConsole(const std::string& typed = {});
  ~CapturedConsole();
  CapturedConsole(const CapturedConsole&) = delete;
  CapturedConsole& operator=(const CapturedConsole&) = delete;

  /// Everything written since the start or the last `clear`.
  std::string text();
  void clear();
  /// The lines written since the last call, without their CR LF; fails the test for a line
  /// without one.
  Lines take_lines();

 private:
  std::ostringstream out_;
  std::istringstream in_;
};

/// The lines of `text`, each of which must end with CR LF (a failure of the test otherwise).
Lines crlf_lines(const std::string& text);

/// Resets the error facility of the numerical routines when made and when destroyed.
class FreshFacility {
 public:
  FreshFacility();
  ~FreshFacility();
  FreshFacility(const FreshFacility&) = delete;
  FreshFacility& operator=(const FreshFacility&) = delete;
};

/// A fresh error facility and a captured console per test.
class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    facility_.emplace();
    console_.emplace();
  }
  void TearDown() override {
    console_.reset();
    facility_.reset();
  }
  CapturedConsole& console() { return *console_; }
  Lines take_lines() { return console_->take_lines(); }

 private:
  std::optional<FreshFacility> facility_;
  std::optional<CapturedConsole> console_;
};

/// The status of the run's end inside `action`, or -1 when it returns.
inline int stop_status(const auto& action) {
  try {
    action();
  } catch (const textio::QuietStop& stop) {
    return stop.status;
  }
  return -1;
}

}  // namespace itemdif::testing

// Test support: the console captured as lines, and a fresh error facility per test.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "numerr/error_stack.hpp"
#include "textio/channels.hpp"
#include "textio/errors.hpp"

namespace itemdif::numerr::testing {

using Lines = std::vector<std::string>;

class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_error_facility(), textio::redirect_console(&out_, nullptr); }
  void TearDown() override { textio::redirect_console(nullptr, nullptr), reset_error_facility(); }

  /// The console lines since the last call; fails when one does not end with CR LF.
  Lines take_lines() {
    textio::console_output().flush();
    const std::string text = out_.str();
    out_.str({});
    Lines lines;
    for (std::size_t start = 0, end; start < text.size(); start = end + 2) {
      end = text.find("\r\n", start);
      if (end == std::string::npos) {
        ADD_FAILURE() << "line without CR LF: " << text.substr(start);
        break;
      }
      lines.push_back(text.substr(start, end - start));
    }
    return lines;
  }

 private:
  std::ostringstream out_;
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

inline std::string blanks(std::size_t n) { return std::string(n, ' '); }
/// A continuation line: " *** ", nine blanks, the piece.
inline std::string more(const std::string& piece) { return " ***" + blanks(10) + piece; }
/// A traceback row: 5 blanks, the name in 32 columns, type in 6, 6 blanks, code in 6.
inline std::string row(const std::string& name, int type, int code, bool internal) {
  const auto right6 = [](int v) { std::string t = std::to_string(v); return blanks(6 - t.size()) + t; };
  return blanks(5) + name + blanks(32 - name.size()) + right6(type) + blanks(6) + right6(code) +
         (internal ? blanks(4) + "(Called internally)" : "");
}

}  // namespace itemdif::numerr::testing

// Test support for the error messages: the console and facility of the shared support, and the
// shapes of message continuation and traceback lines.
#pragma once

#include <string>

#include "numerr/error_stack.hpp"
#include "support/console_capture.hpp"

namespace itemdif::numerr::testing {

using itemdif::testing::ConsoleTest;
using itemdif::testing::Lines;
using itemdif::testing::stop_status;

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

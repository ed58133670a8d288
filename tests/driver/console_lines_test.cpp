// The dialogue's console lines for the fatal conditions of the analysis.
#include "driver/console_lines.hpp"

#include <gtest/gtest.h>

#include <string>

#include "support/console_capture.hpp"

namespace itemdif::driver {
namespace {

std::string stop_lines(const AnalysisStop& stop) {
  itemdif::testing::CapturedConsole console;
  show_stop(textio::console_output(), stop);
  return console.text();
}

TEST(StopMessages, EachConditionHasItsLines) {
  EXPECT_EQ(stop_lines({StopReason::keyword_missing, ">LEVELS:"}),
            " FATAL ERROR; Keyword >LEVELS: missing\r\n");
  EXPECT_EQ(stop_lines({StopReason::no_variance, {}}),
            " Fatal Error: One or more items have 0.00 variance.\r\n"
            " Further Details in Ouput File.\r\n");
  // No terminal here, so the console is not cleared first.
  EXPECT_EQ(stop_lines({StopReason::conditioning_windows, {}}),
            "                     *******  FATAL ERROR   ******\r\n"
            "                  Conditioning windows are too small\r\n");
}

}  // namespace
}  // namespace itemdif::driver

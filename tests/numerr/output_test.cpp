// The facility's output channel: messages and tracebacks on a channel set in place of the
// console, in the same lines, and the console back when the channel is cleared or the facility
// is reset.
#include <sstream>
#include <string>

#include "message_rows.hpp"
#include "textio/channels.hpp"

namespace itemdif::numerr {
namespace {

using namespace testing;

class Output : public ConsoleTest {
 protected:
  // A terminal message three routines down, with its traceback.
  static void message_with_traceback() {
    E1PSH("CTGLM ");
    E1PSH("dGAMMA ");
    E1PSH("TDF ");
    E1MES(kTerminal, 2, ".  Short text.");
  }
};

TEST_F(Output, SetChannelTakesTheLinesTheConsoleWouldHave) {
  EXPECT_EQ(&message_output(), &textio::console_output());
  message_with_traceback();
  const std::string on_console = console().text();
  ASSERT_NE(on_console.find("Here is a traceback"), std::string::npos);

  reset_error_facility();
  console().clear();
  std::ostringstream sink;
  textio::OutputChannel channel(99, "messages", sink);
  set_message_output(&channel);
  EXPECT_EQ(&message_output(), &channel);
  message_with_traceback();
  channel.flush();
  EXPECT_EQ(sink.str(), on_console);
  EXPECT_EQ(console().text(), "");

  // Back to the console, by clearing the channel and by a reset.
  set_message_output(nullptr);
  E1MES(kTerminal, 3, ".  Again.");
  const Lines again = take_lines();
  ASSERT_GE(again.size(), 2U);
  EXPECT_EQ(again[1], " *** TERMINAL ERROR 3 from TDF.  Again.");
  set_message_output(&channel);
  reset_error_facility();
  EXPECT_EQ(&message_output(), &textio::console_output());
  E1PSH("Ab ");
  E1MES(kTerminal, 4, ".  m");
  EXPECT_EQ(take_lines(), (Lines{"", " *** TERMINAL ERROR 4 from Ab.  m"}));
  channel.flush();
  EXPECT_EQ(sink.str(), on_console);
}

// ERRPRINT writes a pending message on the set channel too.
TEST_F(Output, ErrprintUsesTheChannel) {
  std::ostringstream sink;
  textio::OutputChannel channel(99, "messages", sink);
  set_message_output(&channel);
  E1PSH("Ab ");
  E1MES(kNote, 1, ".  n");
  ERRPRINT();
  channel.flush();
  EXPECT_EQ(sink.str(), "\r\n *** NOTE     ERROR 1 from Ab.  n\r\n");
  EXPECT_EQ(console().text(), "");
}

}  // namespace
}  // namespace itemdif::numerr

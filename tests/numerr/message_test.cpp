// Messages: placeholder texts, the framed console form, line breaking and the traceback.
#include <cmath>
#include <string>

#include "message_rows.hpp"
#include "numerr/facility.hpp"

namespace itemdif::numerr {
namespace {

using namespace testing;

class Message : public ConsoleTest {
 protected:
  /// Records `text` as a note (never printed) and returns the message as built.
  static std::string built(const std::string& text) {
    E1MES(kNote, 1, text);
    return detail::facility().message;
  }
};

TEST_F(Message, PlaceholderTexts) {
  MSGSETI(1, -7);
  MSGSETD(1, 125.0);
  MSGSETD(2, 0.0);
  MSGSETD(3, -2.5e-300);
  MSGSETD(4, std::nan(""));
  MSGSETR(1, 123.456f);
  MSGSETR(2, 0.0f);
  MSGSETL(-2, "CTGLM ");  // a negative index counts as its absolute value
  EXPECT_EQ(built("%(I1)|%(D1)|%(d2)|%(D3)|%(D4)|%(r1)|%(R2)|%(L2)"),
            "-7|1.250000000000000D+02|0.000000000000000D+00|-2.500000000000000-300|NaN|"
            "1.234560E+02|0.000000E+00|CTGLM ");
}

TEST_F(Message, PlaceholdersLeftAsWritten) {
  MSGSETI(0, 1);
  MSGSETI(10, 2);
  MSGSETL(-10, "x");
  MSGSETI(1, 5);
  MSGSETL(2, "%(I1)");  // substituted text is not scanned again
  EXPECT_EQ(built("%(I0) %(I4) %(A1) %(Z1) %(X1) %(I1 %(I1) %(L2)"),
            "%(I0) %(I4) %(A1) %(Z1) %(X1) %(I1 5 %(I1)");
  // Texts set for one message are gone for the next, and after a print.
  EXPECT_EQ(built("%(I1)"), "%(I1)");
  MSGSETI(1, 5);
  ERRPRINT();
  EXPECT_EQ(built("%(I1)"), "%(I1)");
}

TEST_F(Message, StoreOf300CharactersWithEightPerText) {
  MSGSETL(1, std::string(300, 'a'));  // 255 kept: 263 taken
  MSGSETI(1, 1);                      // 9 more: 272
  MSGSETL(2, std::string(20, 'b'));   // 28 more: exactly full
  MSGSETI(2, 2);                      // does not fit
  EXPECT_EQ(built("%(L1)%(I1)%(L2)%(I2)"),
            std::string(255, 'a') + "1" + std::string(20, 'b') + "%(I2)");
  // Setting a text again gives back the room of the earlier one.
  MSGSETL(1, std::string(255, 'a'));
  MSGSETL(1, "short");
  MSGSETL(2, std::string(200, 'b'));
  EXPECT_EQ(built("%(L1)%(L2)"), "short" + std::string(200, 'b'));
}

TEST_F(Message, CutAt1024Characters) {
  MSGSETL(1, std::string(200, 'v'));
  EXPECT_EQ(built(std::string(1000, 'm') + "%(L1)"), std::string(1000, 'm') + std::string(24, 'v'));
  MSGSETI(1, 3);
  EXPECT_EQ(built(std::string(1020, 'm') + "%(I1)"), std::string(1020, 'm') + "%(I1");
}

TEST_F(Message, WorkedExample) {
  E1PSH("CTGLM ");
  E1MES(kTerminal, 1, ".  The argument passed to N1RTY must be 0 or 1.");
  EXPECT_EQ(take_lines(),
            (Lines{"", " *** TERMINAL ERROR 1 from CTGLM.  The argument passed to N1RTY must be 0 or",
                   more("1.")}));
}

TEST_F(Message, OneLineAndTheLeadAddedToTheHeader) {
  E1PSH("dCHIDF ");
  E1MES(kTerminal, 3, ".  Short.");
  E1MES(kTerminal, 12, "No lead.");
  E1MES(kTerminal, 9, ".  " + std::string(42, 'x'));  // 14 + 45 = 59 columns: one line
  EXPECT_EQ(take_lines(), (Lines{"", " *** TERMINAL ERROR 3 from DCHIDF.  Short.", "",
                                 " *** TERMINAL ERROR 12 from DCHIDF.  No lead.", "",
                                 " *** TERMINAL ERROR 9 from DCHIDF.  " + std::string(42, 'x')}));
}

TEST_F(Message, BreakMarks) {
  E1PSH("CTGLM ");
  E1MES(kTerminal, 2, ".  Head%/first%/ second");  // a break at a mark skips no blank
  EXPECT_EQ(take_lines(),
            (Lines{"", " *** TERMINAL ERROR 2 from CTGLM.  Head", more("first"), more(" second")}));
}

TEST_F(Message, LongMessageInPiecesOf64) {
  E1PSH("CTGLM ");
  E1MES(kTerminal, 7,
        ".  The iterative fit did not converge within the allowed number of steps; the "
        "estimates of the last step are returned and the standard errors may be too small to "
        "be trusted for inference on the group effect.");
  // The blank at a break stays as the last character of a 64-column piece.
  EXPECT_EQ(take_lines(),
            (Lines{"", " *** TERMINAL ERROR 7 from CTGLM.  The iterative fit did not converge within",
                   more("the allowed number of steps; the estimates of the last step are "),
                   more("returned and the standard errors may be too small to be trusted "),
                   more("for inference on the group effect.")}));
}

TEST_F(Message, CutsWithoutBlanksAndTheOneSkippedBlank) {
  E1PSH("CTGLM ");
  // Header with the lead added leaves 59 - 13 - 3 = 43 columns; the blank after a cut goes.
  E1MES(kTerminal, 1, std::string(43, 'A') + " " + std::string(64, 'B') + " C");
  E1MES(kTerminal, 1, ".  H%/" + std::string(63, 'a') + "   b");
  EXPECT_EQ(take_lines(), (Lines{"", " *** TERMINAL ERROR 1 from CTGLM.  " + std::string(43, 'A'),
                                 more(std::string(64, 'B')), more("C"), "",
                                 " *** TERMINAL ERROR 1 from CTGLM.  H",
                                 more(std::string(63, 'a') + " "), more(" b")}));
}

TEST_F(Message, TracebackBelowTheDriversCallee) {
  E1PSH("CTGLM ");
  E1PSH("dGAMMA ");
  E1PSH("TDF ");
  E1MES(kTerminal, 2, ".  Short text.");
  EXPECT_EQ(take_lines(),
            (Lines{"", " *** TERMINAL ERROR 2 from TDF.  Short text.",
                   blanks(5) + "Here is a traceback of subprogram calls in reverse order:",
                   blanks(5) + "Routine name" + blanks(16) + "    Error type  Error code",
                   blanks(5) + "------------" + blanks(16) + "    ----------  ----------",
                   row("TDF", 5, 2, true), row("DGAMMA", 0, 0, true), row("CTGLM", 0, 0, false),
                   row("USER", 0, 0, false)}));
}

TEST_F(Message, TypeNamesAndPrintingOnce) {
  E1PSH("Ab ");
  const char* names[] = {"NOTE    ", "ALERT   ", "WARNING ", "FATAL   ",
                         "TERMINAL", "WARNING ", "FATAL   "};
  for (int type = 1; type <= 7; ++type) {
    E1MES(type, 4, ".  m");
    ERRPRINT();
    ERRPRINT();
    EXPECT_EQ(take_lines(), (Lines{"", " *** " + std::string(names[type - 1]) + " ERROR 4 from Ab.  m"}));
  }
}

}  // namespace
}  // namespace itemdif::numerr

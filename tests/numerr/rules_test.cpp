// The routine stack, the print and stop rules, ERRATTR, the misuse paths and the scope guard.
#include <stdexcept>
#include <string>

#include "message_rows.hpp"

namespace itemdif::numerr {
namespace {

using namespace testing;

class Rules : public ConsoleTest {};

TEST_F(Rules, LevelStateAndWhatTravelsUp) {
  E1PSH("CTGLM ");
  EXPECT_EQ(N1RTY(0), 0);
  EXPECT_EQ(N1RCD(1), -1);  // nothing has run above yet
  E1PSH("C2GLM ");
  E1MES(kNote, 5, ".  n");
  E1POP("C2GLM ");
  EXPECT_EQ(N1RTY(0), 0);  // notes stay with their routine
  EXPECT_EQ(N1RTY(1), kNote);
  E1PSH("C2GLM");  // names compare blank-filled to 32 characters
  E1MES(-1, 17, ".  leaves the type");
  E1MES(kAlert, -3, ".  leaves the code");
  E1POP("C2GLM  ");
  EXPECT_EQ(N1RTY(0), kAlert);
  EXPECT_EQ(N1RCD(0), 17);
  E1POP("CTGLM ");
  EXPECT_EQ(N1RTY(1), kAlert);
  EXPECT_EQ(take_lines(), Lines{});
}

TEST_F(Rules, WarningTravelsUpAndPrintsOnceWhenTheDriversCalleeReturns) {
  E1PSH("CTGLM ");
  E1PSH("C2GLM ");
  E1PSH("R2IVN ");
  MSGSETI(1, 7);
  E1MES(kWarning, 4, ".  Warning %(I1).");
  E1POP("R2IVN ");
  E1POP("C2GLM ");
  EXPECT_EQ(take_lines(), Lines{});
  E1POP("CTGLM ");
  E1PSH("CTGLM ");
  E1POP("CTGLM ");
  EXPECT_EQ(take_lines(), (Lines{"", " *** WARNING  ERROR 4 from CTGLM.  Warning 7."}));
}

TEST_F(Rules, ClearedMessageIsNeverPrinted) {
  E1PSH("CTGLM ");
  E1MES(kFatal, 3, ".  pending");
  E1MES(kWarning, 0, ".  clears");
  E1POP("CTGLM ");
  EXPECT_EQ(take_lines(), Lines{});
}

TEST_F(Rules, FatalPrintsAndEndsTheRunWhenTheDriversCalleeReturns) {
  E1PSH("CTGLM ");
  E1PSH("C2GLM ");
  E1MES(kFatal, 6, ".  fatal");
  E1POP("C2GLM ");
  EXPECT_EQ(take_lines(), Lines{});
  EXPECT_EQ(stop_status([] { E1POP("CTGLM "); }), 1);
  EXPECT_EQ(take_lines(), (Lines{"", " *** FATAL    ERROR 6 from CTGLM.  fatal"}));
}

TEST_F(Rules, TerminalPrintsWhenRecordedAndEndsTheRunWhenItsRoutineReturns) {
  E1PSH("CTGLM ");
  E1PSH("C2GLM ");
  E1MES(kTerminal, 1, ".  t");
  EXPECT_EQ(take_lines().size(), 8u);  // message and traceback
  EXPECT_EQ(stop_status([] { E1POP("C2GLM "); }), 1);
  EXPECT_EQ(take_lines(), Lines{});
}

TEST_F(Rules, ImmediateTypesPrintAtOnceAndStopOnlyAtTheDriversCallee) {
  E1PSH("CTGLM ");
  E1PSH("C2GLM ");
  E1MES(kWarningImmediate, 2, ".  w");
  E1POP("C2GLM ");
  E1POP("CTGLM ");  // type 6 does not stop by default
  E1PSH("CTGLM ");
  E1PSH("C2GLM ");
  E1MES(kFatalImmediate, 2, ".  f");
  E1POP("C2GLM ");
  EXPECT_EQ(stop_status([] { E1POP("CTGLM "); }), 1);
  const Lines out = take_lines();
  ASSERT_EQ(out.size(), 16u);
  EXPECT_EQ(out[1], " *** WARNING  ERROR 2 from C2GLM.  w");
  EXPECT_EQ(out[9], " *** FATAL    ERROR 2 from C2GLM.  f");
}

TEST_F(Rules, ErrattrSwitchesTypeSixOffAndBack) {
  std::int32_t print = 0, stop = -1;
  ERRATTR(kWarningImmediate, print, stop);
  E1PSH("CTGLM ");
  E1MES(kWarningImmediate, 3, ".  silenced");
  E1POP("CTGLM ");
  EXPECT_EQ(take_lines(), Lines{});
  print = 2;
  ERRATTR(kWarningImmediate, print, stop);
  std::int32_t p = -9, s = -9;
  ERRATTR(-kWarningImmediate, p, s);
  EXPECT_EQ(p * 10 + s, 10);
  E1PSH("CTGLM ");
  E1MES(kWarningImmediate, 3, ".  heard");
  EXPECT_EQ(take_lines(), (Lines{"", " *** WARNING  ERROR 3 from CTGLM.  heard"}));
}

TEST_F(Rules, ErrattrTablesAndTheFlagsClearedWhenRead) {
  std::int32_t p = 0, s = 1;
  ERRATTR(0, p, s);
  p = 2, s = 2;
  ERRATTR(kFatal, p, s);
  p = 0, s = 0;
  ERRATTR(8, p, s);  // changes nothing
  const int expected[] = {1, 1, 1, 11, 1, 1, 1};
  for (int t = 1; t <= 7; ++t) {
    ERRATTR(-t, p, s);
    EXPECT_EQ(p * 10 + s, expected[t - 1]) << t;
  }
  p = -1, s = 0;
  ERRATTR(kWarningImmediate, p, s);
  ERRATTR(kFatalImmediate, p, s);
  E1PSH("CTGLM ");
  E1MES(kFatalImmediate, 3, ".  f");
  E1POP("CTGLM ");  // reads the type-7 flag (stop entry off) and clears it
  s = 1;
  ERRATTR(kFatalImmediate, p, s);
  E1PSH("CTGLM ");
  E1MES(kWarningImmediate, 3, ".  w");
  EXPECT_EQ(stop_status([] { E1POP("CTGLM "); }), -1);  // no type 7 on record any more
  E1PSH("CTGLM ");
  E1MES(kFatalImmediate, 3, ".  f");
  EXPECT_EQ(stop_status([] { E1POP("CTGLM "); }), 1);
  EXPECT_EQ(take_lines(), Lines{});
}

TEST_F(Rules, ErrattrRejectsAttributesOutsideTheirRange) {
  E1PSH("CTGLM ");
  std::int32_t p = 5, s = -2;
  ERRATTR(kWarning, p, s);
  EXPECT_EQ(take_lines(),
            (Lines{"", " *** TERMINAL ERROR 1 from CTGLM.  Invalid value specified for print table",
                   more("attribute.  IPATT must be -1, 0, 1, or 2.  IPATT = 5"), "",
                   " *** TERMINAL ERROR 1 from CTGLM.  Invalid value specified for stop table",
                   more("attribute.  ISATT must be -1, 0, 1, or 2.  ISATT = -2")}));
  ERRATTR(-kWarning, p, s);
  EXPECT_EQ(p * 10 + s, 10);
}

TEST_F(Rules, PushBeyondFiftyLevels) {
  for (int level = 2; level <= 50; ++level) E1PSH("R" + std::to_string(level));
  EXPECT_EQ(stop_status([] { E1PSH("R51"); }), 1);
  const Lines out = take_lines();
  ASSERT_EQ(out.size(), 56u);
  EXPECT_EQ(out[1], " *** TERMINAL ERROR 1 from R50.  Error condition in E1PSH.  Push would cause");
  EXPECT_EQ(out[2], more("stack level to exceed 50. "));
  EXPECT_EQ(out[6], row("R50", 5, 1, true));
  EXPECT_EQ(out[53], row("R3", 0, 0, true));
  EXPECT_EQ(out[54], row("R2", 0, 0, false));
}

TEST_F(Rules, PopMisuse) {
  EXPECT_EQ(stop_status([] { E1POP("CTGLM "); }), 1);
  E1PSH("CTGLM ");
  EXPECT_EQ(stop_status([] { E1POP("C2GLM "); }), 1);
  EXPECT_EQ(take_lines(),
            (Lines{"", " *** TERMINAL ERROR 1 from USER.  Error condition in E1POP.  Cannot pop from",
                   more("CTGLM  because stack is empty."), "",
                   " *** TERMINAL ERROR 2 from CTGLM.  Error condition in E1POP.  C2GLM  does not",
                   more("match the name CTGLM" + blanks(28) + "in the stack.")}));
}

TEST_F(Rules, IllegalTypeAndBadArgumentsEndTheRun) {
  E1PSH("CTGLM ");
  std::int32_t p = 0, s = 0;
  ERRATTR(kTerminal, p, s);  // misuse is shown and ends the run all the same
  EXPECT_EQ(stop_status([] { E1MES(8, 1, ".  x"); }), 1);
  EXPECT_EQ(stop_status([] { E1MES(-2, 1, ".  x"); }), 1);
  EXPECT_EQ(N1RTY(0), 0);  // illegal types are not stored
  EXPECT_EQ(stop_status([] { N1RTY(2); }), 1);
  EXPECT_EQ(stop_status([] { N1RCD(-1); }), 1);
  const Lines out = take_lines();
  ASSERT_EQ(out.size(), 12u);
  EXPECT_EQ(out[1], " *** TERMINAL ERROR 0 from CTGLM.  Error from E1MES.  Illegal error type");
  EXPECT_EQ(out[2], more("specified. "));
  EXPECT_EQ(out[7], " *** TERMINAL ERROR 1 from CTGLM.  The argument passed to N1RTY must be 0 or");
  EXPECT_EQ(out[10], " *** TERMINAL ERROR 1 from CTGLM.  The argument passed to N1RCD must be 0 or");
  EXPECT_EQ(out[11], more("1. "));
}

TEST_F(Rules, Umach) {
  std::int32_t in = 0, out = 0, out3 = 0, unchanged = 9;
  UMACH(1, in), UMACH(2, out), UMACH(3, out3), UMACH(4, unchanged);
  EXPECT_EQ(std::to_string(in) + std::to_string(out) + std::to_string(out3) + std::to_string(unchanged),
            "5669");
}

TEST_F(Rules, ScopeGuard) {
  {
    RoutineScope outer{"CTGLM "};
    RoutineScope inner{"C2GLM "};
    E1MES(kAlert, 3, ".  a");
  }
  EXPECT_EQ(N1RTY(0), kAlert);  // both popped: the alert reached USER
  try {
    RoutineScope outer{"CTGLM "};
    RoutineScope inner{"C2GLM "};
    throw std::runtime_error("unwinding");
  } catch (const std::runtime_error&) {
  }
  E1POP("C2GLM ");  // the unwinding left both names in place
  E1POP("CTGLM ");
  EXPECT_EQ(stop_status([] {
              RoutineScope scope{"CTGLM "};
              E1MES(kFatal, 1, ".  f");
            }),
            1);
  EXPECT_EQ(take_lines(), (Lines{"", " *** FATAL    ERROR 1 from CTGLM.  f"}));
}

}  // namespace
}  // namespace itemdif::numerr

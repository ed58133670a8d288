// The facility's state as a value: what its comparison sees, loading a state, a thread's own
// facility and the silence of a thread that works ahead.
#include "numerr/facility_state.hpp"

#include <cstdint>
#include <sstream>
#include <string>
#include <thread>

#include "message_rows.hpp"
#include "textio/channels.hpp"

namespace itemdif::numerr {
namespace {

using namespace testing;

class FacilityStates : public ConsoleTest {};

// One call of a routine that records nothing, as every clean fit makes its calls.
void clean_call(const char* name) {
  RoutineScope scope{name};
}

TEST_F(FacilityStates, TheComparisonSeesWhatLaterOperationsRead) {
  clean_call("CTGLM ");
  const FacilityState start = save_facility();
  EXPECT_TRUE(save_facility().same_as(start));

  // The names left above the level just over the current one are never read before a push
  // writes them: a deeper call with other names leaves a state that behaves the same.
  {
    RoutineScope outer{"OTHER "};
    clean_call("DEEPER");
  }
  EXPECT_TRUE(save_facility().same_as(start));

  // A note stays pending with its routine: the routine's code shows at level 2.
  {
    RoutineScope outer{"CTGLM "};
    E1MES(kNote, 3, ".  a note");
  }
  EXPECT_FALSE(save_facility().same_as(start));
  load_facility(start);
  EXPECT_TRUE(save_facility().same_as(start));

  // An alert is not printed but travels up and stays pending.
  {
    RoutineScope outer{"CTGLM "};
    E1MES(kAlert, 1, ".  underflow");
  }
  EXPECT_FALSE(save_facility().same_as(start));
  EXPECT_EQ(take_lines(), Lines{});
  load_facility(start);

  std::int32_t print = 0;
  std::int32_t stop = 1;
  ERRATTR(kWarning, print, stop);
  EXPECT_FALSE(save_facility().same_as(start));
  load_facility(start);

  MSGSETI(1, 5);  // a text set for the next message
  EXPECT_FALSE(save_facility().same_as(start));
}

// Work that passes an error up to its caller, or leaves a message pending, writes over the
// marks; work that records nothing leaves them, and its state then takes the caller's entry
// and message of another state.
TEST_F(FacilityStates, MarksShowWhetherWorkWroteTheCallersEntry) {
  clean_call("CTGLM ");
  const FacilityState start = save_facility();
  const FacilityState marked = start.with_caller_marked();
  EXPECT_TRUE(marked.caller_marked());
  EXPECT_FALSE(start.caller_marked());
  EXPECT_FALSE(marked.same_as(start));
  EXPECT_TRUE(marked.same_but_caller(start));

  load_facility(marked);
  clean_call("CTGLM ");
  EXPECT_TRUE(save_facility().caller_marked());

  for (std::int32_t type : {kAlert, kNote, kWarning}) {
    load_facility(marked);
    {
      RoutineScope outer{"CTGLM "};
      RoutineScope inner{"C3GLM "};
      E1MES(type, 1, ".  recorded");
    }
    EXPECT_FALSE(save_facility().caller_marked()) << type;
  }
  take_lines();

  // An alert left pending here: the clean work's state takes it over.
  load_facility(start);
  {
    RoutineScope outer{"CTGLM "};
    E1MES(kAlert, 4, ".  pending");
  }
  const FacilityState alerted = save_facility();
  EXPECT_FALSE(alerted.same_as(start));
  EXPECT_TRUE(alerted.same_but_caller(start));  // all it changed is the caller's
  clean_call("CTGLM ");
  const FacilityState after_alert = save_facility();
  load_facility(marked);
  clean_call("CTGLM ");
  const FacilityState merged = save_facility().with_caller_of(alerted);
  EXPECT_FALSE(merged.caller_marked());
  EXPECT_TRUE(merged.same_as(after_alert));
}

TEST_F(FacilityStates, LoadingKeepsTheThreadsOwnOutputAndSilence) {
  std::ostringstream sink;
  textio::OutputChannel elsewhere(99, "messages", sink);
  {
    RoutineScope outer{"CTGLM "};
    E1MES(kAlert, 1, ".  pending");
  }
  const FacilityState pending = save_facility();
  reset_error_facility();
  set_message_output(&elsewhere);
  load_facility(pending);
  EXPECT_TRUE(save_facility().same_as(pending));
  EXPECT_EQ(&message_output(), &elsewhere);
  set_message_output(nullptr);
}

TEST_F(FacilityStates, EveryThreadHasAFacilityOfItsOwn) {
  {
    RoutineScope outer{"CTGLM "};
    E1MES(kAlert, 1, ".  pending here");
  }
  const FacilityState here = save_facility();
  bool fresh_there = false;
  std::thread([&] { fresh_there = save_facility().same_as(FacilityState{}); }).join();
  EXPECT_TRUE(fresh_there);
  EXPECT_TRUE(save_facility().same_as(here));
}

// A silenced thread prints nothing and counts what it would have printed; the state it is
// left in is that of the printing.
TEST_F(FacilityStates, ASilencedThreadCountsItsMessages) {
  const FacilityState start = save_facility();
  std::uint64_t counted = 0;
  bool same_end = false;
  std::thread([&] {
    load_facility(start);
    silence_messages();
    {
      RoutineScope outer{"CTGLM "};
      RoutineScope inner{"C3GLM "};
      E1MES(kWarning, 2, "Too many iterations.  Convergence is assumed.");
    }
    counted = silenced_messages();
    const FacilityState end = save_facility();
    // The same on a thread that prints, for the state it leaves.
    std::thread([&] {
      load_facility(start);
      {
        RoutineScope outer{"CTGLM "};
        RoutineScope inner{"C3GLM "};
        E1MES(kWarning, 2, "Too many iterations.  Convergence is assumed.");
      }
      same_end = save_facility().same_as(end);
    }).join();
  }).join();
  EXPECT_EQ(counted, 1u);
  EXPECT_TRUE(same_end);
  // Only the inner thread printed.
  const Lines lines = take_lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], " *** WARNING  ERROR 2 from CTGLM.  Too many iterations.  Convergence is");
}

}  // namespace
}  // namespace itemdif::numerr

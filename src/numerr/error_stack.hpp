// The error facility of the numerical routines: routine-name stack, typed messages with
// placeholders, print and stop rules.
#pragma once

#include <cstdint>
#include <string_view>

namespace itemdif::textio {
class OutputChannel;
}

namespace itemdif::numerr {

// Error types.
inline constexpr std::int32_t kNote = 1;
inline constexpr std::int32_t kAlert = 2;
inline constexpr std::int32_t kWarning = 3;
inline constexpr std::int32_t kFatal = 4;
inline constexpr std::int32_t kTerminal = 5;
inline constexpr std::int32_t kWarningImmediate = 6;
inline constexpr std::int32_t kFatalImmediate = 7;

// Every operation ends the run by throwing textio::QuietStop{1} when the rules say so; messages
// go to the facility's output channel, the console (channel 6) unless another is set, whatever
// else is open.

/// Registers a routine (name kept to 32 characters, blank-filled). A push beyond 50 levels
/// prints a terminal message and ends the run.
void E1PSH(std::string_view name);
/// Deregisters the routine on top, which must carry `name`; passes its error on to the caller
/// and prints or ends the run as the error type and the tables say.
void E1POP(std::string_view name);
/// Records an error for the routine on top. Type -1 keeps the recorded type, a negative code
/// the recorded code; type 0 or code 0 clears the pending message. Placeholders %(Kn) are
/// filled from the texts set since the last message; types 5 to 7 may print at once.
void E1MES(std::int32_t type, std::int32_t code, std::string_view text);
/// Placeholder texts for the next message, index 1 to 9 (others ignored). They share a store
/// of 300 characters, each taking its length plus 8; a text that no longer fits is dropped.
void MSGSETI(std::int32_t index, std::int32_t value);
void MSGSETD(std::int32_t index, double value);  ///< (1P,D24.15); zero and NaN (D24.15)
void MSGSETR(std::int32_t index, float value);   ///< (1P,E14.6); zero and NaN (E14.6)
void MSGSETL(std::int32_t index, std::string_view text);  ///< 255 characters; index may be negative
/// The error type (code) at the current level (which = 0) or left by the routine that returned
/// last (which = 1). Any other argument ends the run.
std::int32_t N1RTY(std::int32_t which);
std::int32_t N1RCD(std::int32_t which);
/// Channels: request 1 gives 5 (console input), 2 and 3 give 6 (console output).
void UMACH(std::int32_t request, std::int32_t& channel);
/// Type 0 (all) or 1..7: attributes 0 off, 1 on, 2 default, -1 unchanged. Type -1..-7: reads
/// the entries of that type into the two arguments.
void ERRATTR(std::int32_t type, std::int32_t& print_attribute, std::int32_t& stop_attribute);
/// Prints the pending message, if any, once.
void ERRPRINT();
/// Sets the facility up. Every operation does so on first use; later calls do nothing.
void ERRINIT();

/// Pushes `name` on construction and pops it on every normal exit. While the run is ending (an
/// exception is unwinding) it leaves the stack alone. The pop may itself end the run, so the
/// destructor can throw textio::QuietStop. `name` is kept by reference: pass a literal.
class RoutineScope {
 public:
  explicit RoutineScope(std::string_view name);
  ~RoutineScope() noexcept(false);
  RoutineScope(const RoutineScope&) = delete;
  RoutineScope& operator=(const RoutineScope&) = delete;

 private:
  std::string_view name_;
  int uncaught_;
};

/// The channel that messages and tracebacks are printed on: the console (channel 6) unless
/// set_message_output named another.
textio::OutputChannel& message_output();
/// Prints later messages on `channel`, which must stay open while it is set; nullptr gives the
/// console back. The channel is part of the facility's state (a reset gives the console back).
void set_message_output(textio::OutputChannel* channel);

/// Starts the facility afresh (as before its first use), printing on the console. For tests.
void reset_error_facility();

}  // namespace itemdif::numerr

// The error facility of the numerical routines: routine-name stack, typed messages with
// placeholders, print and stop rules.
#pragma once

#include <cstdint>
#include <string_view>

namespace itemdif::numerr {

// Error types.
inline constexpr std::int32_t kNote = 1;
inline constexpr std::int32_t kAlert = 2;
inline constexpr std::int32_t kWarning = 3;
inline constexpr std::int32_t kFatal = 4;
inline constexpr std::int32_t kTerminal = 5;
inline constexpr std::int32_t kWarningImmediate = 6;
inline constexpr std::int32_t kFatalImmediate = 7;

void E1PSH(std::string_view name);
void E1POP(std::string_view name);
void E1MES(std::int32_t type, std::int32_t code, std::string_view text);
void MSGSETI(std::int32_t index, std::int32_t value);
void MSGSETD(std::int32_t index, double value);
void MSGSETR(std::int32_t index, float value);
void MSGSETL(std::int32_t index, std::string_view text);
std::int32_t N1RTY(std::int32_t which);
std::int32_t N1RCD(std::int32_t which);
void UMACH(std::int32_t request, std::int32_t& channel);
void ERRATTR(std::int32_t type, std::int32_t& print_attribute, std::int32_t& stop_attribute);
void ERRPRINT();

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

/// Starts the facility afresh (as before its first use). For tests.
void reset_error_facility();

}  // namespace itemdif::numerr

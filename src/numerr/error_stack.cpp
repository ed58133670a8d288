// The routine-name stack and the recording of errors: E1PSH, E1POP, E1MES, N1RTY, N1RCD,
// UMACH, ERRATTR, and the state they share.
#include "numerr/error_stack.hpp"

#include <exception>
#include <memory>
#include <string>

#include "numerr/facility.hpp"
#include "textio/channels.hpp"
#include "textio/errors.hpp"

namespace itemdif::numerr {
namespace detail {
namespace {

// A thread's own: fits made ahead on other threads must not see the run's stack.
std::unique_ptr<Facility>& facility_slot() {
  thread_local std::unique_ptr<Facility> slot;
  return slot;
}

// One attribute of ERRATTR applied to one table entry.
void apply_attribute(int& entry, std::int32_t attribute, int default_value) {
  switch (attribute) {
    case 0: entry = 0; break;
    case 1: entry = 1; break;
    case 2: entry = default_value; break;
    default: break;  // -1: unchanged
  }
}

}  // namespace

Facility::Facility() {
  for (int i = 0; i <= kMaxLevel + 1; ++i) {
    name[i] = stack_name("");
    type[i] = -1;
    code[i] = -1;
    called_by_driver[i] = false;
  }
  name[1] = stack_name("USER");
  type[1] = 0;
  code[1] = 0;
  called_by_driver[2] = true;
  print_table = kDefaultPrint;
  stop_table = kDefaultStop;
  traceback_table.fill(1);
}

Facility& facility() {
  auto& slot = facility_slot();
  if (!slot) slot = std::make_unique<Facility>();
  return *slot;
}

std::string stack_name(std::string_view name) {
  std::string out(name.substr(0, kNameLength));
  out.resize(kNameLength, ' ');
  return out;
}

bool same_name(std::string_view stored, std::string_view given) {
  given = given.substr(0, kNameLength);
  return stored.substr(0, given.size()) == given &&
         stored.find_first_not_of(' ', given.size()) == std::string_view::npos;
}

void end_run() { throw textio::QuietStop{1}; }

void misuse(std::int32_t code, std::string_view text) {
  E1MES(kTerminal, code, text);
  // Shown even when terminal messages have been switched off: the run ends here.
  print_pending(facility(), kTerminal);
  end_run();
}

}  // namespace detail

void reset_error_facility() { detail::facility_slot().reset(); }

void ERRINIT() { detail::facility(); }

void E1PSH(std::string_view name) {
  auto& f = detail::facility();
  if (f.level >= f.max_level) {
    MSGSETI(1, f.max_level);
    detail::misuse(1, "Error condition in E1PSH.  Push would cause stack level to exceed %(I1). ");
  }
  ++f.level;
  // Reuses the slot's room: pushes and pops are on every numerical call.
  std::string& slot = f.name[f.level];
  slot.assign(name.substr(0, detail::kNameLength));
  slot.resize(detail::kNameLength, ' ');
  f.type[f.level] = 0;
  f.code[f.level] = 0;
}

void E1POP(std::string_view name) {
  auto& f = detail::facility();
  if (f.level < 2) {
    MSGSETL(1, name);
    detail::misuse(1, "Error condition in E1POP.  Cannot pop from %(L1) because stack is empty.");
  }
  if (!detail::same_name(f.name[f.level], name)) {
    MSGSETL(1, name);
    MSGSETL(2, f.name[f.level]);
    detail::misuse(2, "Error condition in E1POP.  %(L1) does not match the name %(L2) in the stack.");
  }

  const int level = f.level;
  const std::int32_t t = f.type[level];
  // Notes stay with the routine that raised them; everything else travels up to the caller.
  if (t >= 2 && t <= 7) {
    f.type[level - 1] = t;
    f.code[level - 1] = f.code[level];
  }

  if (t >= 5 && t <= 7) {
    if (f.print_table[t] == 1) detail::print_pending(f, t);
    if (t == kTerminal && f.stop_table[t] == 1) detail::end_run();
    if (t != kTerminal && f.called_by_driver[level]) {
      const bool stop = (f.type6_recorded && f.stop_table[kWarningImmediate] == 1) ||
                        (f.type7_recorded && f.stop_table[kFatalImmediate] == 1);
      f.type6_recorded = false;
      f.type7_recorded = false;
      if (stop) detail::end_run();
    }
  } else if (t >= 1 && t <= 4 && f.called_by_driver[level]) {
    if (f.print_table[t] == 1) detail::print_pending(f, t);
    if (f.stop_table[t] == 1) detail::end_run();
  }

  f.type[level + 1] = -1;
  f.code[level + 1] = -1;
  --f.level;
}

void E1MES(std::int32_t type, std::int32_t code, std::string_view text) {
  auto& f = detail::facility();
  if (type < -1 || type > 7) {
    f.message = ".  Error from E1MES.  Illegal error type specified. ";
    f.placeholders.clear();
    detail::print_pending(f, kTerminal);
    detail::end_run();
  }
  if (type != -1) f.type[f.level] = type;
  if (code >= 0) f.code[f.level] = code;

  if (type == 0 || code == 0) {
    f.message.clear();
  } else {
    f.message = detail::substitute(text, f.placeholders);
    if (type == kWarningImmediate) f.type6_recorded = true;
    if (type == kFatalImmediate) f.type7_recorded = true;
  }
  // Texts are set for the one message that follows them.
  f.placeholders.clear();
  if (type >= 5 && type <= 7 && f.print_table[type] == 1) detail::print_pending(f, type);
}

std::int32_t N1RTY(std::int32_t which) {
  auto& f = detail::facility();
  if (which != 0 && which != 1)
    detail::misuse(1, ".  The argument passed to N1RTY must be 0 or 1. ");
  return f.type[f.level + which];
}

std::int32_t N1RCD(std::int32_t which) {
  auto& f = detail::facility();
  if (which != 0 && which != 1)
    detail::misuse(1, ".  The argument passed to N1RCD must be 0 or 1. ");
  return f.code[f.level + which];
}

void UMACH(std::int32_t request, std::int32_t& channel) {
  ERRINIT();
  switch (request) {
    case 1: channel = textio::kConsoleInput; break;
    case 2:
    case 3: channel = textio::kConsoleOutput; break;
    default: break;  // no such request: the channel is left as it was
  }
}

void ERRATTR(std::int32_t type, std::int32_t& print_attribute, std::int32_t& stop_attribute) {
  auto& f = detail::facility();
  if (type <= -1 && type >= -7) {
    print_attribute = f.print_table[-type];
    stop_attribute = f.stop_table[-type];
    return;
  }
  if (type < 0) return;

  bool valid = true;
  if (print_attribute < -1 || print_attribute > 2) {
    MSGSETI(1, print_attribute);
    E1MES(kTerminal, 1,
          "Invalid value specified for print table attribute.  IPATT must be -1, 0, 1, or 2.  "
          "IPATT = %(I1)");
    valid = false;
  }
  if (stop_attribute < -1 || stop_attribute > 2) {
    MSGSETI(1, stop_attribute);
    E1MES(kTerminal, 1,
          "Invalid value specified for stop table attribute.  ISATT must be -1, 0, 1, or 2.  "
          "ISATT = %(I1)");
    valid = false;
  }
  if (!valid || type > 7) return;

  const int first = type == 0 ? 1 : type;
  const int last = type == 0 ? 7 : type;
  for (int t = first; t <= last; ++t) {
    detail::apply_attribute(f.print_table[t], print_attribute, detail::kDefaultPrint[t]);
    detail::apply_attribute(f.stop_table[t], stop_attribute, detail::kDefaultStop[t]);
  }
}

RoutineScope::RoutineScope(std::string_view name)
    : name_(name), uncaught_(std::uncaught_exceptions()) {
  E1PSH(name_);
}

RoutineScope::~RoutineScope() noexcept(false) {
  // While the run is ending the stack no longer matters, and a second exception would abort.
  if (std::uncaught_exceptions() == uncaught_) E1POP(name_);
}

}  // namespace itemdif::numerr

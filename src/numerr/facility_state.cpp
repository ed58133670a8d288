// Copies of the error facility's state and its silence on threads that work ahead.
#include "numerr/facility_state.hpp"

#include <cstdint>
#include <limits>
#include <string>

#include "numerr/facility.hpp"

namespace itemdif::numerr {

FacilityState::FacilityState() : facility_(std::make_unique<detail::Facility>()) {}
FacilityState::~FacilityState() = default;
FacilityState::FacilityState(const FacilityState& other)
    : facility_(std::make_unique<detail::Facility>(*other.facility_)) {}
FacilityState& FacilityState::operator=(const FacilityState& other) {
  if (this != &other) *facility_ = *other.facility_;
  return *this;
}

namespace {

// Marks that no operation writes: a pop passes up only types 2 to 7 with a code a push set
// to 0 or a message set (never below 0), and a message never holds a NUL character.
constexpr std::int32_t kMarkedType = -2;
constexpr std::int32_t kMarkedCode = std::numeric_limits<std::int32_t>::min();
const std::string kMarkedMessage("\0caller's message", 18);

}  // namespace

bool FacilityState::same_as(const FacilityState& other) const { return same(other, true); }

bool FacilityState::same_but_caller(const FacilityState& other) const {
  return same(other, false);
}

bool FacilityState::same(const FacilityState& other, bool with_caller) const {
  const detail::Facility& a = *facility_;
  const detail::Facility& b = *other.facility_;
  if (a.level != b.level || a.max_level != b.max_level) return false;
  // Above the current level a push writes the name, type and code before anything reads
  // them; the entry just above is what N1RTY(1) and N1RCD(1) read.
  const auto top = static_cast<std::size_t>(a.level);
  for (std::size_t l = 1; l <= top + 1; ++l) {
    if (l <= top && a.name[l] != b.name[l]) return false;
    if ((with_caller || l < top) && (a.type[l] != b.type[l] || a.code[l] != b.code[l]))
      return false;
  }
  return a.called_by_driver == b.called_by_driver &&
         (!with_caller || a.message == b.message) && a.placeholders == b.placeholders &&
         a.print_table == b.print_table && a.stop_table == b.stop_table &&
         a.traceback_table == b.traceback_table && a.type6_recorded == b.type6_recorded &&
         a.type7_recorded == b.type7_recorded;
}

FacilityState FacilityState::with_caller_marked() const {
  FacilityState marked(*this);
  detail::Facility& f = *marked.facility_;
  f.type[static_cast<std::size_t>(f.level)] = kMarkedType;
  f.code[static_cast<std::size_t>(f.level)] = kMarkedCode;
  f.message = kMarkedMessage;
  return marked;
}

bool FacilityState::caller_marked() const {
  const detail::Facility& f = *facility_;
  return f.type[static_cast<std::size_t>(f.level)] == kMarkedType &&
         f.code[static_cast<std::size_t>(f.level)] == kMarkedCode && f.message == kMarkedMessage;
}

FacilityState FacilityState::with_caller_of(const FacilityState& caller) const {
  FacilityState result(*this);
  detail::Facility& f = *result.facility_;
  const detail::Facility& c = *caller.facility_;
  const auto level = static_cast<std::size_t>(f.level);
  f.type[level] = c.type[level];
  f.code[level] = c.code[level];
  f.message = c.message;
  return result;
}

FacilityState save_facility() {
  FacilityState state;
  *state.facility_ = detail::facility();
  return state;
}

void load_facility(const FacilityState& state) {
  detail::Facility& f = detail::facility();
  textio::OutputChannel* const output = f.output;
  const bool silent = f.silent;
  const std::uint64_t silenced = f.silenced;
  f = *state.facility_;
  f.output = output;
  f.silent = silent;
  f.silenced = silenced;
}

void silence_messages() { detail::facility().silent = true; }

std::uint64_t silenced_messages() { return detail::facility().silenced; }

}  // namespace itemdif::numerr

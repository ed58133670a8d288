// The error facility's state as a value, so that work done ahead on another thread can start
// from the state the run's own thread has and be checked against it afterwards.
#pragma once

#include <cstdint>
#include <memory>

namespace itemdif::numerr {

namespace detail {
struct Facility;
}

/// A copy of one thread's facility: the routine stack, the pending message and its texts,
/// the print, stop and traceback tables and the flags of the immediate types. Every thread has
/// a facility of its own, set up afresh on its first use.
class FacilityState {
 public:
  FacilityState();
  ~FacilityState();
  FacilityState(const FacilityState& other);
  FacilityState& operator=(const FacilityState& other);

  /// True when every later operation of the facility would behave alike from either state:
  /// everything but the output channel, the silence and its count, and what is left above
  /// the level just over the current one (which a push writes before anything reads it).
  bool same_as(const FacilityState& other) const;

  /// The caller's entry is the error type and code at the current level, where work that
  /// pushes its own routines first only ever writes them (by a pop that passes an error up)
  /// and reads them only to print a traceback. With the pending message they make the part of
  /// the state that such work can leave changed for its caller; the entry just above is one
  /// its first push writes before anything reads it.

  /// A copy whose caller's entry and pending message are marks that no operation writes, so
  /// that the state after some work shows whether the work wrote them.
  FacilityState with_caller_marked() const;
  /// Whether the caller's entry and the pending message still hold the marks.
  bool caller_marked() const;
  /// same_as, leaving out the caller's entry, the entry above it and the pending message.
  bool same_but_caller(const FacilityState& other) const;
  /// A copy with the caller's entry and the pending message of `caller` (at the same level).
  FacilityState with_caller_of(const FacilityState& caller) const;

 private:
  bool same(const FacilityState& other, bool with_caller) const;

  friend FacilityState save_facility();
  friend void load_facility(const FacilityState& state);
  std::unique_ptr<detail::Facility> facility_;
};

/// The calling thread's facility as it stands.
FacilityState save_facility();
/// Makes `state` the calling thread's facility, keeping the thread's own output channel and
/// silence.
void load_facility(const FacilityState& state);

/// From now on the calling thread's facility prints nothing: a message it would print is
/// counted and dropped, with every other effect of the printing. For threads that work ahead.
void silence_messages();
/// The messages (and tracebacks) the calling thread's facility has dropped so far.
std::uint64_t silenced_messages();

}  // namespace itemdif::numerr

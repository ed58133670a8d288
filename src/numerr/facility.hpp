// The state of the error facility (one per thread), and the helpers its parts share.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace itemdif::textio {
class OutputChannel;
}

namespace itemdif::numerr::detail {

inline constexpr int kMaxLevel = 50;
inline constexpr std::size_t kNameLength = 32;
inline constexpr std::size_t kMaxMessage = 1024;
inline constexpr int kTypeCount = 7;

/// Texts for %(Kn): all texts set for one message share `kStoreCapacity` characters, each
/// taking its own length plus `kEntryOverhead` characters (kind, index and a three-digit
/// length, as a record of the store would hold them). A text that no longer fits is dropped.
inline constexpr std::size_t kStoreCapacity = 300;
inline constexpr std::size_t kEntryOverhead = 8;

/// The placeholder kinds that a setter can fill: I, D, R, L. The scanner also accepts
/// A, C, K, S and Z, which are never set and so always stay as written.
enum class Kind : int { integer = 0, real_double = 1, real_single = 2, text = 3 };

class PlaceholderStore {
 public:
  /// Sets the text of %(Kn). `index` must already be 1..9. Setting a kind and index again
  /// gives back the room of the earlier text; when the new text does not fit, the earlier one
  /// is gone too, so a stale value never shows.
  void set(Kind kind, int index, std::string_view text);
  /// The text for a placeholder letter (either case) and index digit, or nullptr.
  const std::string* find(char letter, int index) const;
  void clear();
  std::size_t used() const { return used_; }
  bool operator==(const PlaceholderStore&) const = default;

 private:
  struct Slot {
    bool set = false;
    std::string text;
    bool operator==(const Slot&) const = default;
  };
  std::array<std::array<Slot, 10>, 4> slots_{};
  std::size_t used_ = 0;
};

/// Per-type tables are indexed 1..7; entry 0 is unused.
using TypeTable = std::array<int, kTypeCount + 1>;

struct Facility {
  // Levels 1..kMaxLevel; one more slot because a pop resets the level above the current one.
  std::array<std::string, kMaxLevel + 2> name{};
  std::array<std::int32_t, kMaxLevel + 2> type{};
  std::array<std::int32_t, kMaxLevel + 2> code{};
  std::array<bool, kMaxLevel + 2> called_by_driver{};
  int level = 1;
  int max_level = kMaxLevel;

  std::string message;  ///< pending message; empty when none is pending
  PlaceholderStore placeholders;

  TypeTable print_table{};
  TypeTable stop_table{};
  TypeTable traceback_table{};

  bool type6_recorded = false;
  bool type7_recorded = false;

  textio::OutputChannel* output = nullptr;  ///< where messages are printed; nullptr: the console
  bool silent = false;         ///< messages are counted in `silenced` instead of printed
  std::uint64_t silenced = 0;

  Facility();  ///< ERRINIT
};

/// The calling thread's facility, set up by ERRINIT on its first use there.
Facility& facility();

inline constexpr TypeTable kDefaultPrint{0, 0, 0, 1, 1, 1, 1, 1};
inline constexpr TypeTable kDefaultStop{0, 0, 0, 0, 1, 1, 0, 1};

/// `name` cut or blank-filled to 32 characters.
std::string stack_name(std::string_view name);

/// Whether `given`, cut or blank-filled to 32 characters, equals the stored 32-character name.
bool same_name(std::string_view stored, std::string_view given);

/// The name as printed: up to its first blank, with a small first letter before a capital
/// second letter raised ("dCHIDF" prints as DCHIDF).
std::string printed_name(std::string_view name);

/// The name blank-filled to 32 characters with the first-letter rule applied (traceback column).
std::string traceback_name(std::string_view name);

/// Fills the placeholders of `text` from the store; the result is at most 1024 characters.
std::string substitute(std::string_view text, const PlaceholderStore& store);

/// Prints the pending message under `type`'s name, for the routine on the current level, then
/// clears it and the placeholder store. Does nothing when no message is pending.
void print_pending(Facility& f, std::int32_t type);

/// Records a terminal error for a misuse of the facility, prints it whatever the print table
/// says and ends the run.
[[noreturn]] void misuse(std::int32_t code, std::string_view text);

/// Ends the run as the numerical routines' fatal conditions do.
[[noreturn]] void end_run();

}  // namespace itemdif::numerr::detail

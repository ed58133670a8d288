// The walk over a compiled layout that formatted output and formatted input share: groups and
// their repeat counts, field repeat counts, reversion, the colon stop and the end of the values.
// What an item means for a line or a record is left to the consumer.
#pragma once

#include <algorithm>
#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>

#include "textio/errors.hpp"
#include "textio/layout.hpp"

namespace itemdif::textio {

/// A pass over the layout that took no value while values remain would repeat forever.
inline constexpr int kNoValueTaken = 60;

/// Columns saturate here: a position this far right means only "past any line's end", and
/// sums of layout counts (at most 2^31 per item and per repetition) cannot overflow on the way.
inline constexpr std::size_t kColumnLimit = std::size_t{1} << 62;

/// `column + by`, saturating at kColumnLimit.
constexpr std::size_t advance_column(std::size_t column, std::size_t by) {
  column = std::min(column, kColumnLimit);
  return by >= kColumnLimit - column ? kColumnLimit : column + by;
}

/// A consumer's state as the walk compares it between passes of a group: its column apart,
/// and everything else that a pass can change (values taken, lines, writes, modes).
struct WalkMark {
  std::size_t column = 0;
  std::uint64_t taken = 0;    ///< values or variables handled
  std::uint64_t lines = 0;    ///< lines written or records read
  std::uint64_t changes = 0;  ///< writes that changed the line
  std::int32_t scale = 0;
  std::uint32_t modes = 0;    ///< the consumer's mode flags

  bool same_apart_from_column(const WalkMark& other) const {
    return taken == other.taken && lines == other.lines && changes == other.changes &&
           scale == other.scale && modes == other.modes;
  }
};

/// A consumer whose state the walk can see and whose column it can set: group passes that
/// only move the column are then applied in closed form instead of one by one.
template <typename C>
concept SettlingConsumer = requires(C& consumer, std::size_t column) {
  { consumer.mark() } -> std::same_as<WalkMark>;
  { consumer.set_column(column) } -> std::same_as<void>;
};

/// What the walk asks of one operation (the writer's line buffer, the reader's record).
template <typename C>
concept LayoutConsumer = requires(C& consumer, const LayoutItem& item, std::int32_t repeats) {
  // Whether values (output) or variables (input) remain.
  { consumer.values_left() } -> std::same_as<bool>;
  // Handles at least one and at most `repeats` repetitions of a field item, values_left() being
  // true, and says how many it handled (a run into an array may take several at once).
  { consumer.field(item, repeats) } -> std::same_as<std::int32_t>;
  // Any item that is neither a field, a parenthesis nor a colon: texts, movements, slashes,
  // modes.
  { consumer.edit(item) } -> std::same_as<void>;
  // The layout ran out with values remaining: a new line or record before it resumes.
  { consumer.revert() } -> std::same_as<void>;
};

/// Walks `layout` for one operation. Returns when the values run out at a field or a colon, or
/// at the end of the layout; throws LayoutError 60 when the layout ends with values left and
/// the pass since the start or the last reversion took none.
namespace walk_detail {

struct OpenGroup {
  std::size_t open = 0;
  std::int32_t left = 0;  // passes still to make, this one included
  WalkMark start{};       // the consumer at the start of this pass
  std::int64_t step = 0;  // the column move of the last pass, when it moved the column only
  bool stepped = false;
};

/// Called when a pass of `group` has ended with `group.left` passes still to make. A pass that
/// took no value, line or write changes only the column, by a map x -> max(x + a, b) that is
/// the same on every pass (b >= 0: TL stops at column 1). Such a pass that left the column
/// where it was is repeated exactly by every further pass; from the second pass on, the column
/// moves by the same step a until, moving left, it lands on b. So two equal steps give the
/// rest in closed form: a right move at once; a left move by jumping as far as the column
/// allows and making one pass, which ends on b exactly when the jump went past it.
template <SettlingConsumer Consumer>
void settle(OpenGroup& group, Consumer& consumer) {
  const WalkMark now = consumer.mark();
  if (!now.same_apart_from_column(group.start)) {
    group.stepped = false;
    group.start = now;
    return;
  }
  const std::int64_t step =
      static_cast<std::int64_t>(now.column) - static_cast<std::int64_t>(group.start.column);
  if (step == 0) {
    group.left = 0;
    return;
  }
  if (group.stepped && step == group.step) {
    const auto passes = static_cast<std::uint64_t>(group.left);
    if (step > 0) {
      const auto by = static_cast<std::uint64_t>(step);
      consumer.set_column(by > kColumnLimit / passes ? kColumnLimit
                                                     : advance_column(now.column, by * passes));
      group.left = 0;
      return;
    }
    const auto back = static_cast<std::uint64_t>(-step);
    const std::uint64_t jump = std::min<std::uint64_t>(passes - 1, now.column / back);
    consumer.set_column(now.column - jump * back);
    group.left -= static_cast<std::int32_t>(jump);
  }
  group.step = step;
  group.stepped = true;
  group.start = consumer.mark();
}

}  // namespace walk_detail

template <LayoutConsumer Consumer>
void walk_layout(const Layout& layout, Consumer& consumer) {
  using walk_detail::OpenGroup;
  const std::vector<LayoutItem>& items = layout.items();
  std::array<OpenGroup, kMaxGroupDepth> groups{};
  std::size_t depth = 0;
  bool took_value = false;

  std::size_t i = 0;
  for (;;) {
    if (i == items.size()) {
      if (!consumer.values_left()) return;
      if (!took_value) throw LayoutError(kNoValueTaken);
      consumer.revert();
      // Every group has closed by the end, so the walk resumes with none open.
      i = layout.reversion_start();
      took_value = false;
      continue;
    }
    const LayoutItem& item = items[i];
    if (item.is_field()) {
      for (std::int32_t done = 0; done < item.repeat;) {
        if (!consumer.values_left()) return;
        took_value = true;
        done += consumer.field(item, item.repeat - done);
      }
      ++i;
      continue;
    }
    switch (item.kind) {
      case ItemKind::group_open: {
        OpenGroup& group = groups[depth++];
        group = OpenGroup{i, item.repeat};
        if constexpr (SettlingConsumer<Consumer>) group.start = consumer.mark();
        break;
      }
      case ItemKind::group_close:
        if (depth == 0) break;
        if (OpenGroup& group = groups[depth - 1]; --group.left > 0) {
          if constexpr (SettlingConsumer<Consumer>) walk_detail::settle(group, consumer);
          if (group.left > 0) {
            i = group.open + 1;
            continue;
          }
        }
        --depth;
        break;
      case ItemKind::colon:
        if (!consumer.values_left()) return;
        break;
      default:
        consumer.edit(item);
        break;
    }
    ++i;
  }
}

}  // namespace itemdif::textio

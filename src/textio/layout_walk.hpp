// The walk over a compiled layout that formatted output and formatted input share: groups and
// their repeat counts, field repeat counts, reversion, the colon stop and the end of the values.
// What an item means for a line or a record is left to the consumer.
#pragma once

#include <array>
#include <concepts>
#include <cstdint>

#include "textio/errors.hpp"
#include "textio/layout.hpp"

namespace itemdif::textio {

/// A pass over the layout that took no value while values remain would repeat forever.
inline constexpr int kNoValueTaken = 60;

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
template <LayoutConsumer Consumer>
void walk_layout(const Layout& layout, Consumer& consumer) {
  const std::vector<LayoutItem>& items = layout.items();
  struct OpenGroup {
    std::size_t open;
    std::int32_t left;  // passes still to make, this one included
  };
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
      case ItemKind::group_open:
        groups[depth++] = {i, item.repeat};
        break;
      case ItemKind::group_close:
        if (depth > 0 && --groups[depth - 1].left > 0) {
          i = groups[depth - 1].open + 1;
          continue;
        }
        if (depth > 0) --depth;
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

// Line layouts: a layout text compiled once into a flat list of items.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "textio/item_kinds.hpp"

namespace itemdif::textio {

/// Groups may nest this deep inside the outer parentheses of a layout.
inline constexpr std::size_t kMaxGroupDepth = 7;

/// One compiled item. Field items are stored once with their repeat count.
struct LayoutItem {
  ItemKind kind;
  std::int32_t repeat = 1;    ///< r of r/, rIw, r( ... )
  std::int32_t width = -1;    ///< w; -1 when absent (A alone)
  std::int32_t digits = -1;   ///< d of F/E/D/G, m of I/O/Z/B; -1 when absent
  std::int32_t exponent_digits = -1;  ///< e of Ee; -1 when absent
  std::int32_t count = 0;     ///< n of nX/TRn/TLn, c of Tc, k of kP
  std::int32_t partner = -1;  ///< matching parenthesis of a group
  std::string text;           ///< literal text

  bool is_field() const { return facts(kind).is_field; }  ///< takes a value or a variable
};

/// A compiled layout. The outer parentheses are not items; `reversion_start` is the index of the
/// item where the layout resumes when it runs out with values remaining (the group that opened
/// last at the outer level, or 0).
class Layout {
 public:
  /// Compiles a parenthesised layout text. Throws LayoutError{62, rest-of-text} on a syntax
  /// error (the rest of the text from the point of the error, at most 80 characters).
  static Layout compile(std::string_view text);

  const std::vector<LayoutItem>& items() const { return items_; }
  std::size_t reversion_start() const { return reversion_start_; }

 private:
  std::vector<LayoutItem> items_;
  std::size_t reversion_start_ = 0;
};

}  // namespace itemdif::textio

// What formatted input does with columns and one-column scores: shared by the record reader
// and by the plan of fixed columns, which must agree with it exactly.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "textio/layout.hpp"
#include "textio/layout_walk.hpp"

namespace itemdif::textio {

/// The column after an input item that only moves it: a literal passes over its columns, nX
/// and TRn move right, TLn left (never before column 1), Tc to column c. Other items leave it.
constexpr std::size_t column_after(const LayoutItem& item, std::size_t column) {
  switch (item.kind) {
    case ItemKind::literal: return advance_column(column, item.text.size());
    case ItemKind::skip_right: return advance_column(column, static_cast<std::size_t>(item.count));
    case ItemKind::skip_left: return column - std::min(column, static_cast<std::size_t>(item.count));
    case ItemKind::tab: return item.count > 0 ? static_cast<std::size_t>(item.count) - 1 : 0;
    default: return column;
  }
}

/// A one-column real field holding a digit reads it times 10^exponent (the exponent being
/// minus the field's fraction digits and the scale) in one correctly rounded step, for
/// exponents within this bound.
inline constexpr int kOneColumnExponentLimit = 10;

inline constexpr std::array<double, 11> kOneColumnPowers = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5,
                                                            1e6, 1e7, 1e8, 1e9, 1e10};

template <typename Real>
constexpr Real one_column_value(int digit, long exponent) {
  const auto value = static_cast<Real>(digit);
  if (exponent == 0) return value;
  const auto power =
      static_cast<Real>(kOneColumnPowers[static_cast<std::size_t>(exponent < 0 ? -exponent : exponent)]);
  return exponent < 0 ? value / power : value * power;
}

}  // namespace itemdif::textio

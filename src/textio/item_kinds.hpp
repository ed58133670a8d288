// The kinds of layout items and what each one is: one table that the compiler, the walk, the
// writer and the reader consult, so that adding a kind means adding one row.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace itemdif::textio {

enum class ItemKind : std::uint8_t {
  literal,        ///< 'text', "text" or nHtext
  skip_right,     ///< nX, TRn
  skip_left,      ///< TLn (never before column 1)
  tab,            ///< Tc
  slash,          ///< r/ (repeat = r)
  colon,          ///< :  stop here when no values remain
  no_line_end,    ///< $ or backslash
  scale,          ///< kP (count = k)
  blank_null,     ///< BN
  blank_zero,     ///< BZ
  sign_default,   ///< S
  sign_plus,      ///< SP
  sign_suppress,  ///< SS
  integer,        ///< Iw.m
  fixed,          ///< Fw.d
  exponent,       ///< Ew.d[Ee]
  double_exp,     ///< Dw.d
  general,        ///< Gw.d[Ee]
  engineering,    ///< ENw.d[Ee]
  scientific,     ///< ESw.d[Ee]
  alpha,          ///< Aw or A
  logical,        ///< Lw
  octal,          ///< Ow.m
  hex,            ///< Zw.m
  binary,         ///< Bw.m
  query,          ///< Q (input only)
  group_open,     ///< r( ; `partner` is the index of its group_close
  group_close,    ///< )  ; `partner` is the index of its group_open
};

/// The kind of value a field writes or of variable it reads into.
enum class FieldValue : std::uint8_t {
  none,     ///< not a field, or a field with no meaning in this direction
  integer,
  real,     ///< double or float
  text,
  any,      ///< G on output: integers as I, texts as A
};

/// What follows a field's letter in the layout text.
enum class FieldSuffix : std::uint8_t {
  none,                     ///< Q, and every item that is not a field
  width,                    ///< Aw, Lw
  width_fraction,           ///< Fw.d, Dw.d
  width_fraction_exponent,  ///< Ew.d[Ee], Gw.d[Ee], ENw.d[Ee], ESw.d[Ee]
  width_minimum,            ///< Iw[.m], Ow[.m], Zw[.m], Bw[.m]
};

/// The width and digits a field takes when its text has no width at all, so that every user of
/// the item list sees a definite width (A alone keeps -1: it takes the length of its value).
struct OmittedWidth {
  std::int32_t width = -1;
  std::int32_t digits = -1;
  std::int32_t exponent_digits = -1;
};

struct ItemFacts {
  ItemKind kind;
  std::string_view name;      ///< its letters in a layout text
  bool is_field = false;      ///< takes one value or variable per repetition
  FieldValue output = FieldValue::none;
  FieldValue input = FieldValue::none;
  bool comma_optional = false;  ///< the comma between it and a neighbour may be left out
  FieldSuffix suffix = FieldSuffix::none;
  int radix = 0;              ///< the base of an O, Z or B field's digits; 0 for the others
  OmittedWidth omitted{};
};

namespace item_facts_detail {

using K = ItemKind;
using V = FieldValue;
using S = FieldSuffix;

constexpr ItemFacts edit(K kind, std::string_view name, bool comma_optional = false) {
  return {kind, name, false, V::none, V::none, comma_optional, S::none, 0, {}};
}
constexpr ItemFacts field(K kind, std::string_view name, V output, V input, S suffix,
                          OmittedWidth omitted, int radix = 0) {
  return {kind, name, true, output, input, false, suffix, radix, omitted};
}

}  // namespace item_facts_detail

/// One row per ItemKind, in the order of the enumeration.
inline constexpr std::array kItemFacts = [] {
  using namespace item_facts_detail;
  return std::array{
      edit(K::literal, "'", true),
      edit(K::skip_right, "X"),
      edit(K::skip_left, "TL"),
      edit(K::tab, "T"),
      edit(K::slash, "/", true),
      edit(K::colon, ":", true),
      edit(K::no_line_end, "$", true),
      edit(K::scale, "P"),
      edit(K::blank_null, "BN"),
      edit(K::blank_zero, "BZ"),
      edit(K::sign_default, "S"),
      edit(K::sign_plus, "SP"),
      edit(K::sign_suppress, "SS"),
      field(K::integer, "I", V::integer, V::integer, S::width_minimum, {12, 1, -1}),
      field(K::fixed, "F", V::real, V::real, S::width_fraction, {25, 16, -1}),
      field(K::exponent, "E", V::real, V::real, S::width_fraction_exponent, {25, 16, 3}),
      field(K::double_exp, "D", V::real, V::real, S::width_fraction, {25, 16, -1}),
      field(K::general, "G", V::any, V::real, S::width_fraction_exponent, {25, 16, 3}),
      field(K::engineering, "EN", V::real, V::real, S::width_fraction_exponent, {25, 16, 3}),
      field(K::scientific, "ES", V::real, V::real, S::width_fraction_exponent, {25, 16, 3}),
      field(K::alpha, "A", V::text, V::text, S::width, {-1, -1, -1}),
      // L writes an integer's truth; reading a truth value is not supported.
      field(K::logical, "L", V::integer, V::none, S::width, {2, -1, -1}),
      field(K::octal, "O", V::integer, V::integer, S::width_minimum, {12, -1, -1}, 8),
      field(K::hex, "Z", V::integer, V::integer, S::width_minimum, {8, -1, -1}, 16),
      field(K::binary, "B", V::integer, V::integer, S::width_minimum, {32, -1, -1}, 2),
      // Q reads the count of characters left in the record; it writes nothing.
      field(K::query, "Q", V::none, V::integer, S::none, {-1, -1, -1}),
      edit(K::group_open, "("),
      edit(K::group_close, ")"),
  };
}();

constexpr bool rows_follow_the_enumeration() {
  for (std::size_t i = 0; i < kItemFacts.size(); ++i)
    if (static_cast<std::size_t>(kItemFacts[i].kind) != i) return false;
  return kItemFacts.size() == static_cast<std::size_t>(ItemKind::group_close) + 1;
}
static_assert(rows_follow_the_enumeration(), "kItemFacts must hold one row per ItemKind, in order");

constexpr const ItemFacts& facts(ItemKind kind) {
  return kItemFacts[static_cast<std::size_t>(kind)];
}

}  // namespace itemdif::textio

// Input: formatted reads under a compiled layout and list-directed reads, parsed straight from
// the channel's line buffer.
#include "textio/reader.hpp"

#include <array>
#include <charconv>
#include <cstdlib>
#include <limits>

#include "textio/channels.hpp"
#include "textio/errors.hpp"
#include "textio/input_columns.hpp"
#include "textio/layout_walk.hpp"

namespace itemdif::textio {
namespace {

constexpr int kEndOfFile = 24;
constexpr int kListSyntax = 59;
constexpr int kMismatch = 61;
constexpr int kConversion = 64;

/// List-directed texts longer than this keep their first characters only.
constexpr std::size_t kMaxListText = 2048;

// ---------------------------------------------------------------------------------------------
// The input list, one variable at a time.

/// One variable: an element of the input list with arrays taken apart.
using Slot = std::variant<std::int32_t*, double*, float*, std::string*>;

class TargetCursor {
 public:
  explicit TargetCursor(std::span<const Target> targets) : targets_(targets) { skip_empty(); }

  bool done() const { return index_ >= targets_.size(); }

  Slot current() const {
    const Target& target = targets_[index_];
    switch (target.index()) {
      case 0: return std::get<0>(target);
      case 1: return std::get<1>(target);
      case 2: return std::get<2>(target);
      case 3: return std::get<3>(target);
      case 4: return &std::get<4>(target)[element_];
      default: return &std::get<5>(target)[element_];
    }
  }

  /// When the current variable is an element of an array of doubles: that element, with the
  /// count of elements left in the array including it (so fields can fill them in one run).
  double* array_rest(std::size_t& count) const {
    const auto* array = std::get_if<std::span<double>>(&targets_[index_]);
    if (array == nullptr) return nullptr;
    count = array->size() - element_;
    return array->data() + element_;
  }

  /// Moves past `count` elements of the current array (at most those left in it).
  void advance_in_array(std::size_t count) {
    element_ += count;
    if (element_ < std::get<std::span<double>>(targets_[index_]).size()) return;
    element_ = 0;
    ++index_;
    skip_empty();
  }

  void advance() {
    if (++element_ < elements(targets_[index_])) return;
    element_ = 0;
    ++index_;
    skip_empty();
  }

 private:
  /// The variables a target holds: 1 for a scalar, its size for an array.
  static std::size_t elements(const Target& target) {
    if (const auto* reals = std::get_if<std::span<double>>(&target)) return reals->size();
    if (const auto* integers = std::get_if<std::span<std::int32_t>>(&target))
      return integers->size();
    return 1;
  }
  void skip_empty() {
    while (index_ < targets_.size() && elements(targets_[index_]) == 0) ++index_;
  }

  std::span<const Target> targets_;
  std::size_t index_ = 0;
  std::size_t element_ = 0;
};

/// Stores `text` into a fixed-length text: cut to its length or blank-filled on the right.
void store_left(std::string& variable, std::string_view text) {
  const std::size_t n = variable.size();
  if (text.size() >= n) {
    variable.assign(text.substr(0, n));
  } else {
    variable.assign(text);
    variable.resize(n, ' ');
  }
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// ---------------------------------------------------------------------------------------------
// Numbers. A number is scanned into its sign, its significant digits as an integer and a power
// of ten; the conversion to binary is then one correctly rounded step.

struct NumberRules {
  bool integer = false;     ///< digits only: no point, no exponent
  bool blank_zero = false;  ///< BZ: blanks after the first non-blank are zeros, else ignored
  bool strict = false;      ///< list-directed: the mantissa and an exponent need digits
  int implied_digits = 0;   ///< d of the field: the fraction of a number written without point
  int scale = 0;            ///< kP: a number written without exponent is divided by 10^k
};

struct Decimal {
  bool negative = false;
  std::uint64_t mantissa = 0;     ///< the first 19 significant digits
  std::int64_t significant = 0;   ///< all significant digits, counted
  std::int64_t exponent = 0;      ///< value = (all significant digits) * 10^exponent
  std::int64_t padded_zeros = 0;  ///< trailing significant zeros from beyond the line's end
};

/// Whether a number's exponent so far cannot grow: beyond any double's range either way, the
/// cap keeps the sums below from overflowing.
constexpr long kExponentCap = 100000;

/// Scans `field` followed by `padding` blanks. When `all_digits` is given, every significant
/// digit written in the field is appended to it (for numbers too long for the direct
/// conversion); the zeros that BZ makes of the padding are counted in `padded_zeros` instead.
/// False when a character does not belong to the number.
bool scan_number(std::string_view field, std::size_t padding, const NumberRules& rules,
                 Decimal& out, std::string* all_digits) {
  enum State { sign, mantissa, exponent_sign, exponent_digits };
  State state = sign;
  bool point = false;
  bool exponent_negative = false;
  bool has_exponent = false;
  std::int64_t mantissa_digits = 0;
  std::int64_t exponent_digit_count = 0;
  long exponent = 0;
  std::int64_t fraction_digits = 0;
  bool started = false;
  Decimal d;  // built in registers, stored once

  for (std::size_t i = 0; i < field.size(); ++i) {
    char c = field[i];
    if (c == ' ') {
      if (!started || !rules.blank_zero) continue;
      c = '0';
    }
    started = true;
    switch (state) {
      case sign:
        state = mantissa;
        if (c == '+' || c == '-') {
          d.negative = c == '-';
          continue;
        }
        [[fallthrough]];
      case mantissa:
        if (is_digit(c)) {
          ++mantissa_digits;
          if (point) ++fraction_digits;
          if (d.significant == 0 && c == '0') continue;
          if (++d.significant <= 19) d.mantissa = d.mantissa * 10 + (c - '0');
          if (all_digits != nullptr) all_digits->push_back(c);
        } else if (c == '.' && !point && !rules.integer) {
          point = true;
        } else if (rules.integer) {
          return false;
        } else if (c == 'E' || c == 'e' || c == 'D' || c == 'd' || c == 'Q' || c == 'q') {
          has_exponent = true;
          state = exponent_sign;
        } else if (c == '+' || c == '-') {
          // An exponent written without its letter, as in 1.5-3.
          has_exponent = true;
          exponent_negative = c == '-';
          state = exponent_digits;
        } else {
          return false;
        }
        break;
      case exponent_sign:
        state = exponent_digits;
        if (c == '+' || c == '-') {
          exponent_negative = c == '-';
          continue;
        }
        [[fallthrough]];
      case exponent_digits:
        if (!is_digit(c)) return false;
        ++exponent_digit_count;
        if (exponent < kExponentCap) exponent = exponent * 10 + (c - '0');
        break;
    }
  }
  // Blanks beyond the line's end change the number only when they are zeros; they are counted,
  // not walked, since a field may reach far past the line.
  if (rules.blank_zero && started && padding > 0) {
    const auto zeros = static_cast<std::int64_t>(std::min<std::size_t>(padding, INT64_MAX / 4));
    switch (state) {
      case sign:
        break;  // a started number has left this state
      case mantissa:
        mantissa_digits += zeros;
        if (point) fraction_digits += zeros;
        if (d.significant > 0) {
          for (std::int64_t k = 0; k < zeros && d.significant + k < 19; ++k) d.mantissa *= 10;
          d.significant += zeros;
          d.padded_zeros = zeros;
        }
        break;
      case exponent_sign:
      case exponent_digits:
        exponent_digit_count += zeros;
        for (std::int64_t k = 0; k < zeros && exponent != 0 && exponent < kExponentCap; ++k)
          exponent *= 10;
        break;
    }
  }
  if (rules.strict && (mantissa_digits == 0 || (has_exponent && exponent_digit_count == 0)))
    return false;
  if (has_exponent && mantissa_digits == 0) return false;
  d.exponent = (exponent_negative ? -exponent : exponent) - fraction_digits;
  if (!point) d.exponent -= rules.implied_digits;
  if (!has_exponent) d.exponent -= rules.scale;
  out = d;
  return true;
}

/// The powers of ten that are exact in a double: the range of the direct conversion.
constexpr std::array<double, 23> kPowersOfTen = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

/// Converts a scanned decimal through the C library's correctly rounded conversion.
template <typename Real>
Real convert_slowly(std::string_view field, std::size_t padding, const NumberRules& rules,
                     const Decimal& scanned) {
  // The program is single-threaded; one buffer serves every long number without allocating.
  static std::string text;
  text.clear();
  Decimal again;
  scan_number(field, padding, rules, again, &text);
  text.push_back('e');
  char exponent[24];
  // The zeros from beyond the line's end are not written out: they go to the exponent.
  auto [end, ignored] = std::to_chars(exponent, exponent + sizeof exponent,
                                      scanned.exponent + scanned.padded_zeros);
  text.append(exponent, end);
  Real magnitude;
  if constexpr (std::is_same_v<Real, float>) {
    magnitude = std::strtof(text.c_str(), nullptr);
  } else {
    magnitude = std::strtod(text.c_str(), nullptr);
  }
  return scanned.negative ? -magnitude : magnitude;
}

/// The value of a scanned real field; out-of-range values become infinities or zeros.
template <typename Real>
Real real_value(std::string_view field, std::size_t padding, const NumberRules& rules,
                const Decimal& scanned) {
  if (scanned.significant == 0) return scanned.negative ? -Real(0) : Real(0);
  // A mantissa and a power of ten that are both exact in the target type give a correctly
  // rounded result with one multiplication or division.
  constexpr std::uint64_t max_exact = std::uint64_t{1} << std::numeric_limits<Real>::digits;
  constexpr std::int64_t max_power = std::is_same_v<Real, float> ? 10 : 22;
  if (scanned.significant <= 19 && scanned.mantissa <= max_exact &&
      scanned.exponent >= -max_power && scanned.exponent <= max_power) {
    Real m = static_cast<Real>(scanned.mantissa);
    Real p = static_cast<Real>(kPowersOfTen[static_cast<std::size_t>(
        scanned.exponent < 0 ? -scanned.exponent : scanned.exponent)]);
    Real magnitude = scanned.exponent < 0 ? m / p : m * p;
    return scanned.negative ? -magnitude : magnitude;
  }
  return convert_slowly<Real>(field, padding, rules, scanned);
}

/// The value of a scanned integer field; false when it does not fit in 32 bits.
bool integer_value(const Decimal& scanned, std::int32_t& value) {
  constexpr std::uint64_t limit = std::uint64_t{1} << 31;
  if (scanned.significant > 10 || scanned.mantissa > limit) return false;
  if (!scanned.negative && scanned.mantissa == limit) return false;
  value = static_cast<std::int32_t>(scanned.negative ? -static_cast<std::int64_t>(scanned.mantissa)
                                                     : static_cast<std::int64_t>(scanned.mantissa));
  return true;
}

// ---------------------------------------------------------------------------------------------
// Formatted read.

/// The kind of variable a slot holds, as the fields name what they read into.
FieldValue variable_kind(const Slot& slot) {
  switch (slot.index()) {
    case 0: return FieldValue::integer;
    case 3: return FieldValue::text;
    default: return FieldValue::real;  // double or float
  }
}

class RecordReader {
 public:
  RecordReader(InputChannel& channel, std::span<const Target> targets)
      : channel_(channel), line_(channel.line_buffer()), cursor_(targets) {}

  void run(const Layout& layout) {
    next_record();  // every read takes at least one record
    walk_layout(layout, *this);
  }

  // The walk's consumer.
  bool values_left() const { return !cursor_.done(); }
  std::int32_t field(const LayoutItem& item, std::int32_t repeats);
  void edit(const LayoutItem& item);
  void revert() { next_record(); }
  WalkMark mark() const {
    return {column_, taken_, records_, 0, scale_, blank_zero_ ? 1u : 0u};
  }
  void set_column(std::size_t column) { column_ = column; }

 private:
  void next_record() {
    if (!channel_.next_line(line_)) channel_.fail(kEndOfFile);
    column_ = 0;
    ++records_;
  }
  /// Reads one field into the current variable and moves to the next.
  void read_field(const LayoutItem& item);
  /// The numeric field of `width` at the current column: it ends early at a comma. Sets the
  /// part inside the line and the count of blanks beyond the line's end.
  void take_numeric(int width, std::string_view& field, std::size_t& padding);
  void read_integer(const LayoutItem& item, std::int32_t& variable);
  template <typename Real>
  void read_real(const LayoutItem& item, Real& variable);
  void read_based(const LayoutItem& item, int base, std::int32_t& variable);
  void read_text(const LayoutItem& item, std::string& variable);

  InputChannel& channel_;
  std::string& line_;
  TargetCursor cursor_;
  std::size_t column_ = 0;  // 0-based position of the next character, at most kColumnLimit
  std::uint64_t taken_ = 0;
  std::uint64_t records_ = 0;
  bool blank_zero_ = false;
  int scale_ = 0;
};

std::int32_t RecordReader::field(const LayoutItem& item, std::int32_t repeats) {
  std::size_t count = 0;
  double* elements =
      facts(item.kind).input == FieldValue::real ? cursor_.array_rest(count) : nullptr;
  if (elements == nullptr) {
    read_field(item);
    ++taken_;
    return 1;
  }
  // A run of fields into an array of scores: the common case of the group data.
  count = std::min(count, static_cast<std::size_t>(repeats));
  for (std::size_t k = 0; k < count; ++k) read_real(item, elements[k]);
  cursor_.advance_in_array(count);
  taken_ += count;
  return static_cast<std::int32_t>(count);
}

void RecordReader::edit(const LayoutItem& item) {
  switch (item.kind) {
    case ItemKind::literal:  // a literal has no meaning on input; its columns are passed over
    case ItemKind::skip_right:
    case ItemKind::skip_left:
    case ItemKind::tab:
      column_ = column_after(item, column_);
      break;
    case ItemKind::slash:
      for (std::int32_t r = 0; r < std::max(item.repeat, 1); ++r) next_record();
      break;
    case ItemKind::scale:
      scale_ = item.count;
      break;
    case ItemKind::blank_null:
      blank_zero_ = false;
      break;
    case ItemKind::blank_zero:
      blank_zero_ = true;
      break;
    default:  // $, \, S, SP and SS are for output
      break;
  }
}

void RecordReader::read_field(const LayoutItem& item) {
  Slot slot = cursor_.current();
  if (facts(item.kind).input != variable_kind(slot)) channel_.fail(kMismatch);
  if (auto* integer = std::get_if<std::int32_t*>(&slot)) {
    switch (item.kind) {
      case ItemKind::integer: read_integer(item, **integer); break;
      case ItemKind::query:
        **integer = static_cast<std::int32_t>(line_.size() > column_ ? line_.size() - column_ : 0);
        break;
      default: read_based(item, facts(item.kind).radix, **integer); break;
    }
  } else if (auto* real = std::get_if<double*>(&slot)) {
    read_real(item, **real);
  } else if (auto* single = std::get_if<float*>(&slot)) {
    read_real(item, **single);
  } else {
    read_text(item, *std::get<std::string*>(slot));
  }
  cursor_.advance();
}

void RecordReader::take_numeric(int width, std::string_view& field, std::size_t& padding) {
  const std::size_t size = line_.size();
  const std::size_t start = std::min(column_, size);
  // A field without width runs to the next comma or the end of the line.
  const std::size_t w = width >= 0 ? static_cast<std::size_t>(width) : size - start;
  const std::size_t end_in_line = std::min(advance_column(column_, w), size);
  for (std::size_t k = start; k < end_in_line; ++k) {
    if (line_[k] == ',') {
      field = std::string_view(line_).substr(start, k - start);
      padding = 0;
      column_ = k + 1;
      return;
    }
  }
  field = std::string_view(line_).substr(start, end_in_line > start ? end_in_line - start : 0);
  padding = w - field.size();
  column_ = advance_column(column_, w);
}

void RecordReader::read_integer(const LayoutItem& item, std::int32_t& variable) {
  std::string_view field;
  std::size_t padding = 0;
  take_numeric(item.width, field, padding);
  NumberRules rules;
  rules.integer = true;
  rules.blank_zero = blank_zero_;
  Decimal scanned;
  if (!scan_number(field, padding, rules, scanned, nullptr)) channel_.fail(kConversion);
  if (!integer_value(scanned, variable)) channel_.fail(kConversion);
}

template <typename Real>
void RecordReader::read_real(const LayoutItem& item, Real& variable) {
  const long one_digit_exponent = -static_cast<long>(std::max(item.digits, 0)) - scale_;
  if (item.width == 1 && column_ < line_.size() && is_digit(line_[column_]) &&
      one_digit_exponent >= -kOneColumnExponentLimit &&
      one_digit_exponent <= kOneColumnExponentLimit) {
    // A one-column score: one digit, scaled by the field's fraction digits. The exponent
    // bound keeps it within the direct conversion, which needs no field text.
    variable = one_column_value<Real>(line_[column_] - '0', one_digit_exponent);
    ++column_;
    return;
  }
  std::string_view field;
  std::size_t padding = 0;
  take_numeric(item.width, field, padding);
  NumberRules rules;
  rules.blank_zero = blank_zero_;
  rules.implied_digits = std::max(item.digits, 0);
  rules.scale = scale_;
  Decimal scanned;
  if (!scan_number(field, padding, rules, scanned, nullptr)) channel_.fail(kConversion);
  variable = real_value<Real>(field, padding, rules, scanned);
}

void RecordReader::read_based(const LayoutItem& item, int base, std::int32_t& variable) {
  std::string_view field;
  std::size_t padding = 0;
  take_numeric(item.width, field, padding);
  std::uint64_t value = 0;
  bool started = false;
  for (std::size_t k = 0; k < field.size(); ++k) {
    char c = field[k];
    if (c == ' ') {
      if (!started || !blank_zero_) continue;
      c = '0';
    }
    started = true;
    int digit = is_digit(c)                ? c - '0'
                : (c >= 'A' && c <= 'F')   ? c - 'A' + 10
                : (c >= 'a' && c <= 'f')   ? c - 'a' + 10
                                           : base;
    if (digit >= base) channel_.fail(kConversion);
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (value > 0xFFFFFFFFu) channel_.fail(kConversion);
  }
  // Under BZ the blanks beyond the line's end are zeros: each multiplies a nonzero value by
  // the base, which leaves 32 bits within 32 of them.
  if (blank_zero_ && started) {
    for (std::size_t k = 0; k < padding && value != 0; ++k) {
      value *= static_cast<std::uint64_t>(base);
      if (value > 0xFFFFFFFFu) channel_.fail(kConversion);
    }
  }
  // The digits give the 32 bits of the variable.
  variable = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

void RecordReader::read_text(const LayoutItem& item, std::string& variable) {
  const std::size_t n = variable.size();
  const std::size_t w = item.width >= 0 ? static_cast<std::size_t>(item.width) : n;
  const std::size_t size = line_.size();
  // The field's columns; those beyond the line's end are blanks.
  auto at = [&](std::size_t k) { return column_ + k < size ? line_[column_ + k] : ' '; };
  // Wider than the variable: its rightmost n characters; narrower: left-aligned, blank-filled.
  const std::size_t first = w > n ? w - n : 0;
  for (std::size_t k = 0; k < n; ++k) variable[k] = first + k < w ? at(first + k) : ' ';
  column_ = advance_column(column_, w);
}

// ---------------------------------------------------------------------------------------------
// List-directed read.

bool ends_undelimited(char c) { return c == ' ' || c == '\t' || c == ',' || c == '/'; }

class ListReader {
 public:
  enum class Item { value, null, end };

  explicit ListReader(InputChannel& channel) : channel_(channel), line_(channel.line_buffer()) {
    next_record();
  }

  /// The next value, null value or the end of the operation (a slash). A value's text is in
  /// `text()`, `quoted()` telling whether it was delimited.
  Item next();
  const std::string& text() const { return text_; }
  bool quoted() const { return quoted_; }
  [[noreturn]] void fail(int number) const { channel_.fail(number); }

 private:
  void next_record() {
    if (!channel_.next_line(line_)) channel_.fail(kEndOfFile);
    column_ = 0;
  }
  /// Moves to the next character that is not a blank or tab, reading lines as needed (a line
  /// end is one more blank).
  char skip_blanks() {
    for (;;) {
      while (column_ < line_.size() && (line_[column_] == ' ' || line_[column_] == '\t'))
        ++column_;
      if (column_ < line_.size()) return line_[column_];
      next_record();
    }
  }
  void read_value();
  void read_quoted(char delimiter);

  InputChannel& channel_;
  std::string& line_;
  std::size_t column_ = 0;
  bool separator_pending_ = false;  // a value was taken; a comma after it is its separator
  std::int64_t repeats_left_ = 0;
  bool repeat_is_null_ = false;
  std::string text_;
  bool quoted_ = false;
};

ListReader::Item ListReader::next() {
  if (repeats_left_ > 0) {
    --repeats_left_;
    return repeat_is_null_ ? Item::null : Item::value;
  }
  if (separator_pending_) {
    separator_pending_ = false;
    if (skip_blanks() == ',') ++column_;
  }
  const char c = skip_blanks();
  if (c == '/') return Item::end;
  if (c == ',') {
    ++column_;
    return Item::null;
  }
  separator_pending_ = true;

  // r*value or r*: a repeat count is digits directly followed by an asterisk.
  std::size_t k = column_;
  while (k < line_.size() && is_digit(line_[k])) ++k;
  if (k > column_ && k < line_.size() && line_[k] == '*') {
    std::int64_t count = 0;
    for (std::size_t d = column_; d < k; ++d) {
      count = count * 10 + (line_[d] - '0');
      if (count > std::numeric_limits<std::int32_t>::max()) fail(kListSyntax);
    }
    if (count == 0) fail(kListSyntax);
    column_ = k + 1;
    repeats_left_ = count - 1;
    repeat_is_null_ = column_ >= line_.size() || ends_undelimited(line_[column_]);
    if (repeat_is_null_) return Item::null;
  }
  read_value();
  return Item::value;
}

void ListReader::read_value() {
  const char c = line_[column_];
  if (c == '\'' || c == '"') {
    read_quoted(c);
    return;
  }
  quoted_ = false;
  std::size_t end = column_;
  while (end < line_.size() && !ends_undelimited(line_[end])) ++end;
  text_.assign(line_, column_, std::min(end - column_, kMaxListText));
  column_ = end;
}

void ListReader::read_quoted(char delimiter) {
  quoted_ = true;
  text_.clear();
  ++column_;
  for (;;) {
    if (column_ >= line_.size()) {
      // The text goes on at the start of the next line; the line end adds nothing to it.
      next_record();
      continue;
    }
    const char c = line_[column_++];
    if (c == delimiter) {
      if (column_ < line_.size() && line_[column_] == delimiter) {
        ++column_;
      } else {
        break;
      }
    }
    if (text_.size() < kMaxListText) text_.push_back(c);
  }
  if (column_ < line_.size() && !ends_undelimited(line_[column_])) fail(kListSyntax);
}

void store_list_value(const ListReader& reader, Slot slot) {
  if (auto* text = std::get_if<std::string*>(&slot)) {
    store_left(**text, reader.text());
    return;
  }
  if (reader.quoted()) reader.fail(kListSyntax);
  NumberRules rules;
  rules.strict = true;
  Decimal scanned;
  const std::string_view token = reader.text();
  if (auto* integer = std::get_if<std::int32_t*>(&slot)) {
    // An integer variable takes digits only: 2.5 or 1E3 is refused rather than cut.
    rules.integer = true;
    if (!scan_number(token, 0, rules, scanned, nullptr) || !integer_value(scanned, **integer))
      reader.fail(kListSyntax);
    return;
  }
  if (!scan_number(token, 0, rules, scanned, nullptr)) reader.fail(kListSyntax);
  if (auto* real = std::get_if<double*>(&slot)) {
    **real = real_value<double>(token, 0, rules, scanned);
  } else {
    *std::get<float*>(slot) = real_value<float>(token, 0, rules, scanned);
  }
}

}  // namespace

Layout compile_layout(const InputChannel& channel, std::string_view text) {
  try {
    return Layout::compile(text);
  } catch (const LayoutError& error) {
    channel.fail(error.number, error.info);
  }
}

void read_formatted(InputChannel& channel, const Layout& layout, std::span<const Target> targets) {
  RecordReader reader(channel, targets);
  try {
    reader.run(layout);
  } catch (const LayoutError& error) {
    channel.fail(error.number, error.info);
  }
}

void read_list(InputChannel& channel, std::span<const Target> targets) {
  ListReader reader(channel);
  for (TargetCursor cursor(targets); !cursor.done(); cursor.advance()) {
    switch (reader.next()) {
      case ListReader::Item::end: return;
      case ListReader::Item::null: break;
      case ListReader::Item::value: store_list_value(reader, cursor.current()); break;
    }
  }
}

}  // namespace itemdif::textio

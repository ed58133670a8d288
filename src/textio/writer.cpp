// Formatted output: the line model that applies a compiled layout to a list of values.
#include "textio/writer.hpp"

#include <algorithm>

#include "textio/channels.hpp"
#include "textio/errors.hpp"
#include "textio/fields.hpp"
#include "textio/layout_walk.hpp"

namespace itemdif::textio {
namespace {

/// Where the finished lines of one operation go.
class LineSink {
 public:
  virtual ~LineSink() = default;
  /// `no_line_end` is true only for the last line of an operation that met "$" or "\".
  virtual void line(std::string_view text, bool no_line_end) = 0;
};

/// The values of one operation as a stream of elements; arrays count as their elements.
class ValueCursor {
 public:
  explicit ValueCursor(std::span<const Value> values) : values_(values) {}

  bool more() {
    while (value_ < values_.size() && element_ >= values_[value_].size()) {
      ++value_;
      element_ = 0;
    }
    return value_ < values_.size();
  }
  const Value& value() const { return values_[value_]; }
  std::size_t element() const { return element_; }
  void advance() { ++element_; }

  bool holds_empty_array() const {
    return std::any_of(values_.begin(), values_.end(),
                       [](const Value& v) { return v.is_array() && v.size() == 0; });
  }

 private:
  std::span<const Value> values_;
  std::size_t value_ = 0;
  std::size_t element_ = 0;
};

/// What one write operation may ask for: a line of at most this many columns, at most this
/// many lines between two values, at most this many changes of the line between two values.
/// Beyond them the layout's numbers mean nothing that a line can hold (error 41).
constexpr std::size_t kMaxLineLength = std::size_t{1} << 20;
constexpr std::uint64_t kMaxLinesWithoutValue = std::uint64_t{1} << 16;
constexpr std::uint64_t kMaxChangesWithoutValue = std::uint64_t{1} << 18;
constexpr int kCannotHold = 41;

/// Whether a field that writes `wanted` takes the current element of `v`.
bool writes(FieldValue wanted, const Value& v) {
  switch (wanted) {
    case FieldValue::any: return true;
    case FieldValue::integer: return v.element_is_integer();
    case FieldValue::real: return v.element_is_real();
    case FieldValue::text: return v.element_is_text();
    case FieldValue::none: break;
  }
  return false;
}

/// One write operation: a blank line buffer that grows, the current column and the
/// high-water mark (the end of the rightmost text written). The layout walk drives it.
class Formatter {
 public:
  Formatter(const Layout& layout, std::span<const Value> values, LineSink& sink)
      : layout_(layout), cursor_(values), sink_(sink), drop_empty_lines_(cursor_.holds_empty_array()) {}

  void run() {
    walk_layout(layout_, *this);
    emit(true);
  }

  // The walk's consumer.
  bool values_left() { return cursor_.more(); }
  std::int32_t field(const LayoutItem& item, std::int32_t repeats);
  void edit(const LayoutItem& item);
  void revert() { emit(false, true); }
  WalkMark mark() const {
    const std::uint32_t modes = (modes_.plus_sign ? 1u : 0u) | (no_line_end_ ? 2u : 0u);
    return {column_, taken_, lines_, changes_, modes_.scale, modes};
  }
  void set_column(std::size_t column) { column_ = column; }

 private:
  [[noreturn]] static void cannot_hold() { throw LayoutError(kCannotHold); }

  void put(std::string_view text) {
    const std::size_t end = advance_column(column_, text.size());
    if (end > kMaxLineLength) cannot_hold();
    if (buffer_.size() < end) buffer_.resize(end, ' ');
    const auto at = buffer_.begin() + static_cast<std::ptrdiff_t>(column_);
    // Writing what the line already holds changes nothing, so a repeated group doing only that
    // can be settled by the walk.
    if (end > high_water_ || !std::equal(text.begin(), text.end(), at)) {
      if (++changes_since_value_ > kMaxChangesWithoutValue) cannot_hold();
      ++changes_;
      std::copy(text.begin(), text.end(), at);
    }
    column_ = end;
    high_water_ = std::max(high_water_, end);
  }

  void emit(bool last, bool reverting = false) {
    if (++lines_since_value_ > kMaxLinesWithoutValue) cannot_hold();
    ++lines_;
    // A list holding an array with no elements leaves an empty line unwritten.
    const bool skip = drop_empty_lines_ && high_water_ == 0 && (last || reverting);
    if (!skip) sink_.line(std::string_view(buffer_.data(), high_water_), last && no_line_end_);
    std::fill(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(high_water_), ' ');
    column_ = 0;
    high_water_ = 0;
  }

  [[noreturn]] static void mismatch() { throw LayoutError(61); }

  const Layout& layout_;
  ValueCursor cursor_;
  LineSink& sink_;
  const bool drop_empty_lines_;
  bool no_line_end_ = false;
  FieldModes modes_;
  std::string buffer_;
  std::string field_text_;
  std::size_t column_ = 0;
  std::size_t high_water_ = 0;
  std::uint64_t taken_ = 0;
  std::uint64_t lines_ = 0;
  std::uint64_t changes_ = 0;
  std::uint64_t lines_since_value_ = 0;
  std::uint64_t changes_since_value_ = 0;
};

// Renders one value into the field at the current column.
std::int32_t Formatter::field(const LayoutItem& item, std::int32_t) {
  const Value& v = cursor_.value();
  const std::size_t i = cursor_.element();
  if (!writes(facts(item.kind).output, v)) mismatch();
  // A field wider than any line, or one without a width whose digits or scale alone are, is
  // refused before it is rendered; a field with a width renders in work bounded by it.
  const auto too_large = [](std::int64_t n) {
    return n > static_cast<std::int64_t>(kMaxLineLength) ||
           -n > static_cast<std::int64_t>(kMaxLineLength);
  };
  if (too_large(item.width) ||
      (item.width <= 0 && (too_large(item.digits) || too_large(item.exponent_digits) ||
                           too_large(modes_.scale))))
    cannot_hold();
  ++taken_;
  lines_since_value_ = 0;
  changes_since_value_ = 0;
  field_text_.clear();
  switch (item.kind) {
    case ItemKind::integer:
      append_integer(field_text_, v.integer_at(i), item.width, item.digits, modes_);
      break;
    case ItemKind::fixed:
      append_fixed(field_text_, v.real_at(i), item.width, item.digits, modes_);
      break;
    case ItemKind::exponent:
    case ItemKind::double_exp:
      append_exponent(field_text_, v.real_at(i), item.width, item.digits, item.exponent_digits,
                      item.kind == ItemKind::exponent ? 'E' : 'D', modes_);
      break;
    case ItemKind::general:
      // G writes any kind of value: integers as I, texts as A.
      if (v.element_is_real()) {
        append_general(field_text_, v.real_at(i), item.width, item.digits, item.exponent_digits,
                       modes_);
      } else if (v.element_is_integer()) {
        append_integer(field_text_, v.integer_at(i), item.width, 1, modes_);
      } else {
        append_text(field_text_, v.text_at(i), item.width);
      }
      break;
    case ItemKind::engineering:
    case ItemKind::scientific:
      append_scientific(field_text_, v.real_at(i), item.width, item.digits, item.exponent_digits,
                        item.kind == ItemKind::engineering, modes_);
      break;
    case ItemKind::alpha:
      append_text(field_text_, v.text_at(i), item.width);
      break;
    case ItemKind::logical:
      append_logical(field_text_, v.integer_at(i) != 0, item.width);
      break;
    case ItemKind::octal:
    case ItemKind::hex:
    case ItemKind::binary:
      append_radix(field_text_, v.integer_at(i), item.width, item.digits, facts(item.kind).radix);
      break;
    default:  // the fields that write nothing were refused above
      mismatch();
  }
  cursor_.advance();
  put(field_text_);
  return 1;
}

void Formatter::edit(const LayoutItem& item) {
  switch (item.kind) {
    case ItemKind::literal: put(item.text); break;
    case ItemKind::skip_right:
      column_ = advance_column(column_, static_cast<std::size_t>(item.count));
      break;
    case ItemKind::skip_left:
      column_ -= std::min(column_, static_cast<std::size_t>(item.count));
      break;
    case ItemKind::tab: column_ = static_cast<std::size_t>(item.count) - 1; break;
    case ItemKind::slash:
      for (std::int32_t r = 0; r < item.repeat; ++r) emit(false);
      break;
    case ItemKind::no_line_end: no_line_end_ = true; break;
    case ItemKind::scale: modes_.scale = item.count; break;
    case ItemKind::sign_plus: modes_.plus_sign = true; break;
    case ItemKind::sign_default:
    case ItemKind::sign_suppress: modes_.plus_sign = false; break;
    default: break;  // BN and BZ are for input
  }
}

class CollectingSink final : public LineSink {
 public:
  explicit CollectingSink(FormattedLines& result) : result_(result) {}
  void line(std::string_view text, bool no_line_end) override {
    result_.lines.emplace_back(text);
    result_.line_end_suppressed = no_line_end;
  }

 private:
  FormattedLines& result_;
};

class ChannelSink final : public LineSink {
 public:
  explicit ChannelSink(OutputChannel& channel) : channel_(channel) {}
  void line(std::string_view text, bool no_line_end) override {
    if (no_line_end) {
      channel_.write_partial(text);
    } else {
      channel_.write_line(text);
    }
  }

 private:
  OutputChannel& channel_;
};

class FirstLineSink final : public LineSink {
 public:
  explicit FirstLineSink(std::string& target) : target_(target) {}
  void line(std::string_view text, bool) override {
    // The target is one fixed-length record; what does not fit in it is dropped.
    if (taken_) return;
    taken_ = true;
    const std::size_t n = std::min(text.size(), target_.size());
    std::copy_n(text.begin(), n, target_.begin());
  }

 private:
  std::string& target_;
  bool taken_ = false;
};

// A list-directed line holds at most this many characters, its leading blank included.
constexpr std::size_t kListLineLength = 80;

}  // namespace

FormattedLines format_lines(const Layout& layout, std::span<const Value> values) {
  FormattedLines result;
  CollectingSink sink(result);
  Formatter(layout, values, sink).run();
  return result;
}

void write(OutputChannel& channel, const Layout& layout, std::span<const Value> values) {
  ChannelSink sink(channel);
  try {
    Formatter(layout, values, sink).run();
  } catch (const LayoutError& e) {
    throw IoError(e.number, channel.unit(), channel.name(), e.info);
  }
}

std::string write_internal(std::size_t length, const Layout& layout,
                           std::initializer_list<Value> values) {
  std::string target(length, ' ');
  FirstLineSink sink(target);
  Formatter(layout, std::span<const Value>(values.begin(), values.size()), sink).run();
  return target;
}

void write_list(OutputChannel& channel, std::string_view text) {
  // Every line, continuation lines too, starts with the blank of list-directed output.
  constexpr std::size_t room = kListLineLength - 1;
  std::string line;
  line.reserve(kListLineLength);
  do {
    const std::string_view piece = text.substr(0, room);
    text.remove_prefix(piece.size());
    line.assign(1, ' ');
    line += piece;
    channel.write_line(line);
  } while (!text.empty());
}

void write_list(OutputChannel& channel) { channel.write_line({}); }

}  // namespace itemdif::textio

// The layout compiler: one pass over the layout text into a flat item list with group partners.
#include "textio/layout.hpp"

#include <cctype>
#include <limits>

#include "textio/errors.hpp"

namespace itemdif::textio {

namespace {

constexpr std::size_t kErrorContext = 80;

struct Compiled {
  std::vector<LayoutItem> items;
  std::size_t reversion_start = 0;
};

class Compiler {
 public:
  explicit Compiler(std::string_view text) : text_(text) {}

  Compiled run();

 private:
  [[noreturn]] void fail(std::size_t at) const {
    if (at > text_.size()) at = text_.size();
    throw LayoutError(62, std::string(text_.substr(at, kErrorContext)));
  }

  // Blanks are insignificant everywhere outside literal texts.
  void skip_blanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }
  char peek() {
    skip_blanks();
    if (pos_ >= text_.size()) return '\0';
    return static_cast<char>(std::toupper(static_cast<unsigned char>(text_[pos_])));
  }
  bool at_digit() { return std::isdigit(static_cast<unsigned char>(peek())) != 0; }

  // An unsigned number, blanks between its digits allowed; saturates rather than overflowing.
  std::int32_t number() {
    std::int64_t n = 0;
    while (at_digit()) {
      n = n * 10 + (text_[pos_] - '0');
      if (n > std::numeric_limits<std::int32_t>::max()) n = std::numeric_limits<std::int32_t>::max();
      ++pos_;
    }
    return static_cast<std::int32_t>(n);
  }

  LayoutItem parse_item(std::size_t start);
  void parse_literal(LayoutItem& item, char delimiter, std::size_t start);
  void parse_field(LayoutItem& item, std::size_t start);

  std::string_view text_;
  std::size_t pos_ = 0;
};

void Compiler::parse_literal(LayoutItem& item, char delimiter, std::size_t start) {
  item.kind = ItemKind::literal;
  ++pos_;
  for (;;) {
    if (pos_ >= text_.size()) fail(start);
    char c = text_[pos_++];
    if (c == delimiter) {
      if (pos_ < text_.size() && text_[pos_] == delimiter) {
        item.text += delimiter;
        ++pos_;
        continue;
      }
      return;
    }
    item.text += c;
  }
}

void Compiler::parse_field(LayoutItem& item, std::size_t start) {
  const ItemFacts& kind = facts(item.kind);
  if (kind.suffix == FieldSuffix::none) return;
  if (!at_digit()) {
    // A field written without a width: a point here would leave the width out of a w.d pair.
    if (peek() == '.') fail(start);
    item.width = kind.omitted.width;
    item.digits = kind.omitted.digits;
    item.exponent_digits = kind.omitted.exponent_digits;
    return;
  }
  item.width = number();
  if (kind.suffix == FieldSuffix::width) return;
  if (kind.suffix == FieldSuffix::width_fraction ||
      kind.suffix == FieldSuffix::width_fraction_exponent) {
    if (peek() != '.') fail(start);
    ++pos_;
    if (!at_digit()) fail(start);
    item.digits = number();
    if (kind.suffix == FieldSuffix::width_fraction_exponent && peek() == 'E') {
      std::size_t mark = pos_;
      ++pos_;
      if (!at_digit()) fail(mark);
      item.exponent_digits = number();
    }
    return;
  }
  // Iw, Ow, Zw, Bw with an optional .m; I writes at least one digit when m is left out.
  if (peek() == '.') {
    ++pos_;
    if (!at_digit()) fail(start);
    item.digits = number();
  } else {
    item.digits = item.kind == ItemKind::integer ? 1 : -1;
  }
}

LayoutItem Compiler::parse_item(std::size_t start) {
  LayoutItem item{};
  char c = peek();

  if (c == '\'' || c == '"') {
    parse_literal(item, text_[pos_], start);
    return item;
  }
  if (c == '/') {
    ++pos_;
    item.kind = ItemKind::slash;
    return item;
  }
  if (c == ':') {
    ++pos_;
    item.kind = ItemKind::colon;
    return item;
  }
  if (c == '$' || c == '\\') {
    ++pos_;
    item.kind = ItemKind::no_line_end;
    return item;
  }
  if (c == '+' || c == '-') {
    ++pos_;
    if (!at_digit()) fail(start);
    std::int32_t k = number();
    if (peek() != 'P') fail(start);
    ++pos_;
    item.kind = ItemKind::scale;
    item.count = c == '-' ? -k : k;
    return item;
  }

  bool has_count = false;
  std::int32_t count = 1;
  if (at_digit()) {
    has_count = true;
    count = number();
    c = peek();
    switch (c) {
      case 'X':
        ++pos_;
        item.kind = ItemKind::skip_right;
        item.count = count;
        return item;
      case 'P':
        ++pos_;
        item.kind = ItemKind::scale;
        item.count = count;
        return item;
      case 'H': {
        // The n characters after the H are taken as they stand, blanks included.
        ++pos_;
        if (count < 1 || text_.size() - pos_ < static_cast<std::size_t>(count)) fail(start);
        item.kind = ItemKind::literal;
        item.text = std::string(text_.substr(pos_, static_cast<std::size_t>(count)));
        pos_ += static_cast<std::size_t>(count);
        return item;
      }
      default: break;
    }
    if (count < 1) fail(start);
    item.repeat = count;
  }

  const std::size_t letter_at = pos_;
  switch (c) {
    case '/':
      ++pos_;
      item.kind = ItemKind::slash;
      return item;
    case '(':
      ++pos_;
      item.kind = ItemKind::group_open;
      return item;
    case 'X':
      ++pos_;
      item.kind = ItemKind::skip_right;
      item.count = 1;
      return item;
    case 'T': {
      if (has_count) fail(letter_at);
      ++pos_;
      char next = peek();
      if (next == 'L' || next == 'R') {
        ++pos_;
        item.kind = next == 'L' ? ItemKind::skip_left : ItemKind::skip_right;
      } else {
        item.kind = ItemKind::tab;
      }
      if (!at_digit()) fail(letter_at);
      item.count = number();
      if (item.kind == ItemKind::tab && item.count < 1) fail(letter_at);
      return item;
    }
    case 'S': {
      if (has_count) fail(letter_at);
      ++pos_;
      char next = peek();
      if (next == 'P') {
        ++pos_;
        item.kind = ItemKind::sign_plus;
      } else if (next == 'S') {
        ++pos_;
        item.kind = ItemKind::sign_suppress;
      } else {
        item.kind = ItemKind::sign_default;
      }
      return item;
    }
    case 'B': {
      ++pos_;
      char next = peek();
      if (next == 'N' || next == 'Z') {
        if (has_count) fail(letter_at);
        ++pos_;
        item.kind = next == 'N' ? ItemKind::blank_null : ItemKind::blank_zero;
        return item;
      }
      item.kind = ItemKind::binary;
      break;
    }
    case 'E': {
      ++pos_;
      char next = peek();
      if (next == 'N') {
        ++pos_;
        item.kind = ItemKind::engineering;
      } else if (next == 'S') {
        ++pos_;
        item.kind = ItemKind::scientific;
      } else {
        item.kind = ItemKind::exponent;
      }
      break;
    }
    case 'I': ++pos_; item.kind = ItemKind::integer; break;
    case 'F': ++pos_; item.kind = ItemKind::fixed; break;
    case 'D': ++pos_; item.kind = ItemKind::double_exp; break;
    case 'G': ++pos_; item.kind = ItemKind::general; break;
    case 'A': ++pos_; item.kind = ItemKind::alpha; break;
    case 'L': ++pos_; item.kind = ItemKind::logical; break;
    case 'O': ++pos_; item.kind = ItemKind::octal; break;
    case 'Z': ++pos_; item.kind = ItemKind::hex; break;
    case 'Q':
      if (has_count) fail(letter_at);
      ++pos_;
      item.kind = ItemKind::query;
      break;
    default:
      // A letter that names no item is reported from the letter; anything else from the item.
      fail(std::isalpha(static_cast<unsigned char>(c)) != 0 ? letter_at : start);
  }
  parse_field(item, start);
  return item;
}

Compiled Compiler::run() {
  Compiled parts;
  if (peek() != '(') fail(pos_);
  ++pos_;

  std::vector<std::size_t> open;  // indices of the group_open items not yet closed
  bool item_expected = true;      // just after an opening parenthesis or a comma
  bool comma_free = true;         // the item before allows the next one without a comma
  for (;;) {
    char c = peek();
    if (c == '\0') fail(pos_);
    if (c == ',') {
      if (item_expected) fail(pos_);
      ++pos_;
      item_expected = true;
      comma_free = true;
      continue;
    }
    if (c == ')') {
      // A comma just before a closing parenthesis is tolerated.
      ++pos_;
      item_expected = false;
      if (open.empty()) break;
      LayoutItem close{};
      close.kind = ItemKind::group_close;
      close.partner = static_cast<std::int32_t>(open.back());
      parts.items[open.back()].partner = static_cast<std::int32_t>(parts.items.size());
      open.pop_back();
      parts.items.push_back(std::move(close));
      comma_free = false;
      continue;
    }

    const std::size_t start = pos_;
    LayoutItem item = parse_item(start);
    if (!item_expected && !comma_free && !facts(item.kind).comma_optional) fail(start);
    item_expected = item.kind == ItemKind::group_open;
    comma_free = facts(item.kind).comma_optional || item.kind == ItemKind::scale ||
                 item.kind == ItemKind::group_open;
    if (item.kind == ItemKind::group_open) {
      if (open.size() >= kMaxGroupDepth) fail(start);
      if (open.empty()) parts.reversion_start = parts.items.size();
      open.push_back(parts.items.size());
    }
    parts.items.push_back(std::move(item));
  }
  // Whatever follows the closing parenthesis of the layout is not part of it.
  return parts;
}

}  // namespace

Layout Layout::compile(std::string_view text) {
  Compiled parts = Compiler(text).run();
  Layout layout;
  layout.items_ = std::move(parts.items);
  layout.reversion_start_ = parts.reversion_start;
  return layout;
}

}  // namespace itemdif::textio

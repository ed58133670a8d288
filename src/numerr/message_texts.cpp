// Placeholder texts (MSGSETI, MSGSETD, MSGSETR, MSGSETL) and their substitution into messages.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

#include "numerr/error_stack.hpp"
#include "numerr/facility.hpp"
#include "textio/layout.hpp"
#include "textio/writer.hpp"

namespace itemdif::numerr {
namespace detail {
namespace {

int kind_slot(char letter) {
  switch (std::toupper(static_cast<unsigned char>(letter))) {
    case 'I': return static_cast<int>(Kind::integer);
    case 'D': return static_cast<int>(Kind::real_double);
    case 'R': return static_cast<int>(Kind::real_single);
    case 'L': return static_cast<int>(Kind::text);
    default: return -1;
  }
}

bool accepted_kind(char letter) {
  switch (std::toupper(static_cast<unsigned char>(letter))) {
    case 'I': case 'D': case 'R': case 'L':
    case 'A': case 'C': case 'K': case 'S': case 'Z':
      return true;
    default:
      return false;
  }
}

bool valid_index(std::int32_t index) { return index >= 1 && index <= 9; }

std::string strip_blanks(std::string text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// Zero and NaN have no leading digit for 1P to move before the point, so they take the plain
// form; every other value shows one digit before the point.
std::string real_text(double value, std::size_t width, const textio::Layout& scaled,
                      const textio::Layout& plain) {
  const bool plain_form = value == 0.0 || std::isnan(value);
  // Only NaN could leave trailing blanks (its place in the field is the renderer's choice).
  return strip_blanks(textio::write_internal(width, plain_form ? plain : scaled, {value}));
}

}  // namespace

void PlaceholderStore::set(Kind kind, int index, std::string_view text) {
  Slot& slot = slots_[static_cast<std::size_t>(kind)][static_cast<std::size_t>(index)];
  if (slot.set) {
    used_ -= slot.text.size() + kEntryOverhead;
    slot.set = false;
    slot.text.clear();
  }
  if (used_ + text.size() + kEntryOverhead > kStoreCapacity) return;
  slot.set = true;
  slot.text.assign(text);
  used_ += text.size() + kEntryOverhead;
}

const std::string* PlaceholderStore::find(char letter, int index) const {
  const int k = kind_slot(letter);
  if (k < 0 || index < 1 || index > 9) return nullptr;
  const Slot& slot = slots_[static_cast<std::size_t>(k)][static_cast<std::size_t>(index)];
  return slot.set ? &slot.text : nullptr;
}

void PlaceholderStore::clear() {
  for (auto& kind : slots_)
    for (auto& slot : kind) slot = Slot{};
  used_ = 0;
}

std::string substitute(std::string_view text, const PlaceholderStore& store) {
  if (text.size() > kMaxMessage) text = text.substr(0, kMaxMessage);
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size() && out.size() < kMaxMessage) {
    const bool placeholder = text[i] == '%' && i + 4 < text.size() && text[i + 1] == '(' &&
                             accepted_kind(text[i + 2]) &&
                             std::isdigit(static_cast<unsigned char>(text[i + 3])) &&
                             text[i + 4] == ')';
    if (placeholder) {
      if (const std::string* value = store.find(text[i + 2], text[i + 3] - '0')) {
        out += *value;
        i += 5;
        continue;
      }
    }
    out += text[i];
    ++i;
  }
  if (out.size() > kMaxMessage) out.resize(kMaxMessage);
  return out;
}

}  // namespace detail

void MSGSETI(std::int32_t index, std::int32_t value) {
  auto& f = detail::facility();
  if (!detail::valid_index(index)) return;
  f.placeholders.set(detail::Kind::integer, index, std::to_string(value));
}

void MSGSETD(std::int32_t index, double value) {
  auto& f = detail::facility();
  if (!detail::valid_index(index)) return;
  static const textio::Layout scaled = textio::Layout::compile("(1P,D24.15)");
  static const textio::Layout plain = textio::Layout::compile("(D24.15)");
  f.placeholders.set(detail::Kind::real_double, index, detail::real_text(value, 24, scaled, plain));
}

void MSGSETR(std::int32_t index, float value) {
  auto& f = detail::facility();
  if (!detail::valid_index(index)) return;
  static const textio::Layout scaled = textio::Layout::compile("(1P,E14.6)");
  static const textio::Layout plain = textio::Layout::compile("(E14.6)");
  f.placeholders.set(detail::Kind::real_single, index,
                     detail::real_text(static_cast<double>(value), 14, scaled, plain));
}

void MSGSETL(std::int32_t index, std::string_view text) {
  auto& f = detail::facility();
  // The magnitude is taken in 64 bits so that the most negative index cannot overflow.
  const std::int64_t magnitude = std::llabs(static_cast<std::int64_t>(index));
  if (magnitude < 1 || magnitude > 9) return;
  f.placeholders.set(detail::Kind::text, static_cast<int>(magnitude), text.substr(0, 255));
}

}  // namespace itemdif::numerr

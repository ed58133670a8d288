// ERRPRINT: the framed console form of a message, its line breaking and the traceback table.
#include <cctype>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "numerr/error_stack.hpp"
#include "numerr/facility.hpp"
#include "textio/channels.hpp"
#include "textio/layout.hpp"
#include "textio/value.hpp"
#include "textio/writer.hpp"

namespace itemdif::numerr {
namespace detail {
namespace {

constexpr std::size_t kFirstLineColumns = 59;
constexpr std::size_t kPieceColumns = 64;
constexpr std::string_view kLead = ".  ";
constexpr std::string_view kBreakMark = "%/";

std::string_view type_name(std::int32_t type) {
  switch (type) {
    case 1: return "NOTE    ";
    case 2: return "ALERT   ";
    case 3: return "WARNING ";
    case 4: return "FATAL   ";
    case 5: return "TERMINAL";
    case 6: return "WARNING ";
    case 7: return "FATAL   ";
    default: return "UNKNOWN ";
  }
}

void capitalise_first(std::string& name) {
  if (name.size() >= 2 && std::islower(static_cast<unsigned char>(name[0])) &&
      std::isupper(static_cast<unsigned char>(name[1])))
    name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
}

struct Pieces {
  std::string first;
  std::vector<std::string> rest;
};

// Drops one blank at the front of `rest` (after a break that was not at a mark).
std::string_view skip_one_blank(std::string_view rest) {
  return !rest.empty() && rest.front() == ' ' ? rest.substr(1) : rest;
}

/// Cuts `text` into the first-line piece (at most `room` characters) and the continuation
/// pieces (at most 64 characters each).
Pieces break_lines(std::string_view text, std::size_t room) {
  Pieces pieces;
  std::string_view rest;
  const auto mark = text.find(kBreakMark);
  if (mark != std::string_view::npos && mark < room) {
    pieces.first = text.substr(0, mark);
    rest = text.substr(mark + kBreakMark.size());
  } else if (text.size() <= room) {
    pieces.first = text;
  } else {
    const auto blank = room == 0 ? std::string_view::npos : text.rfind(' ', room - 1);
    if (blank != std::string_view::npos) {
      // The blank at the break is the one blank skipped before the next piece.
      pieces.first = text.substr(0, blank);
      rest = text.substr(blank + 1);
    } else {
      pieces.first = text.substr(0, room);
      rest = skip_one_blank(text.substr(room));
    }
  }

  while (!rest.empty()) {
    const auto at = rest.find(kBreakMark);
    if (at != std::string_view::npos && at < kPieceColumns) {
      pieces.rest.emplace_back(rest.substr(0, at));
      rest = rest.substr(at + kBreakMark.size());
    } else if (rest.size() > kPieceColumns) {
      const auto blank = rest.rfind(' ', kPieceColumns - 1);
      const std::size_t cut = blank == std::string_view::npos ? kPieceColumns : blank + 1;
      pieces.rest.emplace_back(rest.substr(0, cut));
      rest = skip_one_blank(rest.substr(cut));
    } else {
      pieces.rest.emplace_back(rest);
      rest = {};
    }
  }
  return pieces;
}

textio::OutputChannel& output_of(const Facility& f) {
  return f.output != nullptr ? *f.output : textio::console_output();
}

void write_traceback(const Facility& f) {
  static const textio::Layout heading = textio::Layout::compile(
      "(5X,'Here is a traceback of subprogram calls',' in reverse order:',/,"
      "5X,'Routine name               ',' ','    Error type  Error code',/,"
      "5X,'------------','  ','              ','    ----------  ----------')");
  static const textio::Layout internal_row =
      textio::Layout::compile("(5X,A32,I6,6X,I6,4X,'(Called internally)')");
  static const textio::Layout plain_row = textio::Layout::compile("(5X,A32,I6,6X,I6)");

  textio::OutputChannel& out = output_of(f);
  textio::write(out, heading, std::span<const textio::Value>{});
  for (int level = f.level; level >= 1; --level) {
    const std::string name = traceback_name(f.name[level]);
    const bool internal = level > 1 && !f.called_by_driver[level];
    textio::write(out, internal ? internal_row : plain_row,
                  {textio::Value(name), textio::Value(f.type[level]), textio::Value(f.code[level])});
  }
}

}  // namespace

std::string printed_name(std::string_view name) {
  std::string out(name.substr(0, name.find(' ')));
  capitalise_first(out);
  return out;
}

std::string traceback_name(std::string_view name) {
  std::string out = stack_name(name);
  capitalise_first(out);
  return out;
}

void print_pending(Facility& f, std::int32_t type) {
  if (f.message.empty()) return;
  if (f.silent) {
    ++f.silenced;
    f.message.clear();
    f.placeholders.clear();
    return;
  }
  static const textio::Layout first_line =
      textio::Layout::compile("(/,' *** ',8A1,' ERROR',59A1)");
  static const textio::Layout next_line = textio::Layout::compile("(' *** ',9X,64A1)");

  std::string header = " " + std::to_string(f.code[f.level]) + " from " + printed_name(f.name[f.level]);
  std::size_t room = header.size() < kFirstLineColumns ? kFirstLineColumns - header.size() : 0;
  if (!f.message.starts_with(kLead)) {
    header += kLead;
    room = room > kLead.size() ? room - kLead.size() : 0;
  }

  const Pieces pieces = break_lines(f.message, room);
  textio::OutputChannel& out = output_of(f);
  const std::string line = header + pieces.first;
  textio::write(out, first_line, {textio::Value::chars(type_name(type)), textio::Value::chars(line)});
  for (const std::string& piece : pieces.rest)
    textio::write(out, next_line, {textio::Value::chars(piece)});

  const bool has_table = type >= 1 && type <= kTypeCount;
  if (has_table && f.traceback_table[type] == 1 && f.level > 2) write_traceback(f);

  f.message.clear();
  f.placeholders.clear();
}

}  // namespace detail

textio::OutputChannel& message_output() { return detail::output_of(detail::facility()); }

void set_message_output(textio::OutputChannel* channel) { detail::facility().output = channel; }

void ERRPRINT() {
  auto& f = detail::facility();
  detail::print_pending(f, f.type[f.level]);
}

}  // namespace itemdif::numerr

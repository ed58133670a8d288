#include "data/text_table.hpp"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "data/item_scores.hpp"

namespace itemdif::data {

TextTable::TextTable(std::string_view bytes, char delimiter, std::string shown)
    : begin_(bytes.data()),
      pos_(bytes.data()),
      end_(bytes.data() + bytes.size()),
      delimiter_(delimiter),
      shown_(std::move(shown)) {
  if (bytes.size() >= 3 && std::memcmp(pos_, "\xEF\xBB\xBF", 3) == 0) pos_ += 3;
}

void TextTable::fail(std::size_t line, const std::string& what) const {
  throw InputError(shown_ + " line " + std::to_string(line) + ": " + what);
}

// `p` is just past the opening quote. Appends the cell and returns the position after the
// closing quote.
const char* TextTable::quoted_cell(const char* p, std::vector<std::string_view>& cells) {
  const char* start = p;
  bool escaped = false;
  std::size_t offset = unescaped_.size();
  for (;;) {
    const char* quote = static_cast<const char*>(std::memchr(p, '"', static_cast<std::size_t>(end_ - p)));
    if (quote == nullptr) fail(row_line_, "a quoted cell is not closed before the end of the file");
    for (const char* q = p; (q = static_cast<const char*>(std::memchr(q, '\n', static_cast<std::size_t>(quote - q)))) != nullptr; ++q)
      ++line_;
    if (quote + 1 < end_ && quote[1] == '"') {  // a doubled quote stands for one
      if (!escaped) {
        escaped = true;
        offset = unescaped_.size();
        unescaped_.append(start, static_cast<std::size_t>(quote + 1 - start));
      } else {
        unescaped_.append(p, static_cast<std::size_t>(quote + 1 - p));
      }
      p = quote + 2;
      continue;
    }
    if (escaped) {
      unescaped_.append(p, static_cast<std::size_t>(quote - p));
      unescaped_cells_.push_back({cells.size(), offset, unescaped_.size() - offset});
      cells.emplace_back();
    } else {
      cells.emplace_back(start, static_cast<std::size_t>(quote - start));
    }
    return quote + 1;
  }
}

// A row without quotes: its cells are the spans between delimiters up to the line end, found
// sixteen bytes at a time while sixteen bytes remain. Returns nullptr, with `cells` partly
// filled, when a quote comes before the line end; else the position after the row.
const char* TextTable::plain_row(const char* p, std::vector<std::string_view>& cells) {
  const char delimiter = delimiter_;
  const char* start = p;
  const char* eol = nullptr;
#if defined(__SSE2__)
  const __m128i delimiters = _mm_set1_epi8(delimiter);
  const __m128i line_ends = _mm_set1_epi8('\n');
  const __m128i quotes = _mm_set1_epi8('"');
  while (eol == nullptr && end_ - p >= 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const auto bits = [&](__m128i wanted) {
      return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, wanted)));
    };
    unsigned mask = bits(delimiters);
    const unsigned stops = bits(line_ends) | bits(quotes);
    if (stops != 0) {
      const unsigned first = static_cast<unsigned>(__builtin_ctz(stops));
      if (p[first] == '"') return nullptr;
      eol = p + first;
      mask &= (1u << first) - 1u;
    }
    while (mask != 0) {
      const char* at = p + __builtin_ctz(mask);
      cells.emplace_back(start, static_cast<std::size_t>(at - start));
      start = at + 1;
      mask &= mask - 1u;
    }
    p += 16;
  }
#endif
  if (eol == nullptr) {
    for (; p < end_ && *p != '\n'; ++p) {
      if (*p == '"') return nullptr;
      if (*p == delimiter) {
        cells.emplace_back(start, static_cast<std::size_t>(p - start));
        start = p + 1;
      }
    }
    eol = p;
  }
  const char* stop = eol;
  if (eol < end_ && stop > start && stop[-1] == '\r') --stop;
  cells.emplace_back(start, static_cast<std::size_t>(stop - start));
  if (eol == end_) return eol;
  ++line_;
  return eol + 1;
}

bool TextTable::next_row(std::vector<std::string_view>& cells) {
  cells.clear();
  if (pos_ == end_) return false;
  // Empty lines that run to the end of the bytes close the table.
  {
    const char* p = pos_;
    while (p < end_ && (*p == '\n' || (*p == '\r' && p + 1 < end_ && p[1] == '\n'))) ++p;
    if (p == end_) {
      pos_ = end_;
      return false;
    }
  }
  row_line_ = line_;
  if (const char* next = plain_row(pos_, cells)) {
    pos_ = next;
    return true;
  }
  cells.clear();
  unescaped_.clear();
  unescaped_cells_.clear();
  const char delimiter = delimiter_;
  const char* p = pos_;
  const char* const end = end_;
  for (;;) {
    if (p < end && *p == '"') {
      p = quoted_cell(p + 1, cells);
      if (p < end && *p != delimiter && *p != '\n' && !(*p == '\r' && p + 1 < end && p[1] == '\n'))
        fail(line_, "text after the closing quote of a quoted cell");
      if (p < end && *p == '\r') ++p;
    } else {
      const char* start = p;
      while (p < end && *p != delimiter && *p != '\n') ++p;
      const char* stop = p;
      if (p < end && *p == '\n' && stop > start && stop[-1] == '\r') --stop;
      cells.emplace_back(start, static_cast<std::size_t>(stop - start));
    }
    if (p == end) break;
    if (*p == '\n') {
      ++p;
      ++line_;
      break;
    }
    ++p;  // the delimiter; a delimiter that ends the bytes is followed by one empty cell
    if (p == end) {
      cells.emplace_back();
      break;
    }
  }
  pos_ = p;
  for (const Unescaped& u : unescaped_cells_)
    cells[u.cell] = std::string_view(unescaped_).substr(u.offset, u.length);
  return true;
}

}  // namespace itemdif::data

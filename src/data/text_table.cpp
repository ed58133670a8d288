#include "data/text_table.hpp"

#include <cstring>

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
  unescaped_.clear();
  unescaped_cells_.clear();
  row_line_ = line_;
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

// A delimited text table (CSV, TSV) read row by row in one pass over its bytes: UTF-8 with a
// leading byte-order mark skipped, LF or CR LF line ends, quoted cells holding delimiters,
// doubled quotes and line breaks. Cells are views into the bytes, or into one buffer reused
// from row to row for quoted cells with doubled quotes; nothing is allocated per cell.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace itemdif::data {

class TextTable {
 public:
  /// `shown` is the file's name in messages.
  TextTable(std::string_view bytes, char delimiter, std::string shown);

  /// Reads the next row into `cells` (views valid until the next call) and returns true, or
  /// returns false at the end of the table. A run of empty lines that reaches the end of the
  /// bytes is not a row. Throws InputError naming the file and line for a quote left open or
  /// text after a closing quote.
  bool next_row(std::vector<std::string_view>& cells);

  /// The line on which the last row read begins; the first row is on line 1.
  std::size_t row_line() const { return row_line_; }
  /// Bytes consumed so far, from the start of the bytes given.
  std::size_t offset() const { return static_cast<std::size_t>(pos_ - begin_); }

 private:
  [[noreturn]] void fail(std::size_t line, const std::string& what) const;
  const char* plain_row(const char* p, std::vector<std::string_view>& cells);
  const char* quoted_cell(const char* p, std::vector<std::string_view>& cells);

  const char* begin_;
  const char* pos_;
  const char* end_;
  char delimiter_;
  std::string shown_;
  std::size_t line_ = 1;
  std::size_t row_line_ = 0;
  std::string unescaped_;  // the row's quoted cells that held doubled quotes
  struct Unescaped {
    std::size_t cell, offset, length;
  };
  std::vector<Unescaped> unescaped_cells_;
};

}  // namespace itemdif::data

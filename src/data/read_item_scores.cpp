// The one entry point: the file's format chooses the reader; text tables are read here, in one
// pass over the mapped bytes, row after row into the score table.
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "data/cell_rules.hpp"
#include "data/file_format.hpp"
#include "data/item_scores.hpp"
#include "data/mapped_file.hpp"
#include "data/score_table_builder.hpp"
#include "data/statistical_file.hpp"
#include "data/text_table.hpp"

namespace itemdif::data {
namespace {

constexpr std::size_t kSniffed = 64 * 1024;          // bytes looked at for binary content
constexpr std::size_t kReleaseEvery = 4u << 20;  // bytes read between releases of pages

ItemScores read_text_file(const ReadOptions& options, char delimiter) {
  const std::string& shown = options.path;
  MappedFile file(options.path, shown);
  const std::string_view bytes = file.bytes();
  if (bytes.empty()) throw InputError(shown + ": the file is empty");
  if (std::memchr(bytes.data(), '\0', std::min(bytes.size(), kSniffed)) != nullptr)
    throw InputError(shown + ": not a text data file (it holds binary data)");

  TextTable table(bytes, delimiter, shown);
  std::vector<std::string_view> cells;
  cells.reserve(256);
  if (!table.next_row(cells)) throw InputError(shown + ": the file is empty");
  std::vector<std::string> header;
  header.reserve(cells.size());
  for (const std::string_view name : cells) header.emplace_back(trimmed(name));
  const std::size_t n_columns = header.size();

  // Every row takes at least one byte per column (its delimiters and line end), which bounds
  // the rows; the reserved room beyond the rows read is never touched.
  const std::size_t row_bound = (bytes.size() - table.offset()) / n_columns + 1;
  ScoreTableBuilder builder(options, std::move(header), row_bound, ScoreTableBuilder::Place::line);

  std::size_t released = 0;
  while (table.next_row(cells)) {
    if (cells.size() != n_columns)
      throw InputError(shown + " line " + std::to_string(table.row_line()) + ": " +
                       std::to_string(cells.size()) + (cells.size() == 1 ? " cell" : " cells") +
                       " where the header has " + std::to_string(n_columns));
    builder.add_text_row(table.row_line(), cells);
    if (table.offset() - released >= kReleaseEvery) {
      released = table.offset();
      file.release_before(released);
    }
  }
  return builder.finish();
}

}  // namespace

ItemScores read_item_scores(const ReadOptions& options) {
  const FormatChoice choice = choose_format(options.path, options.delimiter);
  if (choice.format == FileFormat::text) return read_text_file(options, choice.delimiter);
  {
    const MappedFile file(options.path, options.path);  // a clear message before ReadStat's
    if (file.bytes().empty()) throw InputError(options.path + ": the file is empty");
  }
  return read_statistical_file(options, choice.format);
}

}  // namespace itemdif::data

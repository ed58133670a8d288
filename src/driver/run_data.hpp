// The run's data: the control file's values and the score tables as read. Everything the
// analysis derives from them is a value returned by its stages (analysis.hpp).
//
// Convention: every index in the code starts at 0 (level k, item j and examinee i of the
// report are k + 1, j + 1, i + 1). Fixed-length texts are std::string of exactly their length,
// blank-filled on the right.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "driver/score_table.hpp"

namespace itemdif::driver {

/// The number of elements of a `rows` x `cols` x `planes` table of elements of `element_size`
/// bytes; 0 when a count is 0 or less. A product that overflows, or a table larger than the
/// memory the machine can still give, throws IoError 41 "insufficient virtual memory".
std::size_t checked_table_size(std::int64_t rows, std::int64_t cols = 1, std::int64_t planes = 1,
                               std::size_t element_size = 1);

/// The number of elements a count of the control file gives a table: 0 for a count of 0 or
/// less.
inline std::size_t count_of(std::int32_t count) {
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

/// Creates `list` with `count` elements set to `fill`; a count of 0 or less gives an empty list.
/// Throws IoError 41 "insufficient virtual memory" like Table::create.
template <typename T>
void create_list(std::vector<T>& list, std::int64_t count, const T& fill = T());

/// A dense table stored row after row: element (r, c) at r * cols + c.
template <typename T>
class Table {
 public:
  Table() = default;
  /// Throws IoError 41 when the table cannot be had.
  void create(std::int64_t rows, std::int64_t cols);

  T& operator()(std::size_t r, std::size_t c) { return data_[r * cols_ + c]; }
  const T& operator()(std::size_t r, std::size_t c) const { return data_[r * cols_ + c]; }
  T* row(std::size_t r) { return data_.data() + r * cols_; }
  const T* row(std::size_t r) const { return data_.data() + r * cols_; }
  std::size_t rows() const { return rows_; }
  std::size_t cols() const { return cols_; }
  std::vector<T>& elements() { return data_; }
  const std::vector<T>& elements() const { return data_; }

 private:
  std::vector<T> data_;
  std::size_t rows_ = 0;
  std::size_t cols_ = 0;
};

/// Groups and response classes of the level counts.
enum Group : int { kReference = 0, kFocal = 1 };
enum ResponseClass : int { kCorrect = 0, kIncorrect = 1, kBoth = 2 };

struct RunData {
  // Control file.
  std::string title = std::string(160, ' ');
  std::int32_t model = 0;
  std::int32_t n_items = 0;
  std::int32_t n_reference = 0;
  std::int32_t n_focal = 0;
  std::int32_t n_levels = 0;
  std::string control_file_name = std::string(80, ' ');
  std::string reference_file_name = std::string(80, ' ');
  std::string focal_file_name = std::string(80, ' ');
  std::string output_file_name = std::string(80, ' ');
  std::string reference_layout = std::string(80, ' ');
  std::string focal_layout = std::string(80, ' ');
  std::vector<std::int32_t> level_low;   // by level
  std::vector<std::int32_t> level_high;  // by level
  std::vector<std::int32_t> item_label;  // by item

  // Scores as read, (examinee, item).
  ScoreTable reference_responses;
  ScoreTable focal_responses;

  const ScoreTable& responses(Group group) const {
    return group == kReference ? reference_responses : focal_responses;
  }
};

// The three moments at which the run's memory is settled, which fix when a shortage of memory
// ends the run. Each throws IoError 41 when its tables cannot be had; the tables of the
// analysis's stages are counted at these moments although the stages make them later.

/// Right after the levels record: the level bounds, and room for the working tables by level
/// and item and by item.
void create_level_tables(RunData& run);
/// Right after the labels record: `item_label`.
void create_label_table(RunData& run);
/// Right after the report is opened: the score tables (reference before focal), and room for
/// the totals and every remaining working table.
void create_data_tables(RunData& run);

}  // namespace itemdif::driver

// The item scores of one group as read: one byte a score, with the exact value of every score
// other than 0 and 1 kept beside.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace itemdif::driver {

/// An (examinee, item) table of scores stored row after row. Scores of 0 and 1 (positive
/// zero and one, bit for bit) take one byte; any other value, -0 and every not-a-number
/// included, is kept exactly in a side table, and when such values are more than a few the
/// whole table turns into doubles. Every read gives back the very double written.
class ScoreTable {
 public:
  ScoreTable() = default;
  /// A table of 0 scores. Refused as IoError 41 exactly when a table of doubles of this shape
  /// would be (the moments at which a shortage of memory ends the run stay those of doubles).
  void create(std::int64_t rows, std::int64_t cols);

  double operator()(std::size_t r, std::size_t c) const { return value(r * cols_ + c); }
  void set(std::size_t r, std::size_t c, double score);
  /// Row `r` from `scores` (cols() values).
  void set_row(std::size_t r, const double* scores);
  /// Row `r` from `codes`: cols() scores, each 0 or 1.
  void set_row_codes(std::size_t r, const std::uint8_t* codes);
  /// Row `r` into `scores` (cols() values).
  void row(std::size_t r, double* scores) const;

  /// Whether every score is 0 or 1 (positive zero and one): the rows are then their bytes.
  bool plain() const { return dense_.empty() && exact_.empty(); }
  /// Row `r` as cols() bytes of 0 and 1; only while plain().
  const std::uint8_t* plain_row(std::size_t r) const { return codes_.data() + r * cols_; }

  std::size_t rows() const { return rows_; }
  std::size_t cols() const { return cols_; }

 private:
  static constexpr std::uint8_t kExact = 2;  // the value is in exact_

  double value(std::size_t at) const {
    if (!dense_.empty()) return dense_[at];
    const std::uint8_t code = codes_[at];
    return code < kExact ? static_cast<double>(code) : exact_.at(at);
  }
  void store(std::size_t at, double score);
  void make_dense();

  std::vector<std::uint8_t> codes_;
  std::unordered_map<std::size_t, double> exact_;
  std::vector<double> dense_;  // every score, once the side table would outgrow the bytes
  std::size_t rows_ = 0;
  std::size_t cols_ = 0;
};

}  // namespace itemdif::driver

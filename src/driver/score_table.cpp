// The item scores of one group in one byte a score, with an exact side table.
#include "driver/score_table.hpp"

#include <algorithm>
#include <bit>
#include <new>
#include <stdexcept>

#include "driver/run_data.hpp"
#include "textio/errors.hpp"

namespace itemdif::driver {

namespace {

constexpr std::uint64_t kZeroBits = std::bit_cast<std::uint64_t>(0.0);
constexpr std::uint64_t kOneBits = std::bit_cast<std::uint64_t>(1.0);
// Side tables up to this size stay, however small the table.
constexpr std::size_t kDenseAfter = 4096;

}  // namespace

void ScoreTable::create(std::int64_t rows, std::int64_t cols) {
  const std::size_t size = checked_table_size(rows, cols, 1, sizeof(double));
  try {
    std::vector<std::uint8_t>(size, 0).swap(codes_);
    exact_.clear();
    dense_.clear();
  } catch (const std::bad_alloc&) {
    throw textio::IoError(41, 0, {});
  } catch (const std::length_error&) {
    throw textio::IoError(41, 0, {});
  }
  rows_ = size == 0 ? 0 : static_cast<std::size_t>(rows);
  cols_ = size == 0 ? 0 : static_cast<std::size_t>(cols);
}

void ScoreTable::store(std::size_t at, double score) {
  if (!dense_.empty()) {
    dense_[at] = score;
    return;
  }
  const auto bits = std::bit_cast<std::uint64_t>(score);
  if (bits == kZeroBits || bits == kOneBits) {
    if (codes_[at] == kExact) exact_.erase(at);
    codes_[at] = bits == kOneBits ? 1 : 0;
    return;
  }
  exact_[at] = score;
  codes_[at] = kExact;
  // An entry of the side table takes some 40 bytes: past one score in 16 the doubles are
  // smaller.
  if (exact_.size() > kDenseAfter && exact_.size() > codes_.size() / 16) make_dense();
}

void ScoreTable::make_dense() {
  try {
    std::vector<double> dense(codes_.size());
    for (std::size_t at = 0; at < codes_.size(); ++at) dense[at] = value(at);
    dense_.swap(dense);
  } catch (const std::bad_alloc&) {
    throw textio::IoError(41, 0, {});
  }
  std::vector<std::uint8_t>().swap(codes_);
  exact_ = {};
}

void ScoreTable::set(std::size_t r, std::size_t c, double score) { store(r * cols_ + c, score); }

void ScoreTable::set_row(std::size_t r, const double* scores) {
  const std::size_t start = r * cols_;
  if (dense_.empty() && exact_.empty()) {
    // A row of 0 and 1 only, the usual one, is packed in a loop without branches.
    std::uint8_t* codes = codes_.data() + start;
    bool plain = true;
    for (std::size_t c = 0; c < cols_; ++c) {
      const auto bits = std::bit_cast<std::uint64_t>(scores[c]);
      codes[c] = bits == kOneBits ? 1 : 0;
      plain &= bits == kZeroBits || bits == kOneBits;
    }
    if (plain) return;
  }
  for (std::size_t c = 0; c < cols_; ++c) store(start + c, scores[c]);
}

void ScoreTable::set_row_codes(std::size_t r, const std::uint8_t* codes) {
  const std::size_t start = r * cols_;
  if (plain()) {
    std::copy_n(codes, cols_, codes_.data() + start);
    return;
  }
  for (std::size_t c = 0; c < cols_; ++c) store(start + c, static_cast<double>(codes[c]));
}

void ScoreTable::row(std::size_t r, double* scores) const {
  const std::size_t start = r * cols_;
  if (!dense_.empty()) {
    std::copy_n(dense_.data() + start, cols_, scores);
  } else if (exact_.empty()) {
    const std::uint8_t* codes = codes_.data() + start;
    for (std::size_t c = 0; c < cols_; ++c) scores[c] = static_cast<double>(codes[c]);
  } else {
    for (std::size_t c = 0; c < cols_; ++c) scores[c] = value(start + c);
  }
}

}  // namespace itemdif::driver

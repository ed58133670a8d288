// What a cell says: an item cell is a score (a whole number from 0 to the highest score) or
// missing, or neither; a group cell is a value or missing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/item_scores.hpp"

namespace itemdif::data {

/// The cell without the spaces and tabs around it.
std::string_view trimmed(std::string_view cell);

/// Empty, `NA` or `.` (after trimming): missing in any column.
bool is_missing_text(std::string_view cell);

/// Item cells as scores under a list of missing codes. A cell that equals a missing code is
/// missing even when it reads as a score.
class ScoreRules {
 public:
  static constexpr std::uint8_t kInvalid = 254;
  static_assert(kHighestMaxScore < kInvalid && kInvalid < kMissing);

  /// Scores run from 0 to `max_score` (1 to kHighestMaxScore).
  ScoreRules(const std::vector<std::string>& missing_codes, int max_score);

  /// A score, kMissing, or kInvalid when the text is neither a score nor missing. A score is
  /// written as a whole decimal number without leading zeros, `.0` allowed: `2`, `2.0`.
  std::uint8_t text(std::string_view cell) const {
    // Most cells are one digit, and with scores of ten and more many are two: looked up.
    if (cell.size() == 1) return single_[static_cast<unsigned char>(cell[0])];
    if (cell.size() == 2) {
      const unsigned tens = static_cast<unsigned char>(cell[0]) - '0';
      const unsigned units = static_cast<unsigned char>(cell[1]) - '0';
      if (tens < 10 && units < 10) return two_digits_[tens * 10 + units];
    }
    return longer(cell);
  }

  /// A number read from a statistical file (or a binding's table) that is not missing there.
  std::uint8_t number(double value) const {
    // Most numbers are small whole numbers: looked up, missing codes included.
    if (value >= 0.0 && value < static_cast<double>(kWholeLooked)) {
      const auto whole = static_cast<unsigned>(value);
      if (static_cast<double>(whole) == value) return whole_[whole];
    }
    return other_number(value);
  }

  int max_score() const { return max_score_; }

  /// A number as the cell text it stands for: `2`, `0.5`, `-3`.
  static std::string number_text(double value);

 private:
  static constexpr unsigned kWholeLooked = 256;

  std::uint8_t longer(std::string_view cell) const;
  std::uint8_t other_number(double value) const;
  bool is_code(std::string_view cell) const;

  int max_score_;
  std::array<std::uint8_t, 256> single_{};
  std::array<std::uint8_t, 100> two_digits_{};  // "00" to "99"
  std::array<std::uint8_t, kWholeLooked> whole_{};  // the numbers 0 to 255
  std::vector<std::string> codes_;
  std::vector<double> numeric_codes_;
};

/// The number a text stands for when all of it is a decimal number; else nothing.
std::optional<double> parse_number(std::string_view text);

}  // namespace itemdif::data

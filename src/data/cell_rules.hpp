// What a cell says: an item cell is a score (0, 1) or missing, or neither; a group cell is a
// value or missing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

  explicit ScoreRules(const std::vector<std::string>& missing_codes);

  /// 0, 1, kMissing, or kInvalid when the text is neither a score nor missing.
  std::uint8_t text(std::string_view cell) const {
    if (cell.size() == 1) return single_[static_cast<unsigned char>(cell[0])];
    return longer(cell);
  }

  /// A number read from a statistical file that is not missing there.
  std::uint8_t number(double value) const;

  /// A number as the cell text it stands for: `2`, `0.5`, `-3`.
  static std::string number_text(double value);

 private:
  std::uint8_t longer(std::string_view cell) const;
  bool is_code(std::string_view cell) const;

  std::array<std::uint8_t, 256> single_{};
  std::vector<std::string> codes_;
  std::vector<double> numeric_codes_;
};

/// The number a text stands for when all of it is a decimal number; else nothing.
std::optional<double> parse_number(std::string_view text);

}  // namespace itemdif::data

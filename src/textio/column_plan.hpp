// The plain fixed-column layouts of item scores: every value a one-column real field on one
// record. Their records can be read by looking at the columns alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "textio/layout.hpp"

namespace itemdif::textio {

/// Where a formatted read under a layout takes each of its values, when that is known before
/// the record is seen.
class ColumnPlan {
 public:
  /// Values in consecutive columns with one exponent: value k of the run is the digit in
  /// column `column + k` times 10^exponent.
  struct Run {
    std::size_t column = 0;
    std::size_t count = 0;
    std::int32_t exponent = 0;
  };

  /// The plan of a read of `values` doubles under `layout`, when the read takes each of them
  /// from a one-column real field of the first record and reads no other record (no slash, no
  /// reversion); nothing otherwise. A record whose planned columns all hold digits then reads
  /// exactly as the plan says.
  static std::optional<ColumnPlan> of(const Layout& layout, std::size_t values);

  /// The digits of the planned columns of `line`, value by value into `digits`; false, with
  /// `digits` unspecified, when a column lies beyond the line or holds something else. When
  /// given, `zeros_and_ones` tells whether every digit taken is 0 or 1.
  bool take_digits(std::string_view line, std::uint8_t* digits,
                   bool* zeros_and_ones = nullptr) const;

  /// Whether every value is its digit as it stands (no fraction digits, no scale).
  bool whole_digits() const { return whole_digits_; }
  const std::vector<Run>& runs() const { return runs_; }

 private:
  std::vector<Run> runs_;
  std::size_t line_length_ = 0;  // the shortest line that holds every planned column
  bool whole_digits_ = true;
};

}  // namespace itemdif::textio

// The examinees of an IRT analysis as distinct response patterns with counts: items without
// variance dropped, scores mapped to the categories that occur, identical rows of a group merged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "irt/irt_dif.hpp"

namespace itemdif::irt {

/// An item's occurring scores y_0 < ... < y_m and the category of every byte.
struct ItemCategories {
  std::size_t column = 0;  ///< the item's position in IrtData
  std::vector<int> scores;
  /// Category of a score byte; -1 for a byte that leaves the item out of the product.
  std::array<std::int16_t, 256> of_byte{};
  std::size_t m() const { return scores.size() - 1; }
};

struct ResponsePatterns {
  std::span<const std::uint8_t> scores;  ///< the caller's bytes, read in place
  std::size_t n_columns = 0;
  std::size_t groups = 0;
  /// The items taking part (at least two occurring scores), in column order.
  std::vector<ItemCategories> items;
  /// By column: position in `items`, or -1 for an item without variance.
  std::vector<int> part_of;
  /// Distinct patterns: a row that holds it, its group and how many examinees share it.
  std::vector<std::uint32_t> row;
  std::vector<std::uint8_t> group;
  std::vector<double> count;
  /// Responses by item (of `items`), group and category.
  std::vector<std::vector<std::vector<std::size_t>>> responses;
  std::vector<std::size_t> examinees;  ///< by group

  std::uint8_t byte(std::size_t pattern, std::size_t k) const {
    return scores[static_cast<std::size_t>(row[pattern]) * n_columns + items[k].column];
  }
  std::size_t responses_of(std::size_t k, std::size_t g) const;
};

ResponsePatterns response_patterns(const IrtData& data);

}  // namespace itemdif::irt

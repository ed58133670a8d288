// Which header columns are the group, the id and the items.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace itemdif::data {

struct ColumnSelection {
  std::size_t group = 0;
  std::optional<std::size_t> id;
  std::optional<std::size_t> match;  ///< the matching score's column
  std::vector<std::size_t> items;  ///< header positions, in analysis order
};

/// Resolves the columns against the header. The matching score's column, like the id, is no
/// item and may not be the group or id column. `items` is a comma-separated list of names and
/// inclusive ranges `first:last` over header positions; absent, every column but the group and
/// the id. A range passes over the group and id columns; naming either as an item is an error,
/// as are unknown or repeated names, a name the header holds twice, a range that runs backwards
/// and an empty selection. Messages begin with `shown`, the file's name, unless it is empty.
ColumnSelection select_columns(const std::vector<std::string>& header,
                               const std::string& group_column,
                               const std::optional<std::string>& id_column,
                               const std::optional<std::string>& items, const std::string& shown,
                               const std::optional<std::string>& match_column = std::nullopt);

}  // namespace itemdif::data

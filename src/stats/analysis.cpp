// Reading the analysis values.
#include "stats/analysis.hpp"

#include "stats/method_list.hpp"

namespace itemdif::stats {

Cell ItemResult::cell(std::string_view name) const {
  const std::optional<ColumnPlace> place = column_place(name);
  return place ? cell(place->method, place->column) : Cell{};
}

Cell ItemResult::cell(std::size_t method, std::size_t column) const {
  if (method >= methods.size()) return std::monostate{};
  const std::vector<Cell>& cells = methods[method].cells;
  return column < cells.size() ? cells[column] : Cell{};
}

}  // namespace itemdif::stats

// Reading the analysis values.
#include "stats/analysis.hpp"

#include "stats/method_list.hpp"

namespace itemdif::stats {

Cell ItemValues::cell(const Column& column) const {
  const std::optional<ColumnPlace> place = column_place(column, overall_);
  return place ? cell(place->method, place->column) : Cell{};
}

Cell ItemValues::cell(std::size_t method, std::size_t column) const {
  if (method >= methods.size()) return std::monostate{};
  const std::vector<Cell>& cells = methods[method].cells;
  return column < cells.size() ? cells[column] : Cell{};
}

Cell ItemValues::cell_named(std::string_view name) const {
  const ColumnPlace place = column_place_named(name, overall_);
  return cell(place.method, place.column);
}

}  // namespace itemdif::stats

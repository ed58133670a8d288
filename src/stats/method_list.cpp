// The list of methods: adding a method is its file and one line here.
#include "stats/method_list.hpp"

#include <array>

#include "stats/breslow_day.hpp"
#include "stats/logistic_regression.hpp"
#include "stats/mantel_haenszel.hpp"
#include "stats/standardization.hpp"

namespace itemdif::stats {

std::span<const Method> methods() {
  static const std::array<Method, 4> list = {
      mantel_haenszel_method(),
      standardization_method(),
      breslow_day_method(),
      logistic_regression_method(),
  };
  return list;
}

std::optional<std::size_t> method_position(std::string_view name) {
  const std::span<const Method> list = methods();
  for (std::size_t m = 0; m < list.size(); ++m)
    if (list[m].name == name) return m;
  return std::nullopt;
}

std::optional<ColumnPlace> column_place(std::string_view name) {
  const std::span<const Method> list = methods();
  for (std::size_t m = 0; m < list.size(); ++m)
    for (std::size_t c = 0; c < list[m].columns.size(); ++c)
      if (list[m].columns[c].name == name) return ColumnPlace{m, c};
  return std::nullopt;
}

std::vector<MethodColumn> method_columns(std::span<const std::size_t> positions,
                                         bool (*keep)(const Column&)) {
  std::vector<MethodColumn> kept;
  const std::span<const Method> list = methods();
  for (const std::size_t m : positions)
    for (std::size_t c = 0; c < list[m].columns.size(); ++c)
      if (keep(list[m].columns[c])) kept.push_back({&list[m].columns[c], {m, c}});
  return kept;
}

Cell ItemInput::earlier_cell(std::string_view name) const {
  const std::optional<ColumnPlace> place = column_place(name);
  if (!place || place->method >= earlier.size()) return std::monostate{};
  const std::vector<Cell>& cells = earlier[place->method].cells;
  return place->column < cells.size() ? cells[place->column] : Cell{};
}

}  // namespace itemdif::stats

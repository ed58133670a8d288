// The list of methods: adding a method is its file and one line here.
#include "stats/method_list.hpp"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "stats/breslow_day.hpp"
#include "stats/irt_method.hpp"
#include "stats/logistic_regression.hpp"
#include "stats/mantel_haenszel.hpp"
#include "stats/sibtest_method.hpp"
#include "stats/standardization.hpp"

namespace itemdif::stats {

std::span<const Method> methods() {
  static const std::array list = {
      mantel_haenszel_method(),
      standardization_method(),
      breslow_day_method(),
      logistic_regression_method(),
      sibtest_method(),
      irt_method(),
  };
  return list;
}

std::optional<std::size_t> method_position(std::string_view name) {
  const std::span<const Method> list = methods();
  for (std::size_t m = 0; m < list.size(); ++m)
    if (list[m].name == name) return m;
  return std::nullopt;
}

std::vector<std::size_t> default_methods() {
  std::vector<std::size_t> positions;
  for (std::size_t m = 0; m < methods().size(); ++m)
    if (methods()[m].by_default) positions.push_back(m);
  return positions;
}

std::vector<std::size_t> all_methods() {
  std::vector<std::size_t> positions(methods().size());
  for (std::size_t m = 0; m < positions.size(); ++m) positions[m] = m;
  return positions;
}

std::string method_names(std::string_view separator) {
  std::string names;
  for (const Method& method : methods()) {
    if (!names.empty()) names += separator;
    names += method.name;
  }
  return names;
}

Columns columns_of(const Method& method, bool overall) {
  return overall ? method.overall_columns : method.columns;
}

std::optional<ColumnPlace> column_place(const Column& column, bool overall) {
  const std::span<const Method> list = methods();
  for (std::size_t m = 0; m < list.size(); ++m) {
    const Columns columns = columns_of(list[m], overall);
    for (std::size_t c = 0; c < columns.size(); ++c)
      if (columns[c] == &column) return ColumnPlace{m, c};
  }
  return std::nullopt;
}

ColumnPlace column_place_named(std::string_view name, bool overall) {
  const std::span<const Method> list = methods();
  for (std::size_t m = 0; m < list.size(); ++m) {
    const Columns columns = columns_of(list[m], overall);
    for (std::size_t c = 0; c < columns.size(); ++c)
      if (columns[c]->name == name) return ColumnPlace{m, c};
  }
  throw std::invalid_argument("no method has a" + std::string(overall ? "n overall" : "") +
                              " column " + std::string(name));
}

std::vector<MethodColumn> method_columns(std::span<const std::size_t> positions,
                                         bool (*keep)(const Column&), bool overall) {
  std::vector<MethodColumn> kept;
  const std::span<const Method> list = methods();
  for (const std::size_t m : positions) {
    const Columns columns = columns_of(list[m], overall);
    for (std::size_t c = 0; c < columns.size(); ++c)
      if (keep(*columns[c])) kept.push_back({columns[c], {m, c}});
  }
  return kept;
}

bool runs(std::span<const std::size_t> positions, const Method& method) {
  const std::span<const Method> list = methods();
  return std::any_of(positions.begin(), positions.end(),
                     [&](std::size_t m) { return m < list.size() && &list[m] == &method; });
}

Cell ItemInput::earlier_cell(const Column& column) const {
  const std::optional<ColumnPlace> place = column_place(column, round.frame.overall);
  if (!place || place->method >= earlier.size()) return std::monostate{};
  const std::vector<Cell>& cells = earlier[place->method].cells;
  return place->column < cells.size() ? cells[place->column] : Cell{};
}

}  // namespace itemdif::stats

#include "data/column_selection.hpp"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "data/cell_rules.hpp"
#include "data/item_scores.hpp"

namespace itemdif::data {
namespace {

class Header {
 public:
  Header(const std::vector<std::string>& names, const std::string& shown)
      : names_(names), shown_(shown) {}

  std::optional<std::size_t> find(std::string_view name) const {
    const auto it = std::find(names_.begin(), names_.end(), name);
    if (it == names_.end()) return std::nullopt;
    if (std::find(it + 1, names_.end(), name) != names_.end())
      fail("the header has more than one column named \"" + std::string(name) + "\"");
    return static_cast<std::size_t>(it - names_.begin());
  }

  std::size_t at(std::string_view name, const std::string& role) const {
    const auto found = find(name);
    if (!found) fail("there is no column named \"" + std::string(name) + "\" " + role);
    return *found;
  }

  [[noreturn]] void fail(const std::string& what) const {
    throw InputError(shown_.empty() ? what : shown_ + ": " + what);
  }

  const std::string& name(std::size_t i) const { return names_[i]; }
  std::size_t size() const { return names_.size(); }

 private:
  const std::vector<std::string>& names_;
  const std::string& shown_;
};

std::vector<std::string_view> split_list(std::string_view list) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t comma = list.find(',');
    parts.push_back(trimmed(list.substr(0, comma)));
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return parts;
}

}  // namespace

ColumnSelection select_columns(const std::vector<std::string>& names,
                               const std::string& group_column,
                               const std::optional<std::string>& id_column,
                               const std::optional<std::string>& items, const std::string& shown,
                               const std::optional<std::string>& match_column) {
  const Header header(names, shown);
  ColumnSelection selection;
  selection.group = header.at(group_column, "for the group");
  if (id_column) {
    selection.id = header.at(*id_column, "for the id");
    if (*selection.id == selection.group)
      header.fail("the group and the id column are the same column, " + group_column);
  }
  if (match_column) {
    selection.match = header.at(*match_column, "for the matching score");
    if (*selection.match == selection.group || (selection.id && *selection.match == *selection.id))
      header.fail("the matching score's column " + *match_column + " is the " +
                  (*selection.match == selection.group ? "group" : "id") + " column");
  }
  const auto is_group_or_id = [&](std::size_t i) {
    return i == selection.group || (selection.id && i == *selection.id) ||
           (selection.match && i == *selection.match);
  };

  if (!items) {
    for (std::size_t i = 0; i < header.size(); ++i)
      if (!is_group_or_id(i)) selection.items.push_back(i);
  } else {
    for (const std::string_view part : split_list(*items)) {
      if (part.empty()) continue;
      const std::size_t colon = part.find(':');
      if (header.find(part) || colon == std::string_view::npos) {
        const std::size_t i = header.at(part, "among the items");
        if (is_group_or_id(i))
          header.fail("column " + header.name(i) + " is the " +
                      (i == selection.group ? "group"
                       : selection.match && i == *selection.match ? "matching score's"
                                                                  : "id") +
                      " column and cannot be an item");
        selection.items.push_back(i);
        continue;
      }
      const std::string_view first_name = trimmed(part.substr(0, colon));
      const std::string_view last_name = trimmed(part.substr(colon + 1));
      const std::size_t first = header.at(first_name, "to begin the item range " + std::string(part));
      const std::size_t last = header.at(last_name, "to end the item range " + std::string(part));
      if (last < first)
        header.fail("the item range " + std::string(part) + " runs backwards: " +
                    std::string(last_name) + " comes before " + std::string(first_name) +
                    " in the header");
      for (std::size_t i = first; i <= last; ++i)
        if (!is_group_or_id(i)) selection.items.push_back(i);
    }
  }
  if (selection.items.empty()) header.fail("no item columns are selected");

  std::vector<std::size_t> sorted = selection.items;
  std::sort(sorted.begin(), sorted.end());
  const auto twice = std::adjacent_find(sorted.begin(), sorted.end());
  if (twice != sorted.end()) header.fail("column " + header.name(*twice) + " is selected twice as an item");
  std::unordered_map<std::string_view, std::size_t> uses;
  for (const std::string& name : names) ++uses[name];
  for (const std::size_t i : selection.items)
    if (uses[header.name(i)] > 1)
      header.fail("the header has more than one column named \"" + header.name(i) + "\"");
  return selection;
}

}  // namespace itemdif::data

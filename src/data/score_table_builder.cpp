#include "data/score_table_builder.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace itemdif::data {
namespace {

constexpr std::size_t kShownCell = 60;  // longer cells are cut in messages

std::string quoted(std::string_view text) {
  if (text.size() > kShownCell) return "\"" + std::string(text.substr(0, kShownCell)) + "...\"";
  return "\"" + std::string(text) + "\"";
}

// The table is filled front to back once; large pages spare most of its page faults. Only the
// whole large pages inside the room reserved are advised, and only pages written become resident.
void advise_huge_pages(void* data, std::size_t bytes) {
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kHuge - 1) / kHuge * kHuge;
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) / kHuge * kHuge;
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace

ScoreTableBuilder::ScoreTableBuilder(const ReadOptions& options, std::vector<std::string> header,
                                     std::size_t row_bound, Place place)
    : shown_(options.path),
      max_score_option_(options.max_score_option),
      header_(std::move(header)),
      columns_(select_columns(header_, options.group_column, options.id_column, options.items,
                              options.path, options.match_column)),
      rules_(options.missing_codes, options.max_score),
      place_(place),
      match_option_(options.match_option) {
  // A repeated value is refused before the file is read; values that differ as texts but
  // name the same group value (a number and its label) only show once the values are known.
  for (const std::string& focal : options.focal_values) {
    std::string value(trimmed(focal));
    if (std::find(focal_.begin(), focal_.end(), value) != focal_.end())
      fail("the focal value \"" + value + "\" is given twice");
    focal_.push_back(std::move(value));
  }
  if (focal_.empty()) fail("no focal value given");
  if (focal_.size() > kMostFocalGroups)
    fail(std::to_string(focal_.size()) + " focal values given; an analysis takes at most " +
         std::to_string(kMostFocalGroups));
  if (options.reference_value) reference_ = std::string(trimmed(*options.reference_value));
  if (row_bound > 0) {
    scores_.reserve(row_bound * columns_.items.size());
    advise_huge_pages(scores_.data(), scores_.capacity());
    row_value_.reserve(row_bound);
    if (columns_.id) ids_.reserve(row_bound);
  }
}

void ScoreTableBuilder::fail(const std::string& what) const {
  throw InputError(shown_.empty() ? what : shown_ + ": " + what);
}

namespace {
/// A stored row's matching score when its cell is missing.
constexpr std::int32_t kNoMatch = INT32_MIN;
}  // namespace

void ScoreTableBuilder::fail_match(std::size_t where, std::string_view text) const {
  throw InputError((shown_.empty() ? "" : shown_ + " ") + (place_ == Place::line ? "line " : "row ") +
                   std::to_string(where) + ", column " + header_[*columns_.match] + ": " +
                   quoted(text) + " is not a whole number (the matching score, see " +
                   match_option_ + ") or missing");
}

std::int32_t ScoreTableBuilder::match_of_text(std::size_t where, std::string_view text) const {
  if (is_missing_text(text)) return kNoMatch;
  const std::optional<double> number = parse_number(trimmed(text));
  if (!number || *number != std::floor(*number) || std::fabs(*number) > 1e9)
    fail_match(where, text);
  return static_cast<std::int32_t>(*number);
}

std::int32_t ScoreTableBuilder::match_of_typed(std::size_t where, const TypedCell& cell) const {
  if (cell.kind == TypedCell::Kind::missing) return kNoMatch;
  if (cell.kind == TypedCell::Kind::text) return match_of_text(where, cell.text);
  if (cell.number != std::floor(cell.number) || std::fabs(cell.number) > 1e9)
    fail_match(where, ScoreRules::number_text(cell.number));
  return static_cast<std::int32_t>(cell.number);
}

void ScoreTableBuilder::fail_cell(std::size_t where, std::size_t column, std::string_view text) const {
  throw InputError((shown_.empty() ? "" : shown_ + " ") + (place_ == Place::line ? "line " : "row ") +
                   std::to_string(where) + ", column " + header_[column] + ": " + quoted(text) +
                   " is not a score (0 to " + std::to_string(rules_.max_score()) + ", see " +
                   max_score_option_ + ") or a missing code");
}

std::uint32_t ScoreTableBuilder::group_index(std::string_view text, std::optional<double> number) {
  if (last_value_ != UINT32_MAX && values_[last_value_].text == text) return last_value_;
  const auto found = value_index_.find(text);
  if (found != value_index_.end()) return last_value_ = found->second;
  const auto index = static_cast<std::uint32_t>(values_.size());
  values_.push_back({std::string(text), number});
  value_index_.emplace(std::string(text), index);
  return last_value_ = index;
}

void ScoreTableBuilder::add_text_row(std::size_t where, std::span<const std::string_view> cells) {
  ++rows_read_;
  const std::size_t n_items = columns_.items.size();
  const std::size_t* items = columns_.items.data();
  const std::string_view group = cells[columns_.group];
  if (is_missing_text(group)) {
    ++rows_group_missing_;
    for (std::size_t j = 0; j < n_items; ++j)
      if (rules_.text(cells[items[j]]) == ScoreRules::kInvalid)
        fail_cell(where, items[j], cells[items[j]]);
    if (columns_.match) match_of_text(where, cells[*columns_.match]);
    return;
  }
  const std::size_t at = scores_.size();
  scores_.resize(at + n_items);
  std::uint8_t* out = scores_.data() + at;
  for (std::size_t j = 0; j < n_items; ++j) {
    const std::uint8_t score = rules_.text(cells[items[j]]);
    if (score == ScoreRules::kInvalid) fail_cell(where, items[j], cells[items[j]]);
    out[j] = score;
  }
  row_value_.push_back(group_index(trimmed(group), std::nullopt));
  if (columns_.id) ids_.emplace_back(trimmed(cells[*columns_.id]));
  if (columns_.match) match_.push_back(match_of_text(where, cells[*columns_.match]));
}

void ScoreTableBuilder::add_typed_row(std::size_t where, std::span<const TypedCell> cells) {
  ++rows_read_;
  const auto score_of = [&](std::size_t column) {
    const TypedCell& cell = cells[column];
    std::uint8_t score = kMissing;
    if (cell.kind == TypedCell::Kind::number) {
      score = rules_.number(cell.number);
      if (score == ScoreRules::kInvalid) fail_cell(where, column, ScoreRules::number_text(cell.number));
    } else if (cell.kind == TypedCell::Kind::text) {
      score = rules_.text(cell.text);
      if (score == ScoreRules::kInvalid) fail_cell(where, column, cell.text);
    }
    return score;
  };
  const TypedCell& group = cells[columns_.group];
  const bool missing = group.kind == TypedCell::Kind::missing ||
                       (group.kind == TypedCell::Kind::text && is_missing_text(group.text));
  if (missing) {
    ++rows_group_missing_;
    for (const std::size_t column : columns_.items) score_of(column);
    if (columns_.match) match_of_typed(where, cells[*columns_.match]);
    return;
  }
  for (const std::size_t column : columns_.items) scores_.push_back(score_of(column));
  if (group.kind == TypedCell::Kind::number)
    row_value_.push_back(group_index(ScoreRules::number_text(group.number), group.number));
  else
    row_value_.push_back(group_index(trimmed(group.text), std::nullopt));
  if (columns_.id) {
    const TypedCell& id = cells[*columns_.id];
    if (id.kind == TypedCell::Kind::number)
      ids_.push_back(ScoreRules::number_text(id.number));
    else
      ids_.emplace_back(id.kind == TypedCell::Kind::text ? trimmed(id.text) : std::string_view());
  }
  if (columns_.match) match_.push_back(match_of_typed(where, cells[*columns_.match]));
}

std::string ScoreTableBuilder::shown_value(const GroupValue& value) const {
  if (value.number) {
    const auto label = labels_.find(*value.number);
    if (label != labels_.end()) return label->second;
  }
  return value.text;
}

bool ScoreTableBuilder::matches(const GroupValue& value, const std::string& wanted) const {
  if (value.text == wanted) return true;
  if (!value.number) return false;
  const auto label = labels_.find(*value.number);
  if (label != labels_.end() && label->second == wanted) return true;
  const auto number = parse_number(wanted);
  return number && *number == *value.number;
}

std::string ScoreTableBuilder::focal_list() const {
  std::string listed;
  for (const std::string& focal : focal_) listed += (listed.empty() ? "\"" : ", \"") + focal + "\"";
  return (focal_.size() == 1 ? "the focal value " : "the focal values ") + listed;
}

ItemScores ScoreTableBuilder::finish() {
  if (rows_read_ == 0)
    fail(place_ == Place::line ? "the file has a header but no data rows"
         : shown_.empty()      ? "the table has no rows"
                               : "the file has no data rows");
  const std::string& group_name = header_[columns_.group];
  constexpr std::uint8_t kOther = UINT8_MAX;
  std::vector<std::uint8_t> code(values_.size(), kOther);
  ItemScores result;
  for (std::size_t k = 0; k < focal_.size(); ++k) {
    const auto focal_code = static_cast<std::uint8_t>(kFocalGroup + k);
    bool found = false;
    for (std::size_t v = 0; v < values_.size(); ++v) {
      if (!matches(values_[v], focal_[k])) continue;
      if (code[v] != kOther)
        fail("the focal values \"" + focal_[code[v] - kFocalGroup] + "\" and \"" + focal_[k] +
             "\" are the same value, \"" + shown_value(values_[v]) + "\", of the group column " +
             group_name);
      code[v] = focal_code;
      if (!found) result.focal_values.push_back(shown_value(values_[v]));
      found = true;
    }
    if (!found)
      fail("no row has the focal value \"" + focal_[k] + "\" in the group column " + group_name);
  }

  if (reference_) {
    bool found = false;
    for (std::size_t v = 0; v < values_.size(); ++v) {
      if (!matches(values_[v], *reference_)) continue;
      if (code[v] != kOther)
        fail("the focal and the reference value are the same value, \"" + shown_value(values_[v]) +
             "\", of the group column " + group_name);
      code[v] = kReferenceGroup;
      if (!found) result.reference_value = shown_value(values_[v]);
      found = true;
    }
    if (!found)
      fail("no row has the reference value \"" + *reference_ + "\" in the group column " + group_name);
  } else {
    std::vector<std::size_t> others;
    for (std::size_t v = 0; v < values_.size(); ++v)
      if (code[v] == kOther) others.push_back(v);
    if (others.empty())
      fail("the group column " + group_name + " holds no value besides " + focal_list());
    if (others.size() > 1) {
      std::string listed;
      for (std::size_t k = 0; k < others.size() && k < 5; ++k)
        listed += (k ? ", \"" : "\"") + shown_value(values_[others[k]]) + "\"";
      if (others.size() > 5) listed += ", ...";
      fail("the group column " + group_name + " holds " + std::to_string(others.size()) +
           " values besides " + focal_list() + " (" + listed + "); name the reference value");
    }
    code[others[0]] = kReferenceGroup;
    result.reference_value = shown_value(values_[others[0]]);
  }

  // The rows of no group move out; the others close up in place.
  const std::size_t n_items = columns_.items.size();
  const std::size_t stored = row_value_.size();
  result.group.reserve(stored);
  std::size_t kept = 0;
  for (std::size_t i = 0; i < stored; ++i) {
    const std::uint8_t group = code[row_value_[i]];
    if (group == kOther) continue;
    // A row of a group without its matching score is left out and counted.
    if (columns_.match && match_[i] == kNoMatch) {
      ++result.rows_match_missing;
      continue;
    }
    if (kept != i) {
      std::memmove(scores_.data() + kept * n_items, scores_.data() + i * n_items, n_items);
      if (columns_.id) ids_[kept] = std::move(ids_[i]);
      if (columns_.match) match_[kept] = match_[i];
    }
    result.group.push_back(group);
    ++kept;
  }
  row_value_ = {};
  scores_.resize(kept * n_items);
  if (columns_.id) ids_.resize(kept);
  if (columns_.match) {
    match_.resize(kept);
    result.match = std::move(match_);
    result.match_column = header_[*columns_.match];
    if (kept == 0) fail("no row of the groups has a matching score in column " + result.match_column);
  }

  result.item_names.reserve(n_items);
  for (const std::size_t column : columns_.items) result.item_names.push_back(header_[column]);
  result.n_examinees = kept;
  result.scores = std::move(scores_);
  result.ids = std::move(ids_);
  result.rows_read = rows_read_;
  result.rows_left_out = rows_read_ - kept;
  return result;
}

}  // namespace itemdif::data

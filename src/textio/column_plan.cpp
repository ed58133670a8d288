// The plan of fixed columns, found by walking the layout as a read does, with the columns as
// the only state.
#include "textio/column_plan.hpp"

#include <algorithm>
#include <cstring>

#include "textio/errors.hpp"
#include "textio/input_columns.hpp"
#include "textio/layout_walk.hpp"

namespace itemdif::textio {
namespace {

/// Lines longer than this are not planned: the plan is for records of scores.
constexpr std::size_t kPlannedColumns = std::size_t{1} << 20;

bool reads_real(ItemKind kind) { return facts(kind).input == FieldValue::real; }

/// Stands in for the record reader in the walk: records where each value would be read, and
/// gives up at anything that would need the record's text to know.
class Planner {
 public:
  explicit Planner(std::size_t values) : values_(values) {}

  bool values_left() const { return !failed_ && taken_ < values_; }
  std::int32_t field(const LayoutItem& item, std::int32_t repeats) {
    const long exponent = -static_cast<long>(std::max(item.digits, 0)) - scale_;
    if (!reads_real(item.kind) || item.width != 1 || exponent < -kOneColumnExponentLimit ||
        exponent > kOneColumnExponentLimit) {
      failed_ = true;
      return repeats;
    }
    const auto count = std::min(static_cast<std::size_t>(repeats), values_ - taken_);
    if (column_ + count > kPlannedColumns) {
      failed_ = true;
      return repeats;
    }
    add(column_, count, static_cast<std::int32_t>(exponent));
    column_ += count;
    taken_ += count;
    return static_cast<std::int32_t>(count);
  }
  void edit(const LayoutItem& item) {
    switch (item.kind) {
      case ItemKind::slash: failed_ = true; break;
      case ItemKind::scale: scale_ = item.count; break;
      default: column_ = column_after(item, column_); break;
    }
    if (column_ > kPlannedColumns) failed_ = true;
  }
  void revert() { failed_ = true; }
  WalkMark mark() const { return {column_, taken_, 0, 0, scale_, failed_ ? 1u : 0u}; }
  void set_column(std::size_t column) {
    column_ = column;
    if (column_ > kPlannedColumns) failed_ = true;
  }

  bool failed() const { return failed_; }
  std::vector<ColumnPlan::Run> runs() && { return std::move(runs_); }

 private:
  void add(std::size_t column, std::size_t count, std::int32_t exponent) {
    if (!runs_.empty()) {
      ColumnPlan::Run& last = runs_.back();
      if (last.exponent == exponent && last.column + last.count == column) {
        last.count += count;
        return;
      }
    }
    runs_.push_back({column, count, exponent});
  }

  std::size_t values_;
  std::size_t taken_ = 0;
  std::size_t column_ = 0;
  std::int32_t scale_ = 0;
  bool failed_ = false;
  std::vector<ColumnPlan::Run> runs_;
};

}  // namespace

std::optional<ColumnPlan> ColumnPlan::of(const Layout& layout, std::size_t values) {
  Planner planner(values);
  try {
    walk_layout(layout, planner);
  } catch (const LayoutError&) {
    return std::nullopt;  // the read itself will say what is wrong
  }
  if (planner.failed()) return std::nullopt;
  ColumnPlan plan;
  plan.runs_ = std::move(planner).runs();
  for (const Run& run : plan.runs_) {
    plan.line_length_ = std::max(plan.line_length_, run.column + run.count);
    plan.whole_digits_ &= run.exponent == 0;
  }
  return plan;
}

bool ColumnPlan::take_digits(std::string_view line, std::uint8_t* digits,
                             bool* zeros_and_ones) const {
  if (line.size() < line_length_) return false;
  // Sixteen columns at a time, and the verdicts taken once, so that the loops carry no branch.
  using Bytes = std::uint8_t __attribute__((vector_size(16)));
  Bytes outside{};
  Bytes above_one{};
  std::uint8_t outside_tail = 0;
  std::uint8_t above_one_tail = 0;
  for (const Run& run : runs_) {
    const char* text = line.data() + run.column;
    const std::size_t count = run.count;
    std::size_t k = 0;
    for (; k + sizeof(Bytes) <= count; k += sizeof(Bytes)) {
      Bytes chunk;
      std::memcpy(&chunk, text + k, sizeof chunk);
      const Bytes digit = chunk - static_cast<std::uint8_t>('0');
      outside |= static_cast<Bytes>(digit > 9);
      above_one |= static_cast<Bytes>(digit > 1);
      std::memcpy(digits + k, &digit, sizeof digit);
    }
    for (; k < count; ++k) {
      const auto digit = static_cast<std::uint8_t>(static_cast<unsigned char>(text[k]) - '0');
      digits[k] = digit;
      outside_tail |= static_cast<std::uint8_t>(digit > 9);
      above_one_tail |= static_cast<std::uint8_t>(digit > 1);
    }
    digits += count;
  }
  for (std::size_t b = 0; b < sizeof(Bytes); ++b) {
    outside_tail |= outside[b];
    above_one_tail |= above_one[b];
  }
  if (zeros_and_ones != nullptr) *zeros_and_ones = above_one_tail == 0;
  return outside_tail == 0;
}

}  // namespace itemdif::textio

// Group data: the item scores of both groups, and the items without variance.
#include "driver/group_data.hpp"

#include <algorithm>
#include <optional>
#include <span>
#include <string>

#include "textio/column_plan.hpp"
#include "textio/input_columns.hpp"
#include "textio/layout.hpp"
#include "textio/reader.hpp"

namespace itemdif::driver {

std::unique_ptr<textio::InputChannel> open_group_file(const RunData& run, Group group) {
  return group == kReference
             ? textio::InputChannel::open_old(textio::kReferenceChannel, run.reference_file_name)
             : textio::InputChannel::open_old(textio::kFocalChannel, run.focal_file_name);
}

namespace {

/// Reads a group's records, each under the layout's plan of fixed columns when the layout has
/// one and the record's planned columns all hold digits, and through the general formatted
/// read otherwise. Both give the same scores: the plan is the read's own walk, and a digit in
/// a one-column field is read as the digit.
class GroupReader {
 public:
  GroupReader(textio::InputChannel& file, const std::string& layout_text, std::size_t n_items)
      : file_(file), layout_text_(layout_text), scores_(n_items), digits_(n_items) {}

  void read(ScoreTable& responses, std::size_t row) {
    if (!layout_) prepare();
    if (plan_ && file_.next_line(file_.line_buffer())) {
      bool zeros_and_ones = false;
      if (plan_->take_digits(file_.line_buffer(), digits_.data(), &zeros_and_ones)) {
        store_digits(responses, row, zeros_and_ones);
        return;
      }
      file_.repeat_line();
    }
    // A record the plan cannot read, or the end of the file, which the general read reports.
    std::fill(scores_.begin(), scores_.end(), 0.0);
    const textio::Target targets[] = {std::span<double>(scores_)};
    textio::read_formatted(file_, *layout_, targets);
    responses.set_row(row, scores_.data());
  }

  /// A record read for an examinee the table has no row for.
  void skip() {
    if (!layout_) prepare();
    textio::read_formatted(file_, *layout_, {});
  }

 private:
  // The layout is compiled at the first record, so a group of 0 examinees never looks at it.
  void prepare() {
    layout_ = textio::compile_layout(file_, layout_text_);
    if (!scores_.empty()) plan_ = textio::ColumnPlan::of(*layout_, scores_.size());
  }

  void store_digits(ScoreTable& responses, std::size_t row, bool zeros_and_ones) {
    if (plan_->whole_digits() && zeros_and_ones) {
      responses.set_row_codes(row, digits_.data());
      return;
    }
    std::size_t k = 0;
    for (const textio::ColumnPlan::Run& run : plan_->runs())
      for (std::size_t end = k + run.count; k < end; ++k)
        scores_[k] = textio::one_column_value<double>(digits_[k], run.exponent);
    responses.set_row(row, scores_.data());
  }

  textio::InputChannel& file_;
  const std::string& layout_text_;
  std::optional<textio::Layout> layout_;
  std::optional<textio::ColumnPlan> plan_;
  std::vector<double> scores_;
  std::vector<std::uint8_t> digits_;
};

}  // namespace

void read_group(RunData& run, Group group, textio::InputChannel& file) {
  const std::string& layout_text = group == kReference ? run.reference_layout : run.focal_layout;
  const std::int32_t size = group == kReference ? run.n_reference : run.n_focal;
  ScoreTable& responses = group == kReference ? run.reference_responses : run.focal_responses;
  GroupReader reader(file, layout_text, count_of(run.n_items));
  for (std::size_t i = 0; i < responses.rows(); ++i) reader.read(responses, i);
  // A count of items of 0 or less leaves the score table empty while the examinees still
  // have records to be read.
  if (responses.rows() == 0 && size > 0)
    for (std::int32_t i = 0; i < size; ++i) reader.skip();
}

std::vector<std::size_t> items_without_variance(const RunData& run, Group group) {
  // Rows are walked in storage order; each item still adds its scores in examinee order, so
  // the sums are those of a column-by-column walk.
  const ScoreTable& responses = run.responses(group);
  const std::int32_t size = group == kReference ? run.n_reference : run.n_focal;
  std::vector<double> sum(run.item_label.size(), 0.0);
  if (responses.plain() && sum.size() <= responses.cols()) {
    // Whole numbers, so the sums of the bytes are the sums of the doubles (at most one a row,
    // and the rows are fewer than 2^31).
    std::vector<std::uint32_t> ones(sum.size(), 0);
    for (std::size_t i = 0; i < responses.rows(); ++i) {
      const std::uint8_t* row = responses.plain_row(i);
      for (std::size_t j = 0; j < ones.size(); ++j) ones[j] += row[j];
    }
    for (std::size_t j = 0; j < sum.size(); ++j) sum[j] = static_cast<double>(ones[j]);
  } else {
    std::vector<double> row(responses.cols());
    for (std::size_t i = 0; i < responses.rows(); ++i) {
      responses.row(i, row.data());
      for (std::size_t j = 0; j < sum.size(); ++j) sum[j] += row[j];
    }
  }
  std::vector<std::size_t> items;
  for (std::size_t j = 0; j < sum.size(); ++j)
    if (sum[j] == 0.0 || sum[j] == static_cast<double>(size)) items.push_back(j);
  return items;
}

}  // namespace itemdif::driver

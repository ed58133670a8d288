// Group data: the item scores of both groups, and the items without variance.
#include "driver/group_data.hpp"

#include <algorithm>
#include <optional>
#include <span>
#include <string>

#include "textio/layout.hpp"
#include "textio/reader.hpp"

namespace itemdif::driver {

std::unique_ptr<textio::InputChannel> open_group_file(const RunData& run, Group group) {
  return group == kReference
             ? textio::InputChannel::open_old(textio::kReferenceChannel, run.reference_file_name)
             : textio::InputChannel::open_old(textio::kFocalChannel, run.focal_file_name);
}

void read_group(RunData& run, Group group, textio::InputChannel& file) {
  const std::string& layout_text = group == kReference ? run.reference_layout : run.focal_layout;
  const std::int32_t size = group == kReference ? run.n_reference : run.n_focal;
  ScoreTable& responses = group == kReference ? run.reference_responses : run.focal_responses;
  const std::size_t n_items = count_of(run.n_items);
  std::optional<textio::Layout> layout;
  // Each record is read into a row of doubles as zero as the table's, then packed.
  std::vector<double> scores(n_items);
  for (std::size_t i = 0; i < responses.rows(); ++i) {
    if (!layout) layout = textio::compile_layout(file, layout_text);
    std::fill(scores.begin(), scores.end(), 0.0);
    const textio::Target targets[] = {std::span<double>(scores)};
    textio::read_formatted(file, *layout, targets);
    responses.set_row(i, scores.data());
  }
  // A count of items of 0 or less leaves the score table empty while the examinees still
  // have records to be read.
  if (responses.rows() == 0 && size > 0) {
    for (std::int32_t i = 0; i < size; ++i) {
      if (!layout) layout = textio::compile_layout(file, layout_text);
      textio::read_formatted(file, *layout, {});
    }
  }
}

std::vector<std::size_t> items_without_variance(const RunData& run, Group group) {
  // Rows are walked in storage order; each item still adds its scores in examinee order, so
  // the sums are those of a column-by-column walk.
  const ScoreTable& responses = run.responses(group);
  const std::int32_t size = group == kReference ? run.n_reference : run.n_focal;
  std::vector<double> sum(run.item_label.size(), 0.0);
  std::vector<double> row(responses.cols());
  for (std::size_t i = 0; i < responses.rows(); ++i) {
    responses.row(i, row.data());
    for (std::size_t j = 0; j < sum.size(); ++j) sum[j] += row[j];
  }
  std::vector<std::size_t> items;
  for (std::size_t j = 0; j < sum.size(); ++j)
    if (sum[j] == 0.0 || sum[j] == static_cast<double>(size)) items.push_back(j);
  return items;
}

}  // namespace itemdif::driver

// Group data: the item scores of both groups, the totals, and the no-variance check.
#include "driver/group_data.hpp"

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "textio/errors.hpp"
#include "textio/layout.hpp"
#include "textio/reader.hpp"
#include "textio/writer.hpp"

namespace itemdif::driver {
namespace {

using textio::Layout;

struct GroupView {
  const std::string& file_name;
  const std::string& layout;
  std::int32_t size;
  Table<double>& responses;
  std::vector<double>& total;
  int channel;
  const char* console_line;
};

GroupView view(RunData& run, Group group) {
  if (group == kReference)
    return {run.reference_file_name, run.reference_layout, run.n_reference,
            run.reference_responses, run.reference_total, textio::kReferenceChannel,
            "              READING DATA FROM REFERENCE GROUP"};
  return {run.focal_file_name, run.focal_layout, run.n_focal, run.focal_responses,
          run.focal_total, textio::kFocalChannel, "              READING DATA FROM FOCAL GROUP"};
}

// Sums each item's scores over the group in examinee order and reports the items whose sum is
// 0 or the group size. Rows are walked in storage order; each item still adds its scores in
// examinee order, so the sums are those of a column-by-column walk.
bool report_no_variance(const Table<double>& responses, std::int32_t group_size,
                        const std::vector<std::int32_t>& item_label, const Layout& line,
                        textio::OutputChannel& report) {
  std::vector<double> sum(item_label.size(), 0.0);
  for (std::size_t i = 0; i < responses.rows(); ++i) {
    const double* row = responses.row(i);
    for (std::size_t j = 0; j < sum.size(); ++j) sum[j] += row[j];
  }
  bool failed = false;
  for (std::size_t j = 0; j < sum.size(); ++j) {
    if (sum[j] == 0.0 || sum[j] == static_cast<double>(group_size)) {
      textio::write(report, line, {item_label[j]});
      failed = true;
    }
  }
  return failed;
}

}  // namespace

std::unique_ptr<textio::InputChannel> read_group(RunData& run, Group group) {
  GroupView g = view(run, group);
  std::unique_ptr<textio::InputChannel> file = textio::InputChannel::open_old(g.channel, g.file_name);
  textio::write_list(textio::console_output(), g.console_line);
  const std::size_t n_items = count_of(run.n_items);
  std::optional<Layout> layout;
  for (std::size_t i = 0; i < g.responses.rows(); ++i) {
    if (!layout) layout = textio::compile_layout(*file, g.layout);
    const textio::Target targets[] = {std::span<double>(g.responses.row(i), n_items)};
    textio::read_formatted(*file, *layout, targets);
  }
  // A count of items of 0 or less leaves the score table empty while the examinees still
  // have records to be read.
  if (g.responses.rows() == 0 && g.size > 0) {
    for (std::int32_t i = 0; i < g.size; ++i) {
      if (!layout) layout = textio::compile_layout(*file, g.layout);
      textio::read_formatted(*file, *layout, {});
    }
  }
  return file;
}

void form_totals(RunData& run) {
  for (auto [responses, total] : {std::pair{&run.reference_responses, &run.reference_total},
                                  std::pair{&run.focal_responses, &run.focal_total}}) {
    for (std::size_t i = 0; i < total->size(); ++i) {
      const double* row = responses->row(i);
      double sum = 0.0;
      for (std::size_t j = 0; j < responses->cols(); ++j) sum += row[j];
      (*total)[i] = sum;
    }
  }
}

void check_variance(const RunData& run, textio::OutputChannel& report) {
  static const Layout reference_line =
      Layout::compile("('Fatal Error: No variance for Item ',I3,' in Reference Group')");
  static const Layout focal_line =
      Layout::compile("('Fatal Error: No variance for Item ',I3,' in Focal Group')");
  bool failed = report_no_variance(run.reference_responses, run.n_reference, run.item_label,
                                   reference_line, report);
  textio::write_list(report);
  failed = report_no_variance(run.focal_responses, run.n_focal, run.item_label, focal_line,
                              report) || failed;
  if (!failed) return;
  textio::OutputChannel& console = textio::console_output();
  textio::write_list(console, "Fatal Error: One or more items have 0.00 variance.");
  textio::write_list(console, "Further Details in Ouput File.");
  throw textio::QuietStop{1};
}

}  // namespace itemdif::driver


// The control file: its name at the prompt, the twelve entries and their keyword tests.
#include "driver/control_file.hpp"

#include <initializer_list>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "driver/keyword.hpp"
#include "driver/stops.hpp"
#include "textio/channels.hpp"
#include "textio/errors.hpp"
#include "textio/layout.hpp"
#include "textio/reader.hpp"

namespace itemdif::driver {
namespace {

using textio::InputChannel;
using textio::Layout;
using textio::Target;

std::string padded(std::string_view text, std::size_t length) {
  std::string result(text.substr(0, length));
  result.resize(length, ' ');
  return result;
}

void read_list(InputChannel& channel, std::initializer_list<Target> targets) {
  textio::read_list(channel, std::span<const Target>(targets.begin(), targets.size()));
}

// One list-directed read of every element of `values`. A read of no values still takes its
// line, so that a count of 0 keeps the entries that follow on their own lines.
void read_integer_list(InputChannel& channel, std::vector<std::int32_t>& values) {
  if (values.empty()) {
    std::string skipped;
    if (!channel.next_line(skipped)) channel.fail(24);
    return;
  }
  // The table itself is the target: a list of one target per value would ask for memory
  // beyond what the table's size was checked for.
  const Target targets[] = {std::span<std::int32_t>(values)};
  textio::read_list(channel, targets);
}

// The keyword test: the text, upper-cased, must equal the keyword over its whole length.
void expect_keyword(std::string& text, std::string_view keyword) {
  upcase_keyword(text);
  if (text == keyword) return;
  throw AnalysisStop{StopReason::keyword_missing, std::string(keyword)};
}

}  // namespace

const std::array<std::string, 3>& banner_texts() {
  static const std::array<std::string, 3> texts = {
      padded("Mantel-Haenszel and Logistic Regression Analysis of", 60),
      padded("DIFFERENTIAL ITEM FUNCTIONING", 60),
      padded("   Programmed by Thandrelkovisch", 60),
  };
  return texts;
}

void read_control_file_name(RunData& run, InputChannel& console) {
  run.control_file_name.assign(80, ' ');
  read_list(console, {&run.control_file_name});
}

void read_control_file(RunData& run) {
  static const Layout title_record = Layout::compile("(A7,A160)");
  static const Layout layout_record = Layout::compile("(A80)");
  std::unique_ptr<InputChannel> control =
      InputChannel::open_old(textio::kControlChannel, run.control_file_name);

  std::string keyword(7, ' ');
  {
    const Target targets[] = {&keyword, &run.title};
    textio::read_formatted(*control, title_record, targets);
  }
  expect_keyword(keyword, ">TITLE:");

  keyword.assign(7, ' ');
  read_list(*control, {&keyword, &run.model});
  expect_keyword(keyword, ">MODEL:");

  keyword.assign(11, ' ');
  read_list(*control, {&keyword, &run.reference_file_name, &run.n_reference, &run.n_items});
  expect_keyword(keyword, ">REFERENCE:");
  {
    const Target targets[] = {&run.reference_layout};
    textio::read_formatted(*control, layout_record, targets);
  }

  keyword.assign(7, ' ');
  read_list(*control, {&keyword, &run.focal_file_name, &run.n_focal});
  expect_keyword(keyword, ">FOCAL:");
  {
    const Target targets[] = {&run.focal_layout};
    textio::read_formatted(*control, layout_record, targets);
  }

  keyword.assign(8, ' ');
  read_list(*control, {&keyword, &run.output_file_name});
  expect_keyword(keyword, ">OUTPUT:");

  keyword.assign(8, ' ');
  read_list(*control, {&keyword, &run.n_levels});
  expect_keyword(keyword, ">LEVELS:");
  create_level_tables(run);
  read_integer_list(*control, run.level_low);
  read_integer_list(*control, run.level_high);

  keyword.assign(8, ' ');
  std::string labels_flag(1, ' ');
  read_list(*control, {&keyword, &labels_flag});
  upcase_keyword(labels_flag);
  expect_keyword(keyword, ">LABELS:");
  create_label_table(run);
  if (labels_flag == "Y") {
    read_integer_list(*control, run.item_label);
  } else {
    for (std::size_t j = 0; j < run.item_label.size(); ++j)
      run.item_label[j] = static_cast<std::int32_t>(j + 1);
  }

  control.reset();  // closes channel 12 before the report is opened
}

}  // namespace itemdif::driver

// The report file: opening it, its header, and the end of a completed run.
#include "driver/report_header.hpp"

#include <span>
#include <string>

#include "driver/control_file.hpp"
#include "textio/layout.hpp"
#include "textio/writer.hpp"

namespace itemdif::driver {
namespace {

using textio::Layout;

std::string note_line(std::string text) {
  text.resize(80, ' ');
  return text;
}

}  // namespace

std::unique_ptr<textio::OutputChannel> open_report(const RunData& run) {
  return textio::OutputChannel::open_unknown(textio::kReportChannel, run.output_file_name);
}

void write_report_header(const RunData& run, textio::OutputChannel& report) {
  // Unlike the console banner, the first two banner lines stand without an empty line between.
  static const Layout banner = Layout::compile("(/,/,13X,A52,/,25X,A40,/,/,22X,A40,/)");
  static const Layout title_block = Layout::compile(
      "(A160,/,/,'Reference Group: ',A60,/,'Focal Group: ',A60,/,"
      "'Number of Cases in Reference Group: ',I6,/,'Number of Cases in Focal Group:     ',I6,/)");
  static const Layout bounds = Layout::compile("(1X,999I5)");
  static const Layout note = Layout::compile("(/,/,'Note:',/,A80,/,A80,/,/)");
  static const std::string note_1 =
      note_line("Alpha > 1.00 favors Reference Group; Alpha < 1.00 favors Focal Group");
  static const std::string note_2 =
      note_line("D-DIF < 0.00 favors Reference Group, D-DIF > 0.00 favors Focal Group");

  const auto& texts = banner_texts();
  textio::write(report, banner, {texts[0], texts[1], texts[2]});
  textio::write(report, title_block,
                {run.title, run.reference_file_name, run.focal_file_name, run.n_reference,
                 run.n_focal});
  textio::write_list(report, "Conditioning Levels");
  textio::write(report, bounds, {std::span<const std::int32_t>(run.level_low)});
  textio::write(report, bounds, {std::span<const std::int32_t>(run.level_high)});
  textio::write(report, note, {note_1, note_2});
}

void end_run(const RunData& run, textio::OutputChannel& report) {
  static const Layout output_in = Layout::compile("(/,/,'  Output in ',A80)");
  report.close();
  textio::write(textio::console_output(), output_in, {run.output_file_name});
}

}  // namespace itemdif::driver

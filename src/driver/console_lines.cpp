// What the dialogue shows on the console.
#include "driver/console_lines.hpp"

#include <span>

#include "driver/control_file.hpp"
#include "textio/layout.hpp"
#include "textio/writer.hpp"

namespace itemdif::driver {

using textio::Layout;
using textio::OutputChannel;

void show_banner(OutputChannel& console) {
  static const Layout banner = Layout::compile("(/,/,/,/,13X,A52,/,/,25X,A40,/,/,22X,A40,/)");
  textio::clear_console();
  const auto& texts = banner_texts();
  textio::write(console, banner, {texts[0], texts[1], texts[2]});
}

void show_prompt(OutputChannel& console) {
  static const Layout prompt = Layout::compile("(/,/,/,/,'  Enter Name of Input file: ',/,20X)");
  show_banner(console);
  textio::write(console, prompt);
  console.flush();
}

void show_reading(OutputChannel& console, Group group) {
  textio::write_list(console, group == kReference
                                  ? "              READING DATA FROM REFERENCE GROUP"
                                  : "              READING DATA FROM FOCAL GROUP");
}

void show_pass(OutputChannel& console, std::int32_t number) {
  static const Layout progress =
      Layout::compile("('              COMPUTING M-H CHI-SQUARE,  PASS #',I1)");
  textio::write(console, progress, {number});
}

void show_logistic_heading(OutputChannel& console) {
  static const Layout heading = Layout::compile("(/,/,'              COMPUTING LOGISTIC REGRESSIONS')");
  textio::write(console, heading);
}

void show_item_fit(OutputChannel& console, std::int32_t position) {
  static const Layout progress = Layout::compile("('               ANALYZING ITEM: ',I3)");
  textio::write(console, progress, {position});
}

void show_report_name(OutputChannel& console, const RunData& run) {
  static const Layout output_in = Layout::compile("(/,/,'  Output in ',A80)");
  textio::write(console, output_in, {run.output_file_name});
}

void show_stop(OutputChannel& console, const AnalysisStop& stop) {
  switch (stop.reason) {
    case StopReason::keyword_missing:
      textio::write_list(console, "FATAL ERROR; Keyword " + stop.keyword + " missing");
      break;
    case StopReason::no_variance:
      textio::write_list(console, "Fatal Error: One or more items have 0.00 variance.");
      textio::write_list(console, "Further Details in Ouput File.");
      break;
    case StopReason::conditioning_windows:
      textio::clear_console();
      textio::write_list(console, "                    *******  FATAL ERROR   ******");
      textio::write_list(console, "                 Conditioning windows are too small");
      break;
  }
}

}  // namespace itemdif::driver

// The run sequence.
#include "driver/run.hpp"

#include <memory>
#include <new>
#include <string_view>
#include <ostream>

#include "driver/control_file.hpp"
#include "driver/curves.hpp"
#include "driver/group_data.hpp"
#include "driver/logistic_procedure.hpp"
#include "driver/passes.hpp"
#include "driver/report_header.hpp"
#include "driver/run_data.hpp"
#include "textio/channels.hpp"
#include "textio/errors.hpp"

namespace itemdif::driver {

void run_analysis() {
  RunData run;
  start_run(run);
  read_control_file(run);

  // Declared in the order of opening, so that an early end closes them in reverse, each with
  // its lines written.
  std::unique_ptr<textio::OutputChannel> report = open_report(run);
  create_data_tables(run);
  std::unique_ptr<textio::InputChannel> reference_file = read_group(run, kReference);
  std::unique_ptr<textio::InputChannel> focal_file = read_group(run, kFocal);
  form_totals(run);
  write_report_header(run, *report);
  check_variance(run, *report);

  run_passes(run, *report);
  write_curves(run, *report);
  if (run.model >= 2) logistic_procedure(run, *report);

  end_run(run, *report);
}

namespace {

/// The run-time error line on standard error, after the info line of a layout syntax error.
/// Lines end with CR LF like every other line the program writes.
void write_error_lines(std::ostream& errors, const textio::IoError& error) {
  textio::console_output().flush();
  if (error.number == 62) {
    // The layout text is an 80-column field: its trailing blanks are not part of what is shown.
    const std::string_view rest{error.info};
    errors << "itemdif: info (58): format syntax error at or near "
           << rest.substr(0, rest.find_last_not_of(' ') + 1) << "\r\n";
  }
  errors << "itemdif: severe (" << error.number << "): " << error.text() << "\r\n";
  errors.flush();
}

}  // namespace

int run_to_status(std::ostream& errors) {
  int status = 0;
  try {
    run_analysis();
  } catch (const textio::QuietStop& stop) {
    status = stop.status;
  } catch (const textio::IoError& error) {
    write_error_lines(errors, error);
    status = 2;
  } catch (const std::bad_alloc&) {
    // Any other request for memory that cannot be met ends the run like a table that cannot be
    // had, never with an abort.
    write_error_lines(errors, textio::IoError{41, 0, {}});
    status = 2;
  }
  textio::console_output().flush();
  return status;
}

}  // namespace itemdif::driver

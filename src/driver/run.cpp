// The run sequence.
#include "driver/run.hpp"

#include <memory>
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

int run_to_status(std::ostream& errors) {
  int status = 0;
  try {
    run_analysis();
  } catch (const textio::QuietStop& stop) {
    status = stop.status;
  } catch (const textio::IoError& error) {
    textio::console_output().flush();
    if (!error.info.empty())
      errors << "itemdif: info (58): format syntax error at or near " << error.info << '\n';
    errors << "itemdif: severe (" << error.number << "): " << error.text() << '\n';
    errors.flush();
    status = 2;
  }
  textio::console_output().flush();
  return status;
}

}  // namespace itemdif::driver

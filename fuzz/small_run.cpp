// A whole run of a control file on small group data: the report, the console, the errors.
// Input: a control file, the reference records and the focal records, separated by 0x1e; the
// records are written to every file name the control file gives.
#include <cstdint>
#include <sstream>

#include "control_run_input.hpp"
#include "driver/control_file.hpp"
#include "driver/run.hpp"
#include "driver/run_data.hpp"
#include "driver/stops.hpp"
#include "fuzz_support.hpp"
#include "textio/errors.hpp"

using namespace itemdif;

namespace {

std::string trimmed(const std::string& name) {
  const std::size_t end = name.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::ControlRunInput input = fuzz::split_control_run(fuzz::bytes_of(data, size));
  if (!fuzz::counts_are_small(input.control)) return 0;
  fuzz::fresh_state();
  fuzz::write_file("run.ctl", input.control);

  // A first reading learns the file names and sizes, so that the run stays in the folder.
  driver::RunData run;
  run.control_file_name = "run.ctl";
  run.control_file_name.resize(80, ' ');
  try {
    driver::read_control_file(run);
  } catch (const textio::IoError&) {
    return 0;
  } catch (const driver::AnalysisStop&) {
    return 0;
  }
  if (!fuzz::run_is_small(run)) return 0;
  fuzz::write_file(trimmed(run.reference_file_name), input.reference);
  if (trimmed(run.focal_file_name) != trimmed(run.reference_file_name))
    fuzz::write_file(trimmed(run.focal_file_name), input.focal);

  fuzz::reset_program_state();
  std::ostringstream errors;
  driver::run_control_file("run.ctl", errors);
  return 0;
}

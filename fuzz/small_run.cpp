// A whole run of a control file on small group data: the report, the console, the errors.
// Input: a control file, the reference records and the focal records, separated by 0x1e; the
// records are written to every file name the control file gives.
#include <cstdint>
#include <sstream>

#include "control_run_input.hpp"
#include "driver/run.hpp"
#include "driver/run_data.hpp"
#include "fuzz_support.hpp"

using namespace itemdif;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::ControlRunInput input = fuzz::split_control_run(fuzz::bytes_of(data, size));
  if (!fuzz::counts_are_small(input.control)) return 0;
  fuzz::fresh_state();

  // A first reading learns the file names and sizes, so that the run stays in the folder.
  driver::RunData run;
  if (!fuzz::read_control(input, run) || !fuzz::run_is_small(run)) return 0;
  const std::string reference = fuzz::trimmed_name(run.reference_file_name);
  const std::string focal = fuzz::trimmed_name(run.focal_file_name);
  fuzz::write_file(reference, input.reference);
  if (focal != reference) fuzz::write_file(focal, input.focal);

  fuzz::reset_program_state();
  std::ostringstream errors;
  driver::run_control_file("run.ctl", errors);
  return 0;
}

// The whole control-file reading: the twelve entries, their keywords and the tables they size.
// Input: a control file (anything after a 0x1e byte is left out).
#include <cstdint>

#include "control_run_input.hpp"
#include "driver/control_file.hpp"
#include "driver/run_data.hpp"
#include "driver/stops.hpp"
#include "fuzz_support.hpp"
#include "textio/errors.hpp"

using namespace itemdif;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::ControlRunInput input = fuzz::split_control_run(fuzz::bytes_of(data, size));
  if (!fuzz::counts_are_small(input.control)) return 0;
  fuzz::fresh_state();
  fuzz::write_file("run.ctl", input.control);
  driver::RunData run;
  run.control_file_name = "run.ctl";
  run.control_file_name.resize(80, ' ');
  try {
    driver::read_control_file(run);
  } catch (const textio::IoError&) {
  } catch (const driver::AnalysisStop&) {
  }
  return 0;
}

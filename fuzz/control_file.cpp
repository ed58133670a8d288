// The whole control-file reading: the twelve entries, their keywords and the tables they size.
// Input: a control file (anything after a 0x1e byte is left out).
#include <cstdint>

#include "control_run_input.hpp"
#include "driver/run_data.hpp"
#include "fuzz_support.hpp"

using namespace itemdif;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::ControlRunInput input = fuzz::split_control_run(fuzz::bytes_of(data, size));
  if (!fuzz::counts_are_small(input.control)) return 0;
  fuzz::fresh_state();
  driver::RunData run;
  fuzz::read_control(input, run);
  return 0;
}

// Splitting a control-file target's input and bounding its run.
#include "control_run_input.hpp"

#include <cctype>
#include <cstdint>

#include "driver/control_file.hpp"
#include "driver/stops.hpp"
#include "fuzz_support.hpp"
#include "textio/errors.hpp"

namespace itemdif::fuzz {

std::string trimmed_name(const std::string& name) {
  const std::size_t end = name.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

bool read_control(const ControlRunInput& input, driver::RunData& run) {
  write_file("run.ctl", input.control);
  run.control_file_name = "run.ctl";
  run.control_file_name.resize(80, ' ');
  try {
    driver::read_control_file(run);
  } catch (const textio::IoError&) {
    return false;
  } catch (const driver::AnalysisStop&) {
    return false;
  }
  return true;
}

ControlRunInput split_control_run(std::string_view input) {
  const std::vector<std::string> parts = split(input, '\x1e');
  ControlRunInput result;
  result.control = parts[0];
  if (parts.size() > 1) result.reference = parts[1];
  if (parts.size() > 2) result.focal = parts[2];
  return result;
}

bool counts_are_small(std::string_view control) {
  std::size_t run = 0;
  for (char c : control) {
    run = std::isdigit(static_cast<unsigned char>(c)) != 0 ? run + 1 : 0;
    if (run >= 7) return false;
  }
  return true;
}

bool run_is_small(const driver::RunData& run) {
  for (const std::string* name : {&run.reference_file_name, &run.focal_file_name,
                                  &run.output_file_name}) {
    const std::string file = trimmed_name(*name);
    if (file.empty() || !stays_inside(file)) return false;
  }
  const std::int64_t items = run.n_items > 0 ? run.n_items : 0;
  const std::int64_t examinees = std::int64_t{run.n_reference > 0 ? run.n_reference : 0} +
                                 (run.n_focal > 0 ? run.n_focal : 0);
  return items * examinees <= 1000000 && run.n_levels <= 100000;
}

}  // namespace itemdif::fuzz

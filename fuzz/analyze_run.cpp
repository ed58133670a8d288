// A whole `analyze` run on small data, its results files written in the private folder.
// Input: options on the first line (separated by blanks), the data file's CSV after it.
#include <cstdint>
#include <utility>
#include <string>
#include <vector>

#include "fuzz_support.hpp"

using namespace itemdif;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = fuzz::bytes_of(data, size);
  const std::size_t end = input.find('\n');
  if (end == std::string_view::npos || size > 200000) return 0;
  std::vector<std::string> arguments = {"itemdif", "analyze", "data.csv", "--out", "results"};
  for (std::string& option : fuzz::split(input.substr(0, end), ' ')) {
    if (option.empty()) continue;
    if (!fuzz::stays_inside(option)) return 0;
    arguments.push_back(std::move(option));
  }
  if (arguments.size() > 40) return 0;
  fuzz::fresh_state();
  fuzz::write_file("data.csv", input.substr(end + 1));

  fuzz::run_arguments(std::move(arguments));
  return 0;
}

// List-directed reading as the control file and the console reply are read: each line of the
// first byte's choice of variables, until the input ends.
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "textio/channels.hpp"
#include "textio/errors.hpp"
#include "textio/reader.hpp"

using namespace itemdif;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  fuzz::fresh_state();
  const std::uint8_t choice = data[0];
  std::istringstream source(std::string(fuzz::bytes_of(data + 1, size - 1)));
  textio::InputChannel channel(12, "run.ctl", source);

  std::string keyword(8, ' ');
  std::string name(80, ' ');
  std::int32_t count = 0;
  double real = 0;
  float single = 0;
  std::vector<std::int32_t> table(choice % 16);
  std::vector<double> reals(choice / 16);
  const textio::Target all[] = {&keyword, &name, &count, &real, &single,
                                std::span<std::int32_t>(table), std::span<double>(reals)};
  for (int read = 0; read < 64; ++read) {
    // Each read takes a different run of the variables, as the control file's entries do.
    const std::size_t first = static_cast<std::size_t>(read + choice) % 7;
    const std::size_t n = 1 + static_cast<std::size_t>(read) % (7 - first);
    try {
      textio::read_list(channel, std::span<const textio::Target>(all + first, n));
    } catch (const textio::IoError& error) {
      if (error.number == 24) break;
    }
  }
  return 0;
}

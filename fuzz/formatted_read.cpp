// Formatted record reading as the group data are read: a layout, then one row of scores per
// record. Input: the count of items in the first byte, the layout text up to the first line
// end, the records after it.
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "textio/channels.hpp"
#include "textio/errors.hpp"
#include "textio/layout.hpp"
#include "textio/reader.hpp"

using namespace itemdif;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  fuzz::fresh_state();
  const std::size_t n_items = data[0] % 64;
  const std::string_view input = fuzz::bytes_of(data + 1, size - 1);
  const std::size_t end = input.find('\n');
  const std::string_view text = input.substr(0, end);
  const std::string records(end == std::string_view::npos ? "" : input.substr(end + 1));

  std::istringstream source(records);
  textio::InputChannel channel(20, "REF.DAT", source);
  std::vector<double> row(n_items);
  try {
    const textio::Layout layout = textio::compile_layout(channel, text);
    for (int examinee = 0; examinee < 1000; ++examinee) {
      const textio::Target target = std::span<double>(row);
      textio::read_formatted(channel, layout, std::span<const textio::Target>(&target, 1));
    }
  } catch (const textio::IoError&) {
  }
  return 0;
}

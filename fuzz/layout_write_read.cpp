// The layout compiler, then the writer and the reader under the compiled layout. Input: the
// layout text on the first line, the records to read after it.
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "textio/channels.hpp"
#include "textio/errors.hpp"
#include "textio/layout.hpp"
#include "textio/reader.hpp"
#include "textio/writer.hpp"

using namespace itemdif;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::fresh_state();
  const std::string_view input = fuzz::bytes_of(data, size);
  const std::size_t end = input.find('\n');
  const std::string_view text = input.substr(0, end);
  const std::string records(end == std::string_view::npos ? "" : input.substr(end + 1));

  textio::Layout layout;
  try {
    layout = textio::Layout::compile(text);
  } catch (const textio::LayoutError&) {
    return 0;
  }

  // Every kind of value, scalars and arrays, as the report's lines give them.
  const std::vector<double> reals = {0.0, -1.5, 1e300, 2.5e-310, 123456.789};
  const std::vector<std::int32_t> integers = {0, -2147483647 - 1, 42};
  const std::vector<std::string> texts = {"", "item", "a much longer text"};
  const float single = 0.1f;
  const textio::Value values[] = {std::int32_t{7},
                                  3.25,
                                  single,
                                  "name",
                                  std::span<const double>(reals),
                                  std::span<const std::int32_t>(integers),
                                  std::span<const std::string>(texts),
                                  textio::Value::chars("abc")};
  try {
    textio::format_lines(layout, values);
  } catch (const textio::LayoutError&) {
  }
  try {
    textio::format_lines(layout, {});
  } catch (const textio::LayoutError&) {
  }

  std::istringstream source(records);
  textio::InputChannel channel(20, "REF.DAT", source);
  std::int32_t integer = 0;
  double real = 0;
  float real_single = 0;
  std::string name(5, ' ');
  std::vector<double> row(6);
  std::vector<std::int32_t> table(3);
  const textio::Target targets[] = {&integer, &real, &real_single, &name,
                                    std::span<double>(row), std::span<std::int32_t>(table)};
  // The same layout against each kind of variable, then the whole list, until the records end.
  for (int pass = 0; pass < 8; ++pass) {
    try {
      if (pass < 6) {
        textio::read_formatted(channel, layout, std::span<const textio::Target>(&targets[pass], 1));
      } else {
        textio::read_formatted(channel, layout, targets);
      }
    } catch (const textio::IoError& error) {
      if (error.number == 24) break;
    }
  }
  return 0;
}

// ReadStat's input through our code: an SPSS or Stata file's item scores. Input: the first
// byte chooses the format and the options; the file's bytes follow.
#include <cstdint>
#include <string>

#include "data/file_format.hpp"
#include "data/item_scores.hpp"
#include "data/statistical_file.hpp"
#include "fuzz_support.hpp"

using namespace itemdif;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  fuzz::fresh_state();
  const std::uint8_t choice = data[0];
  const data::FileFormat format = (choice & 1) != 0 ? data::FileFormat::dta : data::FileFormat::sav;
  const std::string name = format == data::FileFormat::dta ? "scores.dta" : "scores.sav";
  fuzz::write_file(name, fuzz::bytes_of(data + 1, size - 1));
  data::ReadOptions options;
  options.path = name;
  options.group_column = (choice & 2) != 0 ? "group" : "sex";
  options.focal_values = {(choice & 4) != 0 ? "1" : "F"};
  // Bit 128: a second focal value, so that the labelled and string group values are sorted
  // into more than two groups (or refused when no reference value is left).
  if ((choice & 128) != 0) options.focal_values.push_back((choice & 4) != 0 ? "2" : "M");
  if ((choice & 8) != 0) options.id_column = "id";
  if ((choice & 16) != 0) options.missing_codes = {"9"};
  if ((choice & 32) != 0) options.max_score = (choice & 64) != 0 ? data::kHighestMaxScore : 9;
  try {
    data::read_statistical_file(options, format);
  } catch (const data::InputError&) {
  }
  return 0;
}

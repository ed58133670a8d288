// The CSV/TSV reader: the rows of a delimited table, then the item scores read from it as a
// file. Input: the first byte chooses the delimiter and the columns; the table follows.
#include <cstdint>
#include <string>
#include <vector>

#include "data/item_scores.hpp"
#include "data/text_table.hpp"
#include "fuzz_support.hpp"

using namespace itemdif;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  fuzz::fresh_state();
  const std::uint8_t choice = data[0];
  const std::string_view table = fuzz::bytes_of(data + 1, size - 1);
  const char delimiter = (choice & 1) != 0 ? '\t' : ',';

  try {
    data::TextTable rows(table, delimiter, "scores.csv");
    std::vector<std::string_view> cells;
    while (rows.next_row(cells)) {
    }
  } catch (const data::InputError&) {
  }

  // The same bytes as a data file: the group in column "g" (or the first), the focal value 1.
  const std::string name = (choice & 1) != 0 ? "scores.tsv" : "scores.csv";
  fuzz::write_file(name, table);
  data::ReadOptions options;
  options.path = name;
  options.group_column = (choice & 2) != 0 ? "g" : "id";
  options.focal_values = {"1"};
  if ((choice & 4) != 0) options.reference_value = "0";
  if ((choice & 8) != 0) options.id_column = "id";
  if ((choice & 16) != 0) options.items = "q1:q9";
  if ((choice & 32) != 0) options.missing_codes = {"9", "NA"};
  // Highest scores of one, two and three digits: every way a cell is looked up is taken.
  constexpr int kMaxScores[] = {1, 4, 12, data::kHighestMaxScore};
  options.max_score = kMaxScores[choice >> 6];
  try {
    data::read_item_scores(options);
  } catch (const data::InputError&) {
    return 0;
  }
  // A table read with one focal group is read again with two, "1" and "2": the rows of each
  // focal value get their own group code, and a table without a "2" fails as it should.
  options.focal_values = {"1", "2"};
  try {
    data::read_item_scores(options);
  } catch (const data::InputError&) {
  }
  return 0;
}

// Table creation: sizes, empty tables, and sizes that cannot be had.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "driver/run_data.hpp"
#include "textio/errors.hpp"

namespace itemdif::driver {
namespace {

int error_number(auto&& create) {
  try {
    create();
  } catch (const textio::IoError& error) {
    EXPECT_EQ(error.text(), "insufficient virtual memory");
    return error.number;
  }
  return 0;
}

TEST(Tables, CountsOfZeroOrLessGiveEmptyTables) {
  Table<double> table;
  table.create(0, 5);
  EXPECT_EQ(table.elements().size(), 0u);
  table.create(-3, -4);  // two negative counts must not multiply into a positive size
  EXPECT_EQ(table.elements().size(), 0u);
  EXPECT_EQ(table.rows(), 0u);
  std::vector<std::int32_t> list{1, 2};
  create_list(list, -1);
  EXPECT_TRUE(list.empty());
}

TEST(Tables, SizesThatOverflowOrExceedMemoryAreErrorFortyOne) {
  // 2e9 x 2e9 elements of 8 bytes: 3.2e19 bytes, beyond 64 bits.
  EXPECT_EQ(error_number([] { checked_table_size(2000000000, 2000000000, 1, 8); }), 41);
  EXPECT_EQ(error_number([] { checked_table_size(2000000000, 2000000000, 2000000000, 1); }), 41);
  // Fits in 64 bits but in no machine's memory: 1e9 x 1e9 bytes.
  EXPECT_EQ(error_number([] { checked_table_size(1000000000, 1000000000, 1, 1); }), 41);
  EXPECT_EQ(error_number([] {
              Table<double> table;
              table.create(std::numeric_limits<std::int32_t>::max(),
                           std::numeric_limits<std::int32_t>::max());
            }),
            41);
  EXPECT_EQ(checked_table_size(3, 4, 5, 8), 60u);
  EXPECT_EQ(checked_table_size(3, 0, 5, 8), 0u);
}

TEST(Tables, OneRefusedTableOfACreationMomentRefusesThemAllFirst) {
  RunData run;
  run.n_levels = 1000000;
  run.n_items = 2000000000;
  EXPECT_EQ(error_number([&] { create_level_tables(run); }), 41);
  EXPECT_TRUE(run.level_low.empty());  // nothing was taken before the refusal
}

}  // namespace
}  // namespace itemdif::driver

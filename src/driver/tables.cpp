// Creating the run's tables: sizes checked before any memory is asked for.
#include <cstdint>
#include <fstream>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>

#include "driver/run_data.hpp"
#include "textio/errors.hpp"

namespace itemdif::driver {
namespace {

[[noreturn]] void insufficient_memory() { throw textio::IoError(41, 0, {}); }

// The bytes the system can still hand out: available memory plus free swap. A table larger
// than that would be granted by an overcommitting kernel and then kill the process when its
// pages are filled, so it is refused up front. 0 when the figure cannot be had.
std::uint64_t memory_available() {
  std::ifstream meminfo("/proc/meminfo");
  std::uint64_t total_kib = 0;
  bool found = false;
  std::string key;
  std::uint64_t value = 0;
  std::string unit;
  while (meminfo >> key >> value >> unit) {
    if (key == "MemAvailable:" || key == "SwapFree:") {
      total_kib += value;
      found = true;
    }
  }
  if (!found) return 0;
  return total_kib > std::numeric_limits<std::uint64_t>::max() / 1024 ? std::numeric_limits<std::uint64_t>::max()
                                                                      : total_kib * 1024;
}

// Elements and bytes of a table; a product that does not fit ends the run.
struct TableSize {
  std::uint64_t count = 0;
  std::uint64_t bytes = 0;
};

TableSize table_size(std::int64_t rows, std::int64_t cols, std::int64_t planes,
                     std::size_t element_size) {
  TableSize size;
  if (rows <= 0 || cols <= 0 || planes <= 0) return size;
  if (__builtin_mul_overflow(static_cast<std::uint64_t>(rows), static_cast<std::uint64_t>(cols),
                             &size.count) ||
      __builtin_mul_overflow(size.count, static_cast<std::uint64_t>(planes), &size.count) ||
      __builtin_mul_overflow(size.count, static_cast<std::uint64_t>(element_size), &size.bytes) ||
      size.bytes > static_cast<std::uint64_t>(std::numeric_limits<std::ptrdiff_t>::max()))
    insufficient_memory();
  return size;
}

void check_available(std::uint64_t bytes) {
  // Small requests never need the look at the system's memory.
  constexpr std::uint64_t kSmall = std::uint64_t{64} << 20;
  if (bytes <= kSmall) return;
  const std::uint64_t available = memory_available();
  if (available != 0 && bytes > available) insufficient_memory();
}

// The tables of one creation moment, refused together before any of them takes memory.
class Budget {
 public:
  template <typename T>
  Budget& add(std::int64_t rows, std::int64_t cols = 1) {
    if (__builtin_add_overflow(bytes_, table_size(rows, cols, 1, sizeof(T)).bytes, &bytes_))
      insufficient_memory();
    return *this;
  }
  void check() const { check_available(bytes_); }

 private:
  std::uint64_t bytes_ = 0;
};

}  // namespace

std::size_t checked_table_size(std::int64_t rows, std::int64_t cols, std::int64_t planes,
                               std::size_t element_size) {
  const TableSize size = table_size(rows, cols, planes, element_size);
  check_available(size.bytes);
  return static_cast<std::size_t>(size.count);
}

template <typename T>
void create_list(std::vector<T>& list, std::int64_t count, const T& fill) {
  const std::size_t size = checked_table_size(count, 1, 1, sizeof(T));
  try {
    std::vector<T>(size, fill).swap(list);
  } catch (const std::bad_alloc&) {
    insufficient_memory();
  } catch (const std::length_error&) {
    insufficient_memory();
  }
}

template <typename T>
void Table<T>::create(std::int64_t rows, std::int64_t cols) {
  const std::size_t size = checked_table_size(rows, cols, 1, sizeof(T));
  try {
    std::vector<T>(size).swap(data_);
  } catch (const std::bad_alloc&) {
    insufficient_memory();
  } catch (const std::length_error&) {
    insufficient_memory();
  }
  rows_ = size == 0 ? 0 : static_cast<std::size_t>(rows);
  cols_ = size == 0 ? 0 : static_cast<std::size_t>(cols);
}

template class Table<double>;
template class Table<float>;
template class Table<std::int32_t>;
template void create_list(std::vector<double>&, std::int64_t, const double&);
template void create_list(std::vector<float>&, std::int64_t, const float&);
template void create_list(std::vector<std::int32_t>&, std::int64_t, const std::int32_t&);
template void create_list(std::vector<char>&, std::int64_t, const char&);
template void create_list(std::vector<std::string>&, std::int64_t, const std::string&);

}  // namespace itemdif::driver

namespace itemdif::driver {

void create_level_tables(RunData& run) {
  // The bounds, and the tables of one pass by level and item (sizes, validity, expected counts
  // and variances) and by item (the two odds-ratio sums).
  Budget()
      .add<std::int32_t>(run.n_levels)
      .add<std::int32_t>(run.n_levels)
      .add<double>(run.n_levels, run.n_items)
      .add<std::int32_t>(run.n_levels, run.n_items)
      .add<double>(run.n_levels, run.n_items)
      .add<double>(run.n_levels, run.n_items)
      .add<double>(run.n_items)
      .add<double>(run.n_items)
      .check();
  create_list(run.level_low, run.n_levels);
  create_list(run.level_high, run.n_levels);
}

void create_label_table(RunData& run) { create_list(run.item_label, run.n_items); }

void create_data_tables(RunData& run) {
  Budget budget;
  budget.add<double>(run.n_reference, run.n_items)
      .add<double>(run.n_focal, run.n_items)
      .add<double>(run.n_reference)
      .add<double>(run.n_focal);
  // The eleven lists by item, each counted at the widest element any of them holds.
  for (int by_item = 0; by_item < 11; ++by_item) budget.add<std::string>(run.n_items);
  for (int count_table = 0; count_table < 6; ++count_table)
    budget.add<double>(run.n_levels, run.n_items);
  budget.add<double>(run.n_levels).add<double>(run.n_levels).check();
  run.reference_responses.create(run.n_reference, run.n_items);
  run.focal_responses.create(run.n_focal, run.n_items);
}

}  // namespace itemdif::driver

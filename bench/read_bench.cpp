// Timing of the group read and of the level counting at a realistic size: 100 000 examinees
// per group, 100 items, eleven levels. Run by `make bench`.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "driver/group_data.hpp"
#include "driver/levels.hpp"
#include "driver/run_data.hpp"
#include "textio/errors.hpp"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kExaminees = 100000;
constexpr int kItems = 100;

std::string padded(std::string text) {
  text.resize(80, ' ');
  return text;
}

// One record per examinee: a 10-column id, then the 100 scores. The chance of a correct answer
// grows with an ability drawn per examinee, so the totals spread over the levels.
void write_data(const std::filesystem::path& path, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  std::ofstream out(path, std::ios::binary);
  std::string line;
  for (int i = 0; i < kExaminees; ++i) {
    const double ability = uniform(random);
    char id[16];
    std::snprintf(id, sizeof id, "%010d", i + 1);
    line = id;
    for (int j = 0; j < kItems; ++j) line += uniform(random) < ability ? '1' : '0';
    line += '\n';
    out << line;
  }
}

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main() {
  using namespace itemdif;
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("itemdif-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::filesystem::path reference = dir / "REF.DAT";
  const std::filesystem::path focal = dir / "FOC.DAT";
  if (reference.string().size() > 80) {
    std::fprintf(stderr, "read_bench: temporary folder name too long: %s\n", dir.c_str());
    return 1;
  }

  auto start = Clock::now();
  write_data(reference, 1);
  write_data(focal, 2);
  std::printf("read_bench: wrote 2 x %d records of %d items in %.2f s\n", kExaminees, kItems,
              seconds_since(start));

  driver::RunData run;
  run.n_items = kItems;
  run.n_reference = kExaminees;
  run.n_focal = kExaminees;
  run.n_levels = 11;
  run.reference_file_name = padded(reference.string());
  run.focal_file_name = padded(focal.string());
  run.reference_layout = padded("(10X,100F1.0)");
  run.focal_layout = padded("(10X,100F1.0)");
  driver::create_level_tables(run);
  for (int k = 0; k < 10; ++k) {
    run.level_low[k] = 10 * k;
    run.level_high[k] = 10 * k + 9;
  }
  run.level_low[10] = 40;  // one wide level overlapping five others
  run.level_high[10] = 100;
  driver::create_label_table(run);
  driver::create_data_tables(run);

  int status = 0;
  try {
    start = Clock::now();
    for (driver::Group group : {driver::kReference, driver::kFocal}) {
      const auto file = driver::open_group_file(run, group);
      driver::read_group(run, group, *file);
    }
    const double read_seconds = seconds_since(start);

    start = Clock::now();
    const driver::LevelTables pass_1 =
        driver::count_levels(run, driver::match_without(run, {}, true));
    const double pass_1_seconds = seconds_since(start);

    // Pass 2 with a fifth of the items purged: those are placed examinee by examinee.
    std::vector<std::size_t> purged;
    for (std::size_t j = 0; j < kItems; j += 5) purged.push_back(j);
    start = Clock::now();
    const driver::LevelTables pass_2 =
        driver::count_levels(run, driver::match_without(run, purged, true));
    const double pass_2_seconds = seconds_since(start);

    const double bytes = static_cast<double>(std::filesystem::file_size(reference) +
                                             std::filesystem::file_size(focal));
    std::printf("read_bench: read %.3f s (%.0f MB/s); totals and counting pass 1 %.3f s, "
                "pass 2 %.3f s\n",
                read_seconds, bytes / 1e6 / read_seconds, pass_1_seconds, pass_2_seconds);
    std::printf("read_bench: level 6 holds %.0f reference examinees on item 2 (%.0f in pass 2)\n",
                pass_1.counts[driver::kReference][driver::kBoth](5, 1),
                pass_2.counts[driver::kReference][driver::kBoth](5, 1));
  } catch (const textio::IoError& error) {
    std::fprintf(stderr, "read_bench: %s\n", error.what());
    status = 1;
  }
  std::filesystem::remove_all(dir);
  return status;
}

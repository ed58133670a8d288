// Reading a large CSV of item scores: 1 000 000 focal and 1 000 000 reference examinees,
// 100 items, a group and an id column, some cells missing (empty, NA, a code). Prints the best
// of three reads in MB/s and the process's peak resident memory against the score table's size.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "data/item_scores.hpp"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kPerGroup = 1'000'000;
constexpr std::size_t kItems = 100;

std::size_t write_csv(const std::string& path) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) throw std::runtime_error("cannot write " + path);
  std::string buffer = "id,group";
  for (std::size_t j = 1; j <= kItems; ++j) buffer += ",q" + std::to_string(j);
  buffer += "\r\n";
  std::mt19937 random(20240611);
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < 2 * kPerGroup; ++i) {
    buffer += "E" + std::to_string(1000000 + i);
    buffer += i % 2 ? ",ref" : ",foc";
    const std::uint32_t ability = random() % 100;
    for (std::size_t j = 0; j < kItems; ++j) {
      const std::uint32_t draw = random() % 1000;
      buffer += ',';
      if (draw < 10) continue;                       // empty
      if (draw < 13) buffer += "NA";
      else if (draw < 15) buffer += "9";             // a not-reached code
      else buffer += (draw % 100) < ability + j % 7 ? '1' : '0';
    }
    buffer += "\r\n";
    if (buffer.size() > (1u << 20)) {
      bytes += std::fwrite(buffer.data(), 1, buffer.size(), out);
      buffer.clear();
    }
  }
  bytes += std::fwrite(buffer.data(), 1, buffer.size(), out);
  std::fclose(out);
  return bytes;
}

double cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double peak_rss_mb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void time_reads(const itemdif::data::ReadOptions& options, std::size_t bytes, const char* what) {
  double best = 1e300, best_cpu = 1e300;
  std::size_t examinees = 0, missing = 0;
  for (int round = 0; round < 3; ++round) {
    const auto start = Clock::now();
    const double cpu_start = cpu_seconds();
    const itemdif::data::ItemScores scores = itemdif::data::read_item_scores(options);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = cpu_seconds() - cpu_start;
    if (seconds < best) best = seconds;
    if (cpu < best_cpu) best_cpu = cpu;
    examinees = scores.n_examinees;
    missing = 0;
    for (const std::uint8_t s : scores.scores) missing += s == itemdif::data::kMissing;
  }
  const double table_mb = static_cast<double>(examinees * kItems) / (1024.0 * 1024.0);
  std::printf("%s: %zu examinees, %zu missing scores; best of 3: %.3f s, %.0f MB/s "
              "(CPU %.3f s, %.0f MB/s)\n",
              what, examinees, missing, best, static_cast<double>(bytes) / 1e6 / best, best_cpu,
              static_cast<double>(bytes) / 1e6 / best_cpu);
  std::printf("  peak RSS so far %.1f MiB; score table %.1f MiB (ratio %.3f)\n", peak_rss_mb(),
              table_mb, peak_rss_mb() / table_mb);
}

}  // namespace

int main() {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("itemdif-csv-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "scores.csv").string();
  int status = 0;
  try {
    const std::size_t bytes = write_csv(path);
    std::printf("%s: %.1f MB, %zu rows x %zu items; peak RSS after writing %.1f MiB\n",
                path.c_str(), static_cast<double>(bytes) / 1e6, 2 * kPerGroup, kItems,
                peak_rss_mb());
    itemdif::data::ReadOptions options;
    options.path = path;
    options.group_column = "group";
    options.focal_values = {"foc"};
    options.items = "q1:q100";
    options.missing_codes = {"9"};
    time_reads(options, bytes, "items only");
    options.id_column = "id";
    time_reads(options, bytes, "items and ids");
  } catch (const std::exception& error) {
    std::fprintf(stderr, "csv_read_bench: %s\n", error.what());
    status = 1;
  }
  std::filesystem::remove_all(dir);
  return status;
}

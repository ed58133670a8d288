// Timing of `itemdif analyze` from a CSV file to its summary: 1 000 000 + 1 000 000 examinees
// x 100 items with missing cells and planted DIF, iterative purification, Mantel-Haenszel alone
// and all four methods. Run by `make bench`. With the argument `mixed`, the last 20 items are
// scored 0-4 (a graded response model) and the run takes every method with --max-score 4.
// With the argument `groups`, the 2 000 000 examinees fall into four groups of 500 000 (the
// reference A and the focal groups B, C and D, DIF planted against B and C), and the run takes
// every method: three comparisons and the overall analysis of the four groups together.
// With `sib`, the two-group data are analysed with mh and with mh,sib; with `sib-graded` the
// same on 1 000 000 + 1 000 000 examinees x 20 items scored 0-4.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.hpp"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kExaminees = 2000000;
constexpr int kItems = 100;

// Items scored 0..kTopScore in the mixed data set: the last kPolytomous ones.
constexpr int kPolytomous = 20;
constexpr int kTopScore = 4;

enum class Mode { two_groups, mixed, groups, sib, sib_graded };

/// Items of a data set: 100, or 20 for the graded SIBTEST run, all of them scored 0-4.
int items_of(Mode mode) { return mode == Mode::sib_graded ? kPolytomous : kItems; }

// A group of examinees: its value in the group column, its trait mean, and the DIF against
// it, a shift of the difficulty of the items j with j % 20 == dif_item (none when -1).
struct Group {
  const char* value;
  double mean;
  int dif_item;
  double dif_shift;
};
// The `groups` data set takes the four in turn, one examinee in four each.
constexpr Group kFourGroups[] = {
    {"A", 0.0, -1, 0.0}, {"B", -0.2, 7, 0.6}, {"C", -0.1, 13, -0.5}, {"D", 0.1, -1, 0.0}};

void write_csv(const std::filesystem::path& path, Mode mode) {
  std::mt19937_64 random(20261208);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  std::normal_distribution<double> normal(0.0, 1.0);
  std::ofstream out(path, std::ios::binary);
  const int items = items_of(mode);
  std::string line = "id,group";
  for (int j = 1; j <= items; ++j) line += ",q" + std::to_string(j);
  out << line << "\n";
  const bool mixed = mode == Mode::mixed || mode == Mode::sib_graded;
  for (int i = 0; i < kExaminees; ++i) {
    const bool focal = i % 2 == 1;
    Group group = focal ? Group{"F", -0.2, 7, 0.6} : Group{"R", 0.0, -1, 0.0};
    if (mode == Mode::groups) group = kFourGroups[i % 4];
    const double theta = normal(random) + group.mean;
    line = std::to_string(i + 1) + "," + group.value;
    for (int j = 0; j < items; ++j) {
      const double difficulty =
          -2.0 + 4.0 * j / (items - 1) + (j % 20 == group.dif_item ? group.dif_shift : 0.0);
      const double u = uniform(random);
      if (uniform(random) < 0.01) {
        line += ",";
      } else if (mixed && j >= items - kPolytomous) {
        // One more point for each step the examinee passes, steps 0.8 apart around difficulty.
        int score = 0;
        for (int k = 0; k < kTopScore; ++k)
          score += u < 1.0 / (1.0 + std::exp(-1.7 * (theta - difficulty - 0.8 * (k - 1.5))));
        line += "," + std::to_string(score);
      } else {
        const double p = 1.0 / (1.0 + std::exp(-1.7 * (theta - difficulty)));
        line += u < p ? ",1" : ",0";
      }
    }
    out << line << "\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode_name = argc > 1 ? argv[1] : "";
  const Mode mode = mode_name == "mixed"        ? Mode::mixed
                    : mode_name == "groups"     ? Mode::groups
                    : mode_name == "sib"        ? Mode::sib
                    : mode_name == "sib-graded" ? Mode::sib_graded
                                                : Mode::two_groups;
  if (!mode_name.empty() && mode == Mode::two_groups) {
    std::fprintf(stderr, "usage: analyze_command_bench [mixed|groups|sib|sib-graded]\n");
    return 2;
  }
  const bool mixed = mode == Mode::mixed || mode == Mode::sib_graded;
  const int items = items_of(mode);
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("itemdif-analyze-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string csv = (dir / "scores.csv").string();
  auto start = Clock::now();
  write_csv(csv, mode);
  std::printf("analyze_command_bench: wrote %d rows x %d items (%.0f MB) in %.1f s\n", kExaminees,
              items, std::filesystem::file_size(csv) / 1e6,
              std::chrono::duration<double>(Clock::now() - start).count());

  int status = 0;
  double best_mh = 0, best_all = 0;
  // SIBTEST against Mantel-Haenszel alone on the same file: what its counting and strata add.
  const bool sib = mode == Mode::sib || mode == Mode::sib_graded;
  const std::vector<std::string> method_lists =
      mode == Mode::two_groups ? std::vector<std::string>{"mh", "mh,std,bd,lr"}
      : sib                    ? std::vector<std::string>{"mh", "mh,sib"}
                               : std::vector<std::string>{"mh,std,bd,lr"};
  for (const std::string& methods : method_lists) {
    double best = 1e30;
    for (int attempt = 0; attempt < 3; ++attempt) {
      // The id column is left out by naming the items; ids are not needed for the statistics.
      std::vector<std::string> arguments = {"itemdif", "analyze",   csv,     "--group",
                                            "group",   "--focal",   "F",     "--items",
                                            "q1:q" + std::to_string(items), "--methods", methods,
                                            "--quiet"};
      if (mixed) arguments.insert(arguments.end(), {"--max-score", std::to_string(kTopScore)});
      if (mode == Mode::groups) {
        arguments[6] = "B,C,D";
        arguments.insert(arguments.end(), {"--reference", "A"});
      }
      std::vector<char*> command;
      for (std::string& a : arguments) command.push_back(a.data());
      command.push_back(nullptr);
      std::ostringstream out, err;
      start = Clock::now();
      status |= itemdif::cli::run_command_line(static_cast<int>(arguments.size()),
                                               command.data(), out, err);
      best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
      if (!err.str().empty()) std::fprintf(stderr, "analyze_command_bench: %s", err.str().c_str());
    }
    std::printf("analyze_command_bench: analyze%s --methods %s best of 3: %.2f s\n",
                mode == Mode::mixed        ? " (80 items 0/1, 20 items 0-4)"
                : mode == Mode::sib_graded ? " (20 items 0-4)"
                : mode == Mode::groups     ? " (4 groups: reference A, focal B,C,D)"
                                           : "",
                methods.c_str(), best);
    if (methods != "mh" && sib) best_all = best;
    (methods == "mh" ? best_mh : best_all) = best;
  }
  if (mode == Mode::two_groups)
    std::printf("analyze_command_bench: std, bd and lr add %.2f s to mh\n", best_all - best_mh);
  if (sib)
    std::printf("analyze_command_bench: mh,sib takes %.2f times the time of mh\n",
                best_all / best_mh);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("analyze_command_bench: peak RSS %.0f MB (scores %.0f MB)\n",
              usage.ru_maxrss / 1024.0, kExaminees * double(items) / 1e6);
  std::filesystem::remove_all(dir);
  return status;
}

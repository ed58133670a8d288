// Writes a large control-file analysis for the benchmarks: two groups answering `items` items
// under a two-parameter logistic model, with uniform DIF planted in every tenth item, and the
// control file that analyses them.
//
// Built by bench/control_file_bench.sh (not part of the program):
//   make_dif_data FOLDER REFERENCE FOCAL ITEMS MODEL
// writes FOLDER/ref.dat, FOLDER/foc.dat and FOLDER/bench.ctl (report FOLDER/bench.out).
//
// The seed is fixed and every random number comes from std::mt19937 (whose sequence the
// language fixes), so a size gives the same files on every platform.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "../../tools/example_random.hpp"

namespace {

constexpr std::uint32_t kSeed = 20261208;
constexpr double kFocalMean = -0.25;
constexpr double kScaling = 1.7;
constexpr int kLevels = 10;

struct Item {
  double discrimination;
  double difficulty;
  double focal_shift;  // added to the focal group's difficulty
};

// Difficulties spread evenly over -2 .. 2, discriminations cycling through 0.6 .. 1.6; every
// tenth item is harder (or, alternately, easier) for the focal group.
std::vector<Item> item_bank(int items) {
  std::vector<Item> bank;
  for (int j = 0; j < items; ++j) {
    const double difficulty = items > 1 ? -2.0 + 4.0 * j / (items - 1) : 0.0;
    const double discrimination = 0.6 + 0.1 * (j * 7 % 11);
    double shift = 0.0;
    if (j % 10 == 6) shift = (j / 10) % 2 == 0 ? 0.7 : -0.7;
    bank.push_back({discrimination, difficulty, shift});
  }
  return bank;
}

bool write_group(const std::string& path, int count, double mean, bool focal,
                 const std::vector<Item>& bank, ExampleRandom& random) {
  std::ofstream out(path, std::ios::binary);
  if (!out) return false;
  std::vector<double> scale(bank.size());
  std::vector<double> location(bank.size());
  for (std::size_t j = 0; j < bank.size(); ++j) {
    scale[j] = kScaling * bank[j].discrimination;
    location[j] = bank[j].difficulty + (focal ? bank[j].focal_shift : 0.0);
  }
  std::string record;
  for (int i = 1; i <= count; ++i) {
    const double theta = mean + random.normal();
    char id[16];
    std::snprintf(id, sizeof id, "%c%07d ", focal ? 'F' : 'R', i);
    record = id;
    for (std::size_t j = 0; j < bank.size(); ++j) {
      const double p = 1.0 / (1.0 + std::exp(-scale[j] * (theta - location[j])));
      record += random.uniform() < p ? '1' : '0';
    }
    record += '\n';
    out << record;
  }
  return static_cast<bool>(out);
}

// Ten levels of (nearly) equal width over the scores 0 .. items.
bool write_control(const std::string& path, int reference, int focal, int items, int model) {
  std::ofstream out(path, std::ios::binary);
  if (!out) return false;
  out << ">TITLE:Benchmark: " << reference << " + " << focal << " examinees, " << items
      << " items, 2PL with planted DIF\n";
  out << ">MODEL: " << model << "\n";
  out << ">REFERENCE: ref.dat " << reference << " " << items << "\n";
  out << "(9X," << items << "F1.0)\n";
  out << ">FOCAL: foc.dat " << focal << "\n";
  out << "(9X," << items << "F1.0)\n";
  out << ">OUTPUT: bench.out\n";
  out << ">LEVELS: " << kLevels << "\n";
  std::vector<int> high(kLevels);
  for (int k = 0; k < kLevels; ++k) high[k] = (items + 1) * (k + 1) / kLevels - 1;
  high[kLevels - 1] = items;
  for (int k = 0; k < kLevels; ++k) out << (k == 0 ? 0 : high[k - 1] + 1) << (k + 1 < kLevels ? " " : "\n");
  for (int k = 0; k < kLevels; ++k) out << high[k] << (k + 1 < kLevels ? " " : "\n");
  out << ">LABELS: N\n";
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::cerr << "usage: make_dif_data FOLDER REFERENCE FOCAL ITEMS MODEL\n";
    return 2;
  }
  const std::string folder = argv[1];
  const int reference = std::atoi(argv[2]);
  const int focal = std::atoi(argv[3]);
  const int items = std::atoi(argv[4]);
  const int model = std::atoi(argv[5]);
  if (reference < 1 || focal < 1 || items < 1 || (model != 1 && model != 2)) {
    std::cerr << "make_dif_data: sizes must be positive and the model 1 or 2\n";
    return 2;
  }
  const std::vector<Item> bank = item_bank(items);
  ExampleRandom random(kSeed);
  if (!write_group(folder + "/ref.dat", reference, 0.0, false, bank, random) ||
      !write_group(folder + "/foc.dat", focal, kFocalMean, true, bank, random) ||
      !write_control(folder + "/bench.ctl", reference, focal, items, model)) {
    std::cerr << "make_dif_data: cannot write the files in " << folder << "\n";
    return 1;
  }
  return 0;
}

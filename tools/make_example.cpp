// Writes the example data of examples/: two groups answering 30 items under a two-parameter
// logistic model, with uniform DIF planted in three items.
//
// Build and run by hand from the repository root (the output is checked in):
//   g++ -std=c++20 -O2 -o /tmp/make_example tools/make_example.cpp
//   /tmp/make_example examples
//
// Every random number comes from std::mt19937 (whose sequence the language fixes) turned into
// uniforms and normals here, so the files are the same on every platform.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <string>

#include "example_random.hpp"

namespace {

constexpr std::uint32_t kSeed = 20240521;
constexpr int kItems = 30;
constexpr int kReference = 2500;
constexpr int kFocal = 2000;
constexpr double kFocalMean = -0.25;  // the focal group stands a little lower on the trait
constexpr double kScaling = 1.7;

struct Item {
  double discrimination;
  double difficulty;
  double focal_shift;  // added to the difficulty for the focal group: > 0 favours reference
};

// Difficulties spread over the trait range; discriminations between 0.6 and 1.6. Items 7 and
// 23 are harder for the focal group, item 15 easier: all three by enough to reach category C.
constexpr Item kBank[kItems] = {
    {0.9, -1.8, 0.0}, {1.1, -1.5, 0.0}, {0.7, -1.3, 0.0}, {1.3, -1.1, 0.0}, {1.0, -0.9, 0.0},
    {0.8, -0.8, 0.0}, {1.2, -0.6, 0.75}, {1.5, -0.5, 0.0}, {0.6, -0.4, 0.0}, {1.0, -0.3, 0.0},
    {1.4, -0.2, 0.0}, {0.9, -0.1, 0.0}, {1.1, 0.0, 0.0}, {0.7, 0.1, 0.0}, {1.0, 0.2, -0.8},
    {1.6, 0.2, 0.0}, {0.8, 0.3, 0.0}, {1.2, 0.4, 0.0}, {1.0, 0.5, 0.0}, {0.9, 0.6, 0.0},
    {1.3, 0.7, 0.0}, {0.7, 0.8, 0.0}, {1.1, 0.9, 0.7}, {1.0, 1.0, 0.0}, {1.4, 1.1, 0.0},
    {0.8, 1.3, 0.0}, {1.2, 1.5, 0.0}, {0.9, 1.7, 0.0}, {1.0, 1.9, 0.0}, {1.1, 2.2, 0.0},
};


bool write_group(const std::string& path, char prefix, int count, double mean, bool focal,
                 ExampleRandom& random) {
  std::ofstream out(path, std::ios::binary);
  if (!out) return false;
  for (int i = 1; i <= count; ++i) {
    const double theta = mean + random.normal();
    char id[16];
    std::snprintf(id, sizeof id, "%c%05d ", prefix, i);
    std::string record(id);
    for (const Item& item : kBank) {
      const double difficulty = item.difficulty + (focal ? item.focal_shift : 0.0);
      const double p =
          1.0 / (1.0 + std::exp(-kScaling * item.discrimination * (theta - difficulty)));
      record += random.uniform() < p ? '1' : '0';
    }
    out << record << "\n";
  }
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : ".";
  ExampleRandom random(kSeed);
  if (!write_group(folder + "/ref.dat", 'R', kReference, 0.0, false, random) ||
      !write_group(folder + "/foc.dat", 'F', kFocal, kFocalMean, true, random)) {
    std::cerr << "make_example: cannot write the data files in " << folder << "\n";
    return 1;
  }
  return 0;
}

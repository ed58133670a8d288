// Writes examples/quiz/quiz.csv: a quiz of 20 items as analysts keep it, one row per student
// with an id and a sex column, and missing responses written three ways (an empty cell, NA,
// and the code 9 for "not reached"). Uniform DIF is planted in q6 (harder for the focal group,
// F) and q13 (easier for it); a few rows have no sex recorded.
//
// Build and run by hand from the repository root (the output is checked in):
//   g++ -std=c++20 -O2 -o /tmp/make_quiz_example tools/make_quiz_example.cpp
//   /tmp/make_quiz_example examples/quiz/quiz.csv
//
// Every random number comes from std::mt19937 (whose sequence the language fixes), so the file
// is the same on every platform.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <string>

#include "example_random.hpp"

namespace {

constexpr std::uint32_t kSeed = 20261208;
constexpr int kItems = 20;
constexpr int kStudents = 1400;
constexpr double kScaling = 1.7;

struct Item {
  double discrimination;
  double difficulty;
  double focal_shift;  // added to the difficulty for the focal group: > 0 favours reference
};

constexpr Item kQuiz[kItems] = {
    {0.9, -1.6, 0.0}, {1.1, -1.3, 0.0}, {0.8, -1.0, 0.0}, {1.2, -0.8, 0.0}, {1.0, -0.6, 0.0},
    {1.1, -0.4, 0.9}, {0.7, -0.3, 0.0}, {1.3, -0.1, 0.0}, {1.0, 0.0, 0.0},  {0.9, 0.1, 0.0},
    {1.2, 0.2, 0.0},  {0.8, 0.3, 0.0},  {1.0, 0.4, -0.9}, {1.4, 0.5, 0.0},  {0.9, 0.7, 0.0},
    {1.1, 0.8, 0.0},  {1.0, 1.0, 0.0},  {0.8, 1.2, 0.0},  {1.2, 1.4, 0.0},  {1.0, 1.7, 0.0},
};


}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "quiz.csv";
  std::ofstream out(path, std::ios::binary);
  ExampleRandom random(kSeed);
  out << "id,sex";
  for (int j = 1; j <= kItems; ++j) out << ",q" << j;
  out << "\n";
  for (int i = 1; i <= kStudents; ++i) {
    const double u = random.uniform();
    const bool focal = u < 0.48;
    const char* sex = u < 0.48 ? "F" : u < 0.99 ? "M" : "";
    const double theta = (focal ? -0.2 : 0.0) + random.normal();
    // About one student in ten stops before the end; the items not reached are coded 9.
    const int reached = random.uniform() < 0.1 ? kItems - 1 - static_cast<int>(random.uniform() * 5)
                                               : kItems;
    char id[16];
    std::snprintf(id, sizeof id, "S%04d", i);
    out << id << "," << sex;
    for (int j = 0; j < kItems; ++j) {
      const Item& item = kQuiz[j];
      const double difficulty = item.difficulty + (focal ? item.focal_shift : 0.0);
      const double p =
          1.0 / (1.0 + std::exp(-kScaling * item.discrimination * (theta - difficulty)));
      const bool correct = random.uniform() < p;
      const double skip = random.uniform();
      out << ",";
      if (j >= reached)
        out << "9";
      else if (skip < 0.02)
        out << "";
      else if (skip < 0.03)
        out << "NA";
      else
        out << (correct ? "1" : "0");
    }
    out << "\n";
  }
  if (!out) {
    std::cerr << "make_quiz_example: cannot write " << path << "\n";
    return 1;
  }
  return 0;
}

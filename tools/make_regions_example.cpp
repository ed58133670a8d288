// Writes examples/regions/regions.csv: a 30-item mathematics test sat in four regions, one row
// per student with an id and the student's `region` (North, East, South or West; a few rows
// have none recorded). Items q1..q30 are scored 0/1 except q5, q12, q20 and q27, written
// answers scored 0-3. About 1.5 % of the answers are blank.
//
// The regions differ in mean ability (North 0, East -0.15, South -0.3, West +0.1), which is no
// DIF. DIF is planted against South alone; in North, East and West every item works alike:
//   q8   (0/1)  harder in South: difficulty +0.75
//   q17  (0/1)  easier in South: difficulty -0.70
//   q20  (0-3)  harder in South: every threshold +0.65
//
// Build and run by hand from the repository root (the output is checked in):
//   g++ -std=c++20 -O2 -o /tmp/make_regions_example tools/make_regions_example.cpp
//   /tmp/make_regions_example examples/regions/regions.csv
//
// The 0/1 items follow the two-parameter logistic model, P(correct) = 1 / (1 + exp(-1.7 a
// (theta - b))); a written answer scores the number of its three thresholds b + step_k that the
// student passes, P(score >= k) = 1 / (1 + exp(-1.7 a (theta - b - step_k))) (a graded response
// model).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "example_random.hpp"

namespace {

constexpr std::uint32_t kSeed = 20261210;
constexpr int kStudents = 4000;
constexpr double kScaling = 1.7;

struct Region {
  const char* name;
  double share;         // of the students
  double mean_ability;  // of the region's trait distribution
  bool dif;             // the region the planted DIF is against
};

constexpr Region kRegions[] = {
    {"North", 0.26, 0.0, false},
    {"East", 0.25, -0.15, false},
    {"South", 0.24, -0.3, true},
    {"West", 0.245, 0.1, false},
};
// The remaining 0.5 % of the students have no region recorded.

struct Item {
  double discrimination;
  double difficulty;  // of a written answer: the middle of its thresholds
  double dif_shift;   // added to the difficulty (every threshold) in the DIF region
  bool written;       // scored 0-3
};

constexpr Item kTest[] = {
    {1.0, -1.8, 0.0, false},  {0.9, -1.5, 0.0, false},  {1.2, -1.3, 0.0, false},   // q1..q3
    {0.8, -1.1, 0.0, false},  {1.0, -0.9, 0.0, true},   {1.1, -0.9, 0.0, false},   // q4..q6
    {0.9, -0.7, 0.0, false},  {1.1, -0.6, 0.75, false}, {1.3, -0.5, 0.0, false},   // q7..q9
    {0.7, -0.4, 0.0, false},  {1.0, -0.3, 0.0, false},  {0.9, -0.2, 0.0, true},    // q10..q12
    {1.2, -0.1, 0.0, false},  {1.0, 0.0, 0.0, false},   {0.8, 0.1, 0.0, false},    // q13..q15
    {1.1, 0.2, 0.0, false},   {1.0, 0.3, -0.70, false}, {1.4, 0.3, 0.0, false},    // q16..q18
    {0.9, 0.4, 0.0, false},   {1.0, 0.4, 0.65, true},   {1.2, 0.5, 0.0, false},    // q19..q21
    {0.8, 0.6, 0.0, false},   {1.0, 0.7, 0.0, false},   {1.1, 0.8, 0.0, false},    // q22..q24
    {0.9, 1.0, 0.0, false},   {1.2, 1.1, 0.0, false},   {1.0, 1.0, 0.0, true},     // q25..q27
    {1.0, 1.3, 0.0, false},   {0.8, 1.5, 0.0, false},   {1.1, 1.8, 0.0, false},    // q28..q30
};

// A written answer's thresholds: offsets from its difficulty for scores 1, 2 and 3.
constexpr double kSteps[3] = {-1.0, 0.0, 1.0};

double logistic(double a, double theta, double b) {
  return 1.0 / (1.0 + std::exp(-kScaling * a * (theta - b)));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "regions.csv";
  std::ofstream out(path, std::ios::binary);
  ExampleRandom random(kSeed);
  out << "id,region";
  for (std::size_t j = 1; j <= std::size(kTest); ++j) out << ",q" << j;
  out << "\n";
  for (int i = 1; i <= kStudents; ++i) {
    const double u = random.uniform();
    const Region* region = nullptr;
    double cumulative = 0.0;
    for (const Region& r : kRegions) {
      cumulative += r.share;
      if (u < cumulative) {
        region = &r;
        break;
      }
    }
    // A student without a recorded region sits the test like a student of the North.
    const double theta = (region != nullptr ? region->mean_ability : 0.0) + random.normal();
    const bool dif = region != nullptr && region->dif;
    char id[16];
    std::snprintf(id, sizeof id, "P%04d", i);
    out << id << "," << (region != nullptr ? region->name : "");
    for (const Item& item : kTest) {
      const double difficulty = item.difficulty + (dif ? item.dif_shift : 0.0);
      const double draw = random.uniform();
      const bool blank = random.uniform() < 0.015;
      out << ",";
      if (blank) continue;
      if (!item.written) {
        out << (draw < logistic(item.discrimination, theta, difficulty) ? 1 : 0);
        continue;
      }
      // The score is the number of thresholds the draw lies below.
      int score = 0;
      for (const double step : kSteps)
        if (draw < logistic(item.discrimination, theta, difficulty + step)) ++score;
      out << score;
    }
    out << "\n";
  }
  if (!out) {
    std::cerr << "make_regions_example: cannot write " << path << "\n";
    return 1;
  }
  return 0;
}

// Writes examples/reading/reading.csv: a reading test sat in two language groups, one row per
// examinee with an id, the `form` the examinee sat (L1, the test's first language, or L2,
// a second-language group; a few rows have none recorded), an external vocabulary score
// `vocab` (0-40, from a separate test; about 1 % blank) and 24 items scored 0/1 in four
// passages of six items each, p1_1..p1_6, p2_1..p2_6, p3_1..p3_6 and p4_1..p4_6. About 1 % of
// the item responses are blank.
//
// The L2 group's trait mean is 0.3 lower than the L1 group's (no DIF). Three kinds of DIF are
// planted against or for L2:
//   p1_4         uniform: difficulty +0.75 for L2 (favours L1)
//   p2_3         crossing: slope 0.45 for L2 instead of 1.6, the same difficulty 0.1, so L2
//                examinees of low trait do better than L1 examinees of the same trait and
//                those of high trait worse; the curves cross at theta = 0.1
//   p3_1..p3_6   a passage whose topic is less familiar to L2: every item difficulty +0.2 for
//                L2, small on each item, adding up for the passage as a bundle
//
// Build and run by hand from the repository root (the output is checked in):
//   g++ -std=c++20 -O2 -o /tmp/make_reading_example tools/make_reading_example.cpp
//   /tmp/make_reading_example examples/reading/reading.csv
//
// The items follow the two-parameter logistic model, P(correct) = 1 / (1 + exp(-1.7 a (theta -
// b))). The vocabulary score is round(20 + 7 (0.8 theta + 0.6 e)) with e standard normal,
// kept within 0..40: it correlates about 0.8 with the trait and carries no DIF.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "example_random.hpp"

namespace {

constexpr std::uint32_t kSeed = 20261211;
constexpr int kExaminees = 1500;
constexpr double kScaling = 1.7;
constexpr double kFocalShare = 0.48;
constexpr double kNoFormShare = 0.004;
constexpr double kFocalMean = -0.3;
constexpr double kBlankItem = 0.01;
constexpr double kBlankVocab = 0.01;

struct Item {
  const char* name;
  double slope;
  double difficulty;
  double focal_slope;       // the slope for L2
  double focal_difficulty;  // the difficulty for L2: above `difficulty` favours L1
};

// Same parameters in both groups unless stated.
constexpr Item kItems[] = {
    {"p1_1", 1.0, -1.2, 1.0, -1.2}, {"p1_2", 1.2, -0.6, 1.2, -0.6},
    {"p1_3", 0.8, -0.1, 0.8, -0.1}, {"p1_4", 1.1, 0.0, 1.1, 0.75},  // uniform DIF
    {"p1_5", 1.3, 0.5, 1.3, 0.5},   {"p1_6", 0.9, 1.0, 0.9, 1.0},
    {"p2_1", 1.1, -0.9, 1.1, -0.9}, {"p2_2", 0.9, -0.4, 0.9, -0.4},
    {"p2_3", 1.6, 0.1, 0.45, 0.1},  // crossing DIF
    {"p2_4", 1.0, 0.3, 1.0, 0.3},   {"p2_5", 1.2, 0.7, 1.2, 0.7},
    {"p2_6", 0.8, 1.2, 0.8, 1.2},   {"p3_1", 1.0, -1.0, 1.0, -0.8},  // passage 3: +0.2 each
    {"p3_2", 1.2, -0.5, 1.2, -0.3}, {"p3_3", 0.9, -0.2, 0.9, 0.0},
    {"p3_4", 1.1, 0.2, 1.1, 0.4},   {"p3_5", 1.3, 0.6, 1.3, 0.8},
    {"p3_6", 1.0, 0.9, 1.0, 1.1},   {"p4_1", 0.9, -1.1, 0.9, -1.1},
    {"p4_2", 1.4, -0.3, 1.4, -0.3}, {"p4_3", 1.0, 0.0, 1.0, 0.0},
    {"p4_4", 0.8, 0.4, 0.8, 0.4},   {"p4_5", 1.2, 0.8, 1.2, 0.8},
    {"p4_6", 1.1, 1.3, 1.1, 1.3},
};

double logistic(double a, double theta, double b) {
  return 1.0 / (1.0 + std::exp(-kScaling * a * (theta - b)));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "reading.csv";
  std::ofstream out(path, std::ios::binary);
  ExampleRandom random(kSeed);
  out << "id,form,vocab";
  for (const Item& item : kItems) out << "," << item.name;
  out << "\n";
  for (int i = 1; i <= kExaminees; ++i) {
    const double u = random.uniform();
    const bool focal = u < kFocalShare;
    const char* form = focal ? "L2" : u < 1.0 - kNoFormShare ? "L1" : "";
    const double theta = (focal ? kFocalMean : 0.0) + random.normal();
    const double vocab_draw = std::round(20.0 + 7.0 * (0.8 * theta + 0.6 * random.normal()));
    const int vocab = static_cast<int>(std::clamp(vocab_draw, 0.0, 40.0));
    const bool vocab_blank = random.uniform() < kBlankVocab;
    char id[16];
    std::snprintf(id, sizeof id, "E%04d", i);
    out << id << "," << form << ",";
    if (!vocab_blank) out << vocab;
    for (const Item& item : kItems) {
      const double a = focal ? item.focal_slope : item.slope;
      const double b = focal ? item.focal_difficulty : item.difficulty;
      const double draw = random.uniform();
      const bool blank = random.uniform() < kBlankItem;
      out << ",";
      if (blank) continue;
      out << (draw < logistic(a, theta, b) ? 1 : 0);
    }
    out << "\n";
  }
  return 0;
}

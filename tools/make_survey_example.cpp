// Writes examples/survey/survey.csv: a wellbeing questionnaire as analysts keep it, one row per
// respondent with an id and the language of the form (EN or FR). Twelve statements are rated
// on a five-point agreement scale (1 strongly disagree .. 5 strongly agree) and two are yes/no
// questions scored 0/1. Uniform DIF is planted in s4 (harder to agree with on the French form)
// and s9 (easier on it); about 2 % of the ratings are left blank and a few rows have no
// language recorded.
//
// Build and run by hand from the repository root (the output is checked in):
//   g++ -std=c++20 -O2 -o /tmp/make_survey_example tools/make_survey_example.cpp
//   /tmp/make_survey_example examples/survey/survey.csv
//
// The ratings follow a graded response model: P(rating >= k) = 1 / (1 + exp(-1.7 a (theta -
// b_k))) for k = 2..5, the thresholds b_k spread around the statement's location.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "example_random.hpp"

namespace {

constexpr std::uint32_t kSeed = 20261209;
constexpr int kRespondents = 1600;
constexpr double kScaling = 1.7;

struct Statement {
  const char* name;
  double discrimination;
  double location;     // the middle of the thresholds
  double focal_shift;  // added to every threshold on the French form: > 0 favours EN
  bool yes_no;
};

constexpr Statement kStatements[] = {
    {"s1", 1.2, -0.6, 0.0, false}, {"s2", 1.0, -0.3, 0.0, false}, {"s3", 0.9, 0.0, 0.0, false},
    {"s4", 1.1, 0.1, 0.6, false},  {"s5", 1.3, 0.2, 0.0, false},  {"s6", 0.8, -0.2, 0.0, false},
    {"s7", 1.0, 0.4, 0.0, false},  {"s8", 1.2, 0.0, 0.0, false},  {"s9", 1.0, 0.3, -0.6, false},
    {"s10", 0.9, 0.5, 0.0, false}, {"s11", 1.1, -0.4, 0.0, false}, {"s12", 1.0, 0.6, 0.0, false},
    {"y1", 1.2, -0.2, 0.0, true},  {"y2", 0.9, 0.5, 0.0, true},
};

// The thresholds' offsets from the location, for ratings 2..5.
constexpr double kSteps[4] = {-1.5, -0.5, 0.4, 1.4};

double logistic(double a, double theta, double b) {
  return 1.0 / (1.0 + std::exp(-kScaling * a * (theta - b)));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "survey.csv";
  std::ofstream out(path, std::ios::binary);
  ExampleRandom random(kSeed);
  out << "id,language";
  for (const Statement& s : kStatements) out << "," << s.name;
  out << "\n";
  for (int i = 1; i <= kRespondents; ++i) {
    const double u = random.uniform();
    const bool focal = u < 0.45;
    const char* language = u < 0.45 ? "FR" : u < 0.993 ? "EN" : "";
    const double theta = (focal ? 0.15 : 0.0) + random.normal();
    char id[16];
    std::snprintf(id, sizeof id, "R%04d", i);
    out << id << "," << language;
    for (const Statement& s : kStatements) {
      const double shift = focal ? s.focal_shift : 0.0;
      const double draw = random.uniform();
      const bool blank = random.uniform() < 0.02;
      out << ",";
      if (blank) continue;
      if (s.yes_no) {
        out << (draw < logistic(s.discrimination, theta, s.location + shift) ? 1 : 0);
        continue;
      }
      // The rating is 1 plus the number of thresholds the draw lies below.
      int rating = 1;
      for (const double step : kSteps)
        if (draw < logistic(s.discrimination, theta, s.location + step + shift)) ++rating;
      out << rating;
    }
    out << "\n";
  }
  return 0;
}

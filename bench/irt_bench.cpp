// Times the IRT likelihood-ratio DIF engine on simulated 2PL and graded data (every item
// tested, every item an anchor); with a CSV file prints the tests of chosen items instead.
//
//   irt_bench small|large|graded [threads]
//   irt_bench FILE.csv ITEMS [missing]   ITEMS: 1-based item numbers "1,2,5" or "all";
//                                        FILE: group code (0 reference) then the item scores,
//                                        NA missing, a header line; missing: excluded|incorrect
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "data/item_scores.hpp"
#include "irt/irt_dif.hpp"

namespace {

using itemdif::irt::IrtData;
using itemdif::irt::IrtItemTest;

struct Table {
  std::vector<std::uint8_t> scores, group;
  std::size_t n_items = 0;
  std::vector<int> score_min, score_max;
};

/// n examinees per group, the focal group N(-0.3, 1.1^2); items of `categories` scores with
/// slopes 0.6..1.8 and spread thresholds; every fifth item shifted by 0.4 in the focal group.
Table simulate(std::size_t n, std::size_t items, int categories, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::normal_distribution<double> normal(0.0, 1.0);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  Table t;
  t.n_items = items;
  t.score_min.assign(items, 0);
  t.score_max.assign(items, categories - 1);
  std::vector<double> a(items);
  std::vector<std::vector<double>> d(items);
  for (std::size_t j = 0; j < items; ++j) {
    a[j] = 0.6 + 1.2 * uniform(rng);
    const double b = -1.5 + 3.0 * uniform(rng);
    for (int c = 1; c < categories; ++c)
      d[j].push_back(-a[j] * (b + 1.6 * (c - 0.5 * categories) / std::max(1, categories - 1)));
  }
  for (std::uint8_t g = 0; g < 2; ++g)
    for (std::size_t i = 0; i < n; ++i) {
      const double theta = g == 0 ? normal(rng) : -0.3 + 1.1 * normal(rng);
      t.group.push_back(g);
      for (std::size_t j = 0; j < items; ++j) {
        const double shift = g == 1 && j % 5 == 4 ? -0.4 : 0.0;
        const double u = uniform(rng);
        int y = 0;
        for (double dc : d[j])
          if (u < 1.0 / (1.0 + std::exp(-(a[j] * theta + dc + shift)))) ++y;
        t.scores.push_back(static_cast<std::uint8_t>(y));
      }
    }
  return t;
}

Table read_csv(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  Table t;
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::stringstream cells(line);
    std::string cell;
    std::getline(cells, cell, ',');
    t.group.push_back(static_cast<std::uint8_t>(std::stoi(cell)));
    std::size_t items = 0;
    while (std::getline(cells, cell, ',')) {
      t.scores.push_back(cell == "NA" || cell.empty() ? itemdif::data::kMissing
                                                      : static_cast<std::uint8_t>(std::stoi(cell)));
      ++items;
    }
    t.n_items = items;
  }
  t.score_min.assign(t.n_items, 255);
  t.score_max.assign(t.n_items, 0);
  for (std::size_t i = 0; i < t.scores.size(); ++i) {
    const std::uint8_t y = t.scores[i];
    if (y == itemdif::data::kMissing) continue;
    auto& lo = t.score_min[i % t.n_items];
    auto& hi = t.score_max[i % t.n_items];
    lo = std::min<int>(lo, y);
    hi = std::max<int>(hi, y);
  }
  return t;
}

IrtData view(const Table& t, std::size_t groups) {
  IrtData d;
  d.scores = t.scores;
  d.n_items = t.n_items;
  d.group = t.group;
  d.groups = groups;
  d.score_min = t.score_min;
  d.score_max = t.score_max;
  return d;
}

std::string cell(const std::optional<double>& v) {
  if (!v) return "NA";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.10f", *v);
  return buf;
}

int run_file(const std::string& path, const std::string& which, const std::string& missing) {
  const Table t = read_csv(path);
  std::size_t groups = 0;
  for (std::uint8_t g : t.group) groups = std::max<std::size_t>(groups, g + 1u);
  IrtData data = view(t, groups);
  if (missing == "incorrect") data.missing = itemdif::irt::MissingPolicy::incorrect;
  std::vector<std::size_t> studied;
  if (which == "all") {
    for (std::size_t j = 0; j < t.n_items; ++j) studied.push_back(j);
  } else {
    std::stringstream list(which);
    for (std::string item; std::getline(list, item, ',');) studied.push_back(std::stoul(item) - 1);
  }
  std::vector<std::string> values;
  for (std::size_t g = 0; g < groups; ++g) values.push_back(std::to_string(g));
  const auto start = std::chrono::steady_clock::now();
  const auto tests = itemdif::irt::irt_dif({data, std::vector<std::uint8_t>(t.n_items, 1), studied, values, 0});
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::cout << "item,loglik_c,loglik_u,loglik_f,chi,uchi,nchi,df,esd,note\n";
  for (std::size_t s = 0; s < studied.size(); ++s) {
    const IrtItemTest& r = tests[s];
    std::cout << studied[s] + 1 << ',' << cell(r.loglik_constrained) << ',' << cell(r.loglik_uniform) << ','
              << cell(r.loglik_free) << ',' << cell(r.chi_square) << ',' << cell(r.uniform_chi_square) << ','
              << cell(r.nonuniform_chi_square) << ',' << (r.df ? std::to_string(*r.df) : "NA") << ','
              << cell(r.esd) << ",\"" << r.note << "\"\n";
  }
  std::cerr << "seconds " << seconds << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "small";
  if (what.size() > 4 && what.substr(what.size() - 4) == ".csv")
    return run_file(what, argc > 2 ? argv[2] : "all", argc > 3 ? argv[3] : "excluded");
  const unsigned threads = argc > 2 ? static_cast<unsigned>(std::stoul(argv[2])) : 0;
  std::size_t n = 10000, items = 30;
  int categories = 2;
  if (what == "large") n = 100000, items = 40;
  if (what == "graded") n = 20000, items = 20, categories = 5;
  const Table t = simulate(n, items, categories, 2024);
  const IrtData data = view(t, 2);
  std::vector<std::size_t> studied;
  for (std::size_t j = 0; j < items; ++j) studied.push_back(j);
  const auto start = std::chrono::steady_clock::now();
  const auto tests = itemdif::irt::irt_dif({data, std::vector<std::uint8_t>(items, 1), studied, {"R", "F"}, threads});
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::size_t with_values = 0, flagged = 0;
  for (const IrtItemTest& r : tests) {
    with_values += r.chi_square.has_value();
    flagged += r.p && *r.p < 0.001;
    if (!r.note.empty()) std::cout << "note: " << r.note << "\n";
  }
  std::cout << what << ": " << n << " + " << n << " examinees x " << items << " items (" << categories
            << " scores), " << with_values << " items tested, " << flagged << " with p < 0.001, " << seconds
            << " s\n";
  return 0;
}

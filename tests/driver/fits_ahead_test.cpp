// The logistic procedure with its fits made ahead on worker threads against the procedure on
// one thread: report, console and every fit the same to the bit, with warnings in some items.
#include "driver/fits_ahead.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "driver/run.hpp"
#include "level_tables.hpp"
#include "numerr/error_stack.hpp"

namespace itemdif::driver {
namespace {

using testing::CapturedChannel;
using testing::CapturedConsole;
using testing::make_pass;
using testing::make_scored_run;
using testing::simulate_group;

using Scores = std::vector<std::vector<double>>;

bool same_fit(const ItemFit& a, const ItemFit& b) {
  for (std::size_t c = 0; c < 4; ++c) {
    const FitCoefficient& x = a.coefficients[c];
    const FitCoefficient& y = b.coefficients[c];
    for (auto [u, v] : {std::pair{x.estimate, y.estimate}, {x.standard_error, y.standard_error},
                        {x.z, y.z}, {x.p_value, y.p_value}})
      if (std::bit_cast<std::uint32_t>(u) != std::bit_cast<std::uint32_t>(v)) return false;
  }
  return std::bit_cast<std::uint32_t>(a.log_likelihood) ==
         std::bit_cast<std::uint32_t>(b.log_likelihood);
}

/// What one run of the procedure wrote and found.
struct Outcome {
  std::string report;
  std::string console;
  std::vector<ItemFit> fits;
};

class FitsAheadTest : public ::testing::Test {
 protected:
  /// `n_items` items of varied difficulty, some with DIF and some of them purged.
  void make_run(std::size_t n_items, std::uint64_t seed) {
    std::vector<double> difficulty(n_items);
    std::vector<double> shift(n_items, 0.0);
    for (std::size_t j = 0; j < n_items; ++j) {
      difficulty[j] = -1.5 + 3.0 * static_cast<double>(j) / static_cast<double>(n_items);
      if (j % 5 == 2) shift[j] = 0.8;
    }
    Scores reference = simulate_group(220, 0.0, difficulty, std::vector<double>(n_items, 0.0), seed);
    Scores focal = simulate_group(180, -0.3, difficulty, shift, seed);
    std::string categories(n_items, 'A');
    for (std::size_t j = 2; j < n_items; j += 5) categories[j] = 'C';
    set_run(reference, focal, categories);
  }

  /// The seven items of the frozen case whose first item's fit runs out of iterations, in
  /// `copies` copies of seven items, each with that item fifth: items 5, 12, 19, ... warn.
  void make_warning_run(std::size_t copies) {
    auto read = [&](const std::string& name) {
      std::ifstream in(std::string(ITEMDIF_SOURCE_DIR) + "/tests/golden/fit_warning/" + name);
      Scores scores;
      for (std::string line; std::getline(in, line);) {
        if (line.size() < 12) continue;
        std::vector<double> row;
        for (std::size_t c = 0; c < copies; ++c)
          for (std::size_t k = 0; k < 7; ++k) row.push_back(line[5 + (k + 3) % 7] == '1' ? 1.0 : 0.0);
        scores.push_back(row);
      }
      return scores;
    };
    const Scores reference = read("refs.dat");
    const Scores focal = read("focs.dat");
    ASSERT_EQ(reference.size(), 150u);
    ASSERT_EQ(focal.size(), 120u);
    set_run(reference, focal, std::string(7 * copies, 'A'));
  }

  void set_run(const Scores& reference, const Scores& focal, const std::string& categories) {
    const std::size_t n_items = categories.size();
    run_ = make_scored_run(reference, focal, {0}, {static_cast<std::int32_t>(n_items)});
    run_.model = 2;
    run_.item_label.resize(n_items);
    for (std::size_t j = 0; j < n_items; ++j) run_.item_label[j] = static_cast<std::int32_t>(j + 1);
    analysis_.passes.clear();
    analysis_.passes.push_back(make_pass({}, categories, std::string(n_items, ' ')));
  }

  Outcome run_procedure(std::size_t threads) {
    numerr::reset_error_facility();
    CapturedConsole console;
    CapturedChannel report;
    Analysis analysis = analysis_;
    run_logistic_procedure(run_, analysis, report.channel(), textio::console_output(), threads);
    return {report.text(), console.text(), analysis.fits};
  }

  void expect_same_as_one_thread(std::size_t threads) {
    const Outcome one = run_procedure(1);
    const Outcome more = run_procedure(threads);
    EXPECT_EQ(more.report, one.report);
    EXPECT_EQ(more.console, one.console);
    ASSERT_EQ(more.fits.size(), one.fits.size());
    for (std::size_t j = 0; j < one.fits.size(); ++j)
      EXPECT_TRUE(same_fit(more.fits[j], one.fits[j])) << "item " << j + 1;
  }

  RunData run_;
  Analysis analysis_;
  itemdif::testing::FreshFacility facility_;
};

TEST_F(FitsAheadTest, RandomDataSetsGiveTheSameBytesOnEveryNumberOfThreads) {
  for (std::uint64_t seed = 1; seed <= 4; ++seed) {
    SCOPED_TRACE(seed);
    make_run(12 + 5 * seed, seed);
    for (std::size_t threads : {2, 3}) expect_same_as_one_thread(threads);
  }
}

TEST_F(FitsAheadTest, WarningsComeInItemOrderAsOnOneThread) {
  make_warning_run(4);
  const Outcome one = run_procedure(1);
  std::size_t warnings = 0;
  for (std::size_t at = one.console.find("*** WARNING"); at != std::string::npos;
       at = one.console.find("*** WARNING", at + 1))
    ++warnings;
  EXPECT_EQ(warnings, 4u) << one.console;
  for (int repeat = 0; repeat < 3; ++repeat) expect_same_as_one_thread(2);
}

// A worker's fit is taken when it left the facility as it found it and found it as the
// caller has it but for what it neither reads nor writes. Here every fit is made before the
// first is asked for, from the state before any warning: the items that warn are fitted by
// the caller, who shows the warnings, and every other fit is taken, the warnings' marks on
// the caller's level notwithstanding.
TEST_F(FitsAheadTest, OnlyFitsThatLeaveTheFacilityAsTheyFoundItAreTaken) {
  make_warning_run(2);
  numerr::reset_error_facility();
  { numerr::RoutineScope warm{"CTGLM "}; }  // the state every clean fit leaves
  CapturedConsole console;
  LogisticProcedure procedure(run_, analysis_.passes.back().purged);
  LogisticProcedure alone(run_, analysis_.passes.back().purged);
  FitsAhead ahead(procedure, 14, 2);
  ahead.wait_for_workers();
  for (std::size_t j = 0; j < 14; ++j) {
    std::optional<ItemFit> fit = ahead.take(j);
    EXPECT_EQ(fit.has_value(), j != 4 && j != 11) << "item " << j + 1;
    const ItemFit here = fit ? *fit : procedure.fit(j);
    const std::string shown = console.text();
    EXPECT_EQ(shown.find("WARNING") != std::string::npos, j == 4 || j == 11) << "item " << j + 1;
    EXPECT_TRUE(same_fit(here, alone.fit(j))) << "item " << j + 1;
    console.clear();
  }
  EXPECT_EQ(ahead.taken(), 12u);
  EXPECT_EQ(numerr::N1RTY(0), numerr::kWarning);  // what the second warning left here
}

}  // namespace
}  // namespace itemdif::driver

// The two Mantel-Haenszel passes on simulated groups: purification, the purge list, the
// pass-2 matching score and the window failure in either pass.
#include "driver/passes.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "driver/run.hpp"
#include "driver/stops.hpp"
#include "level_tables.hpp"

namespace itemdif::driver {
namespace {

using testing::CapturedChannel;
using testing::CapturedConsole;
using testing::make_scored_run;
using testing::simulate_group;

using Scores = std::vector<std::vector<double>>;

std::vector<std::string> slice(const std::vector<std::string>& lines, std::size_t from,
                               std::size_t count) {
  return {lines.begin() + static_cast<std::ptrdiff_t>(from),
          lines.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

std::size_t find_line(const std::vector<std::string>& lines, const std::string& text) {
  return static_cast<std::size_t>(std::find(lines.begin(), lines.end(), text) - lines.begin());
}

// Counts by hand, for item j, the examinees of one group per level with a given matching score.
struct HandCount {
  std::vector<double> correct, incorrect;
};
HandCount count_by_hand(const Scores& scores, const std::vector<double>& matching,
                        std::size_t j, const RunData& run) {
  HandCount c{std::vector<double>(run.level_low.size()), std::vector<double>(run.level_low.size())};
  for (std::size_t i = 0; i < scores.size(); ++i)
    for (std::size_t k = 0; k < run.level_low.size(); ++k)
      if (run.level_low[k] <= matching[i] && matching[i] <= run.level_high[k])
        (scores[i][j] == 1.0 ? c.correct[k] : c.incorrect[k]) += 1.0;
  return c;
}

TEST(Passes, NoItemCodedCRepeatsPassOne) {
  std::uint64_t seed = 11;
  const std::vector<double> difficulty = {-1.5, -1.0, -0.6, -0.3, 0.0, 0.2, 0.5, 0.8, 1.1, 1.5};
  const std::vector<double> none(10, 0.0);
  const Scores reference = simulate_group(400, 0.0, difficulty, none, seed);
  const Scores focal = simulate_group(400, -0.2, difficulty, none, seed);
  RunData run = make_scored_run(reference, focal, {0, 3, 5, 7}, {2, 4, 6, 10});

  CapturedChannel report;
  CapturedConsole console;
  Analysis analysis;
  run_passes(run, analysis, report.channel(), textio::console_output());

  ASSERT_EQ(analysis.passes.size(), 2u);
  EXPECT_TRUE(analysis.passes[0].purged.empty());
  EXPECT_TRUE(analysis.passes[1].purged.empty());
  for (int g = 0; g < 2; ++g)
    for (int c = 0; c < 3; ++c)
      EXPECT_EQ(analysis.passes[0].levels.counts[g][c].elements(),
                analysis.passes[1].levels.counts[g][c].elements());
  EXPECT_EQ(console.text(),
            "              COMPUTING M-H CHI-SQUARE,  PASS #1\r\n"
            "              COMPUTING M-H CHI-SQUARE,  PASS #2\r\n");

  const auto lines = report.lines();
  ASSERT_EQ(lines.size(), 2u * (3 + 2 + 10) + 3);
  EXPECT_EQ(slice(lines, 0, 3), (std::vector<std::string>{"", "", "Results for Pass Number: 1"}));
  EXPECT_EQ(slice(lines, 15, 3),
            (std::vector<std::string>{"", "Number of Items Purged in Pass 1:   0",
                                      "Item Numbers: "}));
  EXPECT_EQ(slice(lines, 18, 3), (std::vector<std::string>{"", "", "Results for Pass Number: 2"}));
  EXPECT_EQ(slice(lines, 3, 12), slice(lines, 21, 12));
  for (std::size_t j = 0; j < 10; ++j) EXPECT_EQ(lines[5 + j][1], ' ') << "item " << j + 1;
}

class ThreeItemsCodedC : public ::testing::Test {
 protected:
  // Items 2, 6 and 9 carry large uniform DIF: 2 and 9 are harder for the focal group (the
  // reference group is favoured, alpha > 1), 6 easier.
  void SetUp() override {
    std::uint64_t seed = 5;
    const std::vector<double> difficulty = {-1.4, -1.0, -0.8, -0.5, -0.3, 0.0,
                                            0.1,  0.3,  0.6,  0.8,  1.0,  1.3};
    std::vector<double> shift(12, 0.0);
    shift[1] = 2.0;
    shift[5] = -2.0;
    shift[8] = 2.0;
    reference_ = simulate_group(600, 0.0, difficulty, std::vector<double>(12, 0.0), seed);
    focal_ = simulate_group(600, 0.0, difficulty, shift, seed);
    run_ = make_scored_run(reference_, focal_, {0, 3, 5, 7, 9}, {2, 4, 6, 8, 12});
    run_.item_label = {1, 5, 3, 4, 7, 12, 8, 9, 40, 41, 42, 43};
    run_passes(run_, analysis_, report_.channel(), textio::console_output());
    lines_ = report_.lines();
  }

  const LevelTables& pass_2() const { return analysis_.passes.at(1).levels; }

  Scores reference_, focal_;
  RunData run_;
  Analysis analysis_;
  CapturedChannel report_;
  CapturedConsole console_;
  std::vector<std::string> lines_;
};

TEST_F(ThreeItemsCodedC, PurgeListAndLetters) {
  const std::size_t count = find_line(lines_, "Number of Items Purged in Pass 1:   3");
  ASSERT_LT(count + 5, lines_.size());
  EXPECT_EQ(lines_[count - 1], "");
  EXPECT_EQ(slice(lines_, count + 1, 4),
            (std::vector<std::string>{"Item Numbers: ", "  5", " 12", " 40"}));
  EXPECT_EQ(lines_[count + 5], "");

  // Pass-1 rows start three lines after the heading (SE line and column headings between).
  const std::size_t rows = find_line(lines_, "Results for Pass Number: 1") + 3;
  EXPECT_EQ(lines_[rows + 1].substr(0, 6), "CR   5");
  EXPECT_EQ(lines_[rows + 5].substr(0, 6), "CF  12");
  EXPECT_EQ(lines_[rows + 8].substr(0, 6), "CR  40");
  for (std::size_t j : {0u, 2u, 3u, 4u, 6u, 7u, 9u, 10u, 11u}) {
    EXPECT_NE(lines_[rows + j][0], 'C') << "item " << j + 1;
    EXPECT_EQ(lines_[rows + j][1], ' ') << "item " << j + 1;
  }
  // The pass-2 table still names the three items, with their pass-2 letters.
  const std::size_t rows2 = find_line(lines_, "Results for Pass Number: 2") + 3;
  EXPECT_EQ(lines_[rows2 + 1].substr(0, 2), "CR");
  EXPECT_EQ(lines_[rows2 + 5].substr(0, 2), "CF");
  EXPECT_EQ(analysis_.passes[0].purged, (std::vector<std::size_t>{1, 5, 8}));
  EXPECT_EQ(analysis_.passes[0].favored_group[5], 'F');
  EXPECT_EQ(analysis_.passes[0].favored_group[1], 'R');
}

TEST_F(ThreeItemsCodedC, PassTwoMatchesOnThePurifiedScore) {
  std::vector<double> purified_reference(reference_.size());
  std::vector<double> purified_focal(focal_.size());
  for (std::size_t i = 0; i < reference_.size(); ++i)
    for (std::size_t j = 0; j < 12; ++j)
      if (j != 1 && j != 5 && j != 8) purified_reference[i] += reference_[i][j];
  for (std::size_t i = 0; i < focal_.size(); ++i)
    for (std::size_t j = 0; j < 12; ++j)
      if (j != 1 && j != 5 && j != 8) purified_focal[i] += focal_[i][j];
  const Matching matching = pass_matching(run_, &analysis_.passes[0]);
  EXPECT_EQ(matching.reference_total, purified_reference);
  EXPECT_EQ(matching.focal_total, purified_focal);
  EXPECT_EQ(matching.own_score_items, (std::vector<std::size_t>{1, 5, 8}));

  // A kept item (3) is matched on the purified total alone.
  {
    const HandCount r = count_by_hand(reference_, purified_reference, 2, run_);
    const HandCount f = count_by_hand(focal_, purified_focal, 2, run_);
    for (std::size_t k = 0; k < 5; ++k) {
      EXPECT_EQ(pass_2().counts[kReference][kCorrect](k, 2), r.correct[k]) << k;
      EXPECT_EQ(pass_2().counts[kReference][kIncorrect](k, 2), r.incorrect[k]) << k;
      EXPECT_EQ(pass_2().counts[kFocal][kCorrect](k, 2), f.correct[k]) << k;
      EXPECT_EQ(pass_2().counts[kFocal][kIncorrect](k, 2), f.incorrect[k]) << k;
    }
  }
  // A purged item (6) is matched on the purified total plus its own score.
  {
    std::vector<double> own_reference = purified_reference;
    std::vector<double> own_focal = purified_focal;
    for (std::size_t i = 0; i < reference_.size(); ++i) own_reference[i] += reference_[i][5];
    for (std::size_t i = 0; i < focal_.size(); ++i) own_focal[i] += focal_[i][5];
    const HandCount r = count_by_hand(reference_, own_reference, 5, run_);
    const HandCount f = count_by_hand(focal_, own_focal, 5, run_);
    const HandCount without = count_by_hand(focal_, purified_focal, 5, run_);
    ASSERT_NE(f.correct, without.correct);  // the two scores really place examinees apart
    for (std::size_t k = 0; k < 5; ++k) {
      EXPECT_EQ(pass_2().counts[kReference][kCorrect](k, 5), r.correct[k]) << k;
      EXPECT_EQ(pass_2().counts[kReference][kIncorrect](k, 5), r.incorrect[k]) << k;
      EXPECT_EQ(pass_2().counts[kFocal][kCorrect](k, 5), f.correct[k]) << k;
      EXPECT_EQ(pass_2().counts[kFocal][kIncorrect](k, 5), f.incorrect[k]) << k;
    }
  }
}

TEST(Passes, WindowFailureInPassOne) {
  std::uint64_t seed = 3;
  const std::vector<double> difficulty = {-0.5, 0.0, 0.5};
  const std::vector<double> none(3, 0.0);
  RunData run = make_scored_run(simulate_group(50, 0.0, difficulty, none, seed),
                                simulate_group(50, 0.0, difficulty, none, seed), {100}, {200});
  CapturedChannel report;
  CapturedConsole console;
  Analysis analysis;
  try {
    run_passes(run, analysis, report.channel(), textio::console_output());
    ADD_FAILURE() << "the run went on";
  } catch (const AnalysisStop& stop) {
    EXPECT_EQ(stop.reason, StopReason::conditioning_windows);
  }
  EXPECT_TRUE(analysis.passes.empty());
  EXPECT_EQ(report.text(),
            "\r\n\r\nResults for Pass Number: 1\r\n"
            "WARNING: Insufficient Data Found in Level: 100 -200\r\n");
  EXPECT_EQ(console.text(), "              COMPUTING M-H CHI-SQUARE,  PASS #1\r\n");
}

TEST(Passes, WindowFailureInPassTwo) {
  // The levels hold the top totals 6 to 9 only. Matched that narrowly, items 7 to 9 (far
  // harder for the focal group) push every item into category C, so pass 2 purges all nine:
  // every total drops to 0, each item is matched on its own score of 0 or 1, and no level
  // holds anybody.
  std::uint64_t seed = 17;
  const std::vector<double> difficulty = {-2.0, -1.8, -1.6, -1.4, -1.2, -1.0, -1.5, -1.5, -1.5};
  std::vector<double> shift(9, 0.0);
  shift[6] = shift[7] = shift[8] = 3.0;
  RunData run = make_scored_run(
      simulate_group(800, 1.0, difficulty, std::vector<double>(9, 0.0), seed),
      simulate_group(800, 1.0, difficulty, shift, seed), {6, 7, 8, 9}, {6, 7, 8, 9});
  CapturedChannel report;
  CapturedConsole console;
  Analysis analysis;
  try {
    run_passes(run, analysis, report.channel(), textio::console_output());
    ADD_FAILURE() << "the run went on";
  } catch (const AnalysisStop& stop) {
    EXPECT_EQ(stop.reason, StopReason::conditioning_windows);
  }
  // Pass 1 is kept as a value too.
  ASSERT_EQ(analysis.passes.size(), 1u);
  EXPECT_EQ(analysis.passes[0].purged.size(), 9u);
  const auto lines = report.lines();
  const std::size_t purged = find_line(lines, "Number of Items Purged in Pass 1:   9");
  ASSERT_LT(purged + 14, lines.size());
  // All of pass 1 stays; pass 2 ends after its heading and warnings, without a table.
  EXPECT_EQ(slice(lines, purged + 10, 4),
            (std::vector<std::string>{"  9", "", "", "Results for Pass Number: 2"}));
  EXPECT_EQ(slice(lines, purged + 14, lines.size() - purged - 14),
            (std::vector<std::string>{"WARNING: Insufficient Data Found in Level:   6 -  6",
                                      "WARNING: Insufficient Data Found in Level:   7 -  7",
                                      "WARNING: Insufficient Data Found in Level:   8 -  8",
                                      "WARNING: Insufficient Data Found in Level:   9 -  9"}));
  EXPECT_EQ(console.text(),
            "              COMPUTING M-H CHI-SQUARE,  PASS #1\r\n"
            "              COMPUTING M-H CHI-SQUARE,  PASS #2\r\n");
}

}  // namespace
}  // namespace itemdif::driver

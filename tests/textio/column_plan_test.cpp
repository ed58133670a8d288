// The plan of fixed columns against the formatted read itself: wherever a plan reads a
// record, the read must give the same values bit for bit and take that record alone.
#include "textio/column_plan.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "textio/channels.hpp"
#include "textio/errors.hpp"
#include "textio/input_columns.hpp"
#include "textio/reader.hpp"

namespace itemdif::textio {
namespace {

std::optional<ColumnPlan> plan_of(std::string_view layout, std::size_t values) {
  return ColumnPlan::of(Layout::compile(layout), values);
}

std::vector<double> planned_values(const ColumnPlan& plan, std::string_view line,
                                   std::size_t values, bool& taken) {
  std::vector<std::uint8_t> digits(values);
  taken = plan.take_digits(line, digits.data());
  std::vector<double> scores(values);
  if (!taken) return scores;
  std::size_t k = 0;
  for (const ColumnPlan::Run& run : plan.runs())
    for (std::size_t end = k + run.count; k < end; ++k)
      scores[k] = one_column_value<double>(digits[k], run.exponent);
  return scores;
}

TEST(ColumnPlan, PlainLayoutsGiveRunsOfColumns) {
  auto plan = plan_of("(9X,100F1.0)", 100);
  ASSERT_TRUE(plan);
  ASSERT_EQ(plan->runs().size(), 1u);
  EXPECT_EQ(plan->runs()[0].column, 9u);
  EXPECT_EQ(plan->runs()[0].count, 100u);
  EXPECT_TRUE(plan->whole_digits());

  // A tab back, a literal's columns, a group of pairs, fraction digits and a scale.
  plan = plan_of("(T5,2F1.0,TL3,F1.0,'ab',3(F1.0,1X),F1.2,-1P,F1.0)", 8);
  ASSERT_TRUE(plan);
  std::vector<std::size_t> columns;
  std::vector<std::int32_t> exponents;
  for (const auto& run : plan->runs())
    for (std::size_t k = 0; k < run.count; ++k) {
      columns.push_back(run.column + k);
      exponents.push_back(run.exponent);
    }
  EXPECT_EQ(columns, (std::vector<std::size_t>{4, 5, 3, 6, 8, 10, 12, 13}));
  EXPECT_EQ(exponents, (std::vector<std::int32_t>{0, 0, 0, 0, 0, 0, -2, 1}));
  EXPECT_FALSE(plan->whole_digits());

  // Fields after the last value are never reached, whatever they are.
  EXPECT_TRUE(plan_of("(3F1.0,I5,A)", 3));
}

TEST(ColumnPlan, LayoutsThatNeedTheRecordOrAnotherHaveNone) {
  EXPECT_FALSE(plan_of("(2F1.0,/,F1.0)", 3));      // a second record
  EXPECT_FALSE(plan_of("(3F1.0,/)", 3));           // a slash after the last value still reads
  EXPECT_FALSE(plan_of("(F1.0)", 2));              // reversion to a new record
  EXPECT_FALSE(plan_of("(F2.0,F1.0)", 2));         // a wider field
  EXPECT_FALSE(plan_of("(F1.0,I1)", 2));           // a field of another kind
  EXPECT_FALSE(plan_of("(11P,F1.0)", 1));          // beyond the one-step conversion
  EXPECT_FALSE(plan_of("(1X)", 1));                // no field: the read says so itself
  EXPECT_FALSE(plan_of("(2000000X,F1.0)", 1));     // not a record of scores
  EXPECT_FALSE(plan_of("(2147483647(1X),F1.0)", 1));
}

TEST(ColumnPlan, ARecordIsTakenOnlyWhenEveryPlannedColumnHoldsADigit) {
  const auto plan = plan_of("(2X,3F1.0)", 3);
  ASSERT_TRUE(plan);
  bool taken = false;
  EXPECT_EQ(planned_values(*plan, "ab109", 3, taken), (std::vector<double>{1, 0, 9}));
  EXPECT_TRUE(taken);
  for (std::string_view line : {"ab10", "ab1 9", "ab1,9", "ab1x9", "ab1-9", "ab1\x80" "9"}) {
    planned_values(*plan, line, 3, taken);
    EXPECT_FALSE(taken) << line;
  }
}

TEST(ColumnPlan, AColumnThatIsNoDigitIsFoundWhereverItLies) {
  // Runs long enough to be taken many columns at a time, with a tail after them.
  const auto plan = plan_of("(1X,37F1.0,2X,3F1.0)", 40);
  ASSERT_TRUE(plan);
  std::string line = "x" + std::string(37, '7') + "ab" + "123";
  bool taken = false;
  const std::vector<double> values = planned_values(*plan, line, 40, taken);
  ASSERT_TRUE(taken);
  EXPECT_EQ(values[36], 7.0);
  EXPECT_EQ(values[39], 3.0);
  for (std::size_t column : {1u, 2u, 16u, 17u, 32u, 33u, 37u, 40u, 42u}) {
    for (char bad : {' ', '/', ':', '\xff'}) {
      std::string broken = line;
      broken[column] = bad;
      planned_values(*plan, broken, 40, taken);
      EXPECT_FALSE(taken) << "column " << column << " '" << bad << "'";
    }
  }
}

// A random layout of one-column fields, moves and modes, with now and then an item that
// rules a plan out.
std::string random_layout(std::mt19937& random, int depth = 0) {
  static const char* const kItems[] = {
      "F1.0", "F1.0", "F1.0", "3F1.0", "E1.0", "G1.0", "D1.0", "F1.1", "F1.3", "2X",
      "1X",   "T3",   "T1",   "TL2",   "'xy'", "BZ",   "BN",   "SP",   ":",    "1P",
      "-2P",  "0P",   "F2.0", "I1",    "/",    "A1",   "F1.11"};
  std::uniform_int_distribution<int> pick(0, std::size(kItems) - 1);
  std::uniform_int_distribution<int> length(1, 5);
  std::string text = depth == 0 ? "(" : "";
  const int n = length(random);
  for (int k = 0; k < n; ++k) {
    if (k > 0) text += ',';
    if (depth < 2 && random() % 6 == 0) {
      text += std::to_string(1 + random() % 4) + "(" + random_layout(random, depth + 1) + ")";
    } else {
      text += kItems[pick(random)];
    }
  }
  return depth == 0 ? text + ")" : text;
}

std::string random_record(std::mt19937& random) {
  static const char kChars[] = "0123456789012345678901010101 x.-,";
  std::string line(random() % 24, ' ');
  const bool digits_only = random() % 2 == 0;
  for (char& c : line) c = kChars[random() % (digits_only ? 20 : sizeof kChars - 1)];
  return line;
}

TEST(ColumnPlan, EveryRecordAPlanTakesReadsTheSameThroughTheLayout) {
  std::mt19937 random(2026);
  int planned = 0;
  int taken_records = 0;
  for (int trial = 0; trial < 4000; ++trial) {
    const std::string text = random_layout(random);
    const std::size_t values = 1 + random() % 8;
    const Layout layout = Layout::compile(text);
    const auto plan = ColumnPlan::of(layout, values);
    if (!plan) continue;
    ++planned;
    for (int r = 0; r < 8; ++r) {
      const std::string line = random_record(random);
      bool taken = false;
      const std::vector<double> expected = planned_values(*plan, line, values, taken);
      if (!taken) continue;
      ++taken_records;
      std::istringstream source(line + "\nnext\n");
      InputChannel channel(kReferenceChannel, "REF.DAT", source);
      std::vector<double> scores(values, 0.0);
      const Target targets[] = {std::span<double>(scores)};
      ASSERT_NO_THROW(read_formatted(channel, layout, targets)) << text << " on " << line;
      for (std::size_t k = 0; k < values; ++k)
        EXPECT_EQ(std::bit_cast<std::uint64_t>(scores[k]), std::bit_cast<std::uint64_t>(expected[k]))
            << text << " on '" << line << "' value " << k;
      std::string after;
      ASSERT_TRUE(channel.next_line(after));
      EXPECT_EQ(after, "next") << text << ": the read took another record";
    }
  }
  // The trials must exercise the plan, not only its refusal.
  EXPECT_GT(planned, 500);
  EXPECT_GT(taken_records, 1000);
}

}  // namespace
}  // namespace itemdif::textio

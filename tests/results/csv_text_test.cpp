// CSV text of the results tables: quoting where a name needs it, typed cells, LF line ends.
#include <gtest/gtest.h>

#include "results/csv_text.hpp"
#include "support/results_reader.hpp"

namespace itemdif::results {
namespace {

TEST(CsvText, NamesNeedingQuotesAreQuotedAndReadBack) {
  const std::string names[] = {"plain",    "a,b",       "say \"hi\"", "two\nlines",
                               "cr\rhere", " leading",  "trailing ",  ""};
  for (const std::string& name : names) {
    const auto file = itemdif::testing::parse_csv(csv_text({"item"}, {{name}}));
    ASSERT_EQ(file.rows.size(), 1u) << name;
    EXPECT_EQ(file.rows[0].at("item"), name);
  }
  EXPECT_EQ(csv_field("plain"), "plain");
  EXPECT_EQ(csv_field("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(csv_field("a,b"), "\"a,b\"");
}

TEST(CsvText, CellsByTypeAndLineEnds) {
  const std::string text = csv_text({"item", "n", "x", "missing", "used"},
                                    {{std::string("q1"), std::int64_t{715}, 0.1,
                                      std::monostate{}, true},
                                     {std::string("q2"), std::int64_t{0}, 1e-300,
                                      std::monostate{}, false}});
  EXPECT_EQ(text, "item,n,x,missing,used\nq1,715,0.1,,true\nq2,0,1e-300,,false\n");
  EXPECT_EQ(csv_text({"item", "level"}, {}), "item,level\n");
}

}  // namespace
}  // namespace itemdif::results

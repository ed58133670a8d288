// The option texts of `analyze`: levels, methods, delimiters and the choices.
#include "cli/analyze_options.hpp"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "cli/analyze_command.hpp"
#include "stats/method_list.hpp"

namespace itemdif::cli {
namespace {

using stats::LevelSpec;

/// The positions of the methods called `names` in the method list.
std::vector<std::size_t> positions(std::initializer_list<const char*> names) {
  std::vector<std::size_t> found;
  for (const char* name : names) {
    const std::optional<std::size_t> position = stats::method_position(name);
    EXPECT_TRUE(position.has_value()) << name;
    found.push_back(position.value_or(99));
  }
  return found;
}

std::string usage_message(const auto& action) {
  try {
    action();
  } catch (const UsageError& error) {
    EXPECT_EQ(error.command(), "analyze");
    return error.what();
  }
  ADD_FAILURE() << "no usage error";
  return {};
}

TEST(LevelsOption, ThinCountOrBounds) {
  EXPECT_EQ(parse_levels("thin").kind, LevelSpec::Kind::thin);
  const LevelSpec five = parse_levels("5");
  EXPECT_EQ(five.kind, LevelSpec::Kind::equal_width);
  EXPECT_EQ(five.count, 5);
  const LevelSpec bounds = parse_levels("0-9,10-14,15-45,7-3");
  EXPECT_EQ(bounds.kind, LevelSpec::Kind::bounds);
  // A reversed level is the analysis's to leave out, not a usage error.
  EXPECT_EQ(bounds.bounds, (std::vector<std::pair<int, int>>{{0, 9}, {10, 14}, {15, 45}, {7, 3}}));
}

TEST(LevelsOption, MalformedTextsNameTheOption) {
  EXPECT_EQ(usage_message([] { parse_levels("0"); }),
            "--levels: the number of levels must be at least 1");
  for (const char* text : {"thick", "0-", "-5", "1-2-3", "a-b", "0-9;10-20", "2.5"})
    EXPECT_EQ(usage_message([&] { parse_levels(text); }).rfind("--levels: \"", 0), 0u) << text;
  EXPECT_EQ(usage_message([] { parse_levels(","); }), "--levels: no level given");
}

TEST(MethodsOption, KnownNamesOnceInTheirOrder) {
  // The list's order is mh, std, bd, lr: the order of the summary's and the files' columns.
  EXPECT_EQ(positions({"mh", "std", "bd", "lr"}), (std::vector<std::size_t>{0, 1, 2, 3}));
  EXPECT_EQ(parse_methods("lr,mh"), positions({"mh", "lr"}));
  EXPECT_EQ(parse_methods("bd,std,mh,lr"), positions({"mh", "std", "bd", "lr"}));
  EXPECT_EQ(parse_methods("std,,bd,"), positions({"std", "bd"}));
  EXPECT_EQ(usage_message([] { parse_methods("mh,rasch"); }),
            "--methods: \"rasch\" is not one of mh,std,bd,lr,sib,irt or all");
  EXPECT_EQ(usage_message([] { parse_methods("mh,mh"); }), "--methods: \"mh\" is given twice");
  EXPECT_EQ(usage_message([] { parse_methods("MH"); }),
            "--methods: \"MH\" is not one of mh,std,bd,lr,sib,irt or all");
  EXPECT_EQ(usage_message([] { parse_methods(""); }),
            "--methods: no method given (any of mh,std,bd,lr,sib,irt or all)");
}

TEST(MethodsOption, AllFourByDefaultAndMantelHaenszelAlways) {
  AnalyzeArguments arguments;
  const std::vector<std::size_t> every = positions({"mh", "std", "bd", "lr"});
  EXPECT_EQ(methods_to_compute(arguments), every);
  EXPECT_EQ(analysis_options(arguments).methods, every);

  arguments.methods = "mh";
  EXPECT_EQ(methods_to_compute(arguments), positions({"mh"}));
  EXPECT_EQ(analysis_options(arguments).methods, positions({"mh"}));

  // The flag rule and Breslow-Day rest on Mantel-Haenszel.
  arguments.methods = "lr,bd";
  EXPECT_EQ(methods_to_compute(arguments), positions({"mh", "bd", "lr"}));
  EXPECT_EQ(analysis_options(arguments).methods, positions({"mh", "bd", "lr"}));
  arguments.methods = "std";
  EXPECT_EQ(analysis_options(arguments).methods, positions({"mh", "std"}));
}

TEST(DelimiterOption, OneCharacterOrTab) {
  EXPECT_EQ(parse_delimiter(";"), ';');
  EXPECT_EQ(parse_delimiter("tab"), '\t');
  EXPECT_EQ(parse_delimiter("\\t"), '\t');
  EXPECT_EQ(usage_message([] { parse_delimiter(";;"); }),
            "--delimiter: \";;\" is not a single character");
  EXPECT_EQ(usage_message([] { parse_delimiter("\""); }),
            "--delimiter: a quote or a line end cannot separate cells");
}

TEST(MaxScoreOption, OneToTheHighestAByteHolds) {
  EXPECT_EQ(parse_max_score(1), 1);
  EXPECT_EQ(parse_max_score(6), 6);
  EXPECT_EQ(parse_max_score(250), 250);
  EXPECT_EQ(usage_message([] { parse_max_score(0); }),
            "--max-score: 0 is not a whole number from 1 to 250");
  EXPECT_EQ(usage_message([] { parse_max_score(251); }),
            "--max-score: 251 is not a whole number from 1 to 250");
  EXPECT_EQ(usage_message([] { parse_max_score(-4); }),
            "--max-score: -4 is not a whole number from 1 to 250");
  AnalyzeArguments a;
  a.max_score = 1000;
  EXPECT_EQ(usage_message([&] { read_options(a); }),
            "--max-score: 1000 is not a whole number from 1 to 250");
}

TEST(SplitList, EmptyPartsAreDropped) {
  EXPECT_EQ(split_list("a,,b,"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(split_list(""), std::vector<std::string>{});
  EXPECT_EQ(split_list("-9, 99"), (std::vector<std::string>{"-9", " 99"}));
}

TEST(AnalysisOptions, EveryChoiceReachesTheAnalysis) {
  AnalyzeArguments a;
  a.missing = "listwise";
  a.levels = "4";
  a.min_per_group = 5;
  a.purify = "two-pass";
  a.max_rounds = 3;
  a.flag = "ets-c";
  a.alpha = 0.01;
  a.adjust = "bh";
  const stats::AnalyzeOptions o = analysis_options(a);
  EXPECT_EQ(o.missing, stats::MissingPolicy::listwise);
  EXPECT_EQ(o.levels.count, 4);
  EXPECT_EQ(o.min_per_group, 5);
  EXPECT_EQ(o.purify, stats::PurifyMode::two_pass);
  EXPECT_EQ(o.max_rounds, 3);
  EXPECT_EQ(o.flag, "ets-c");
  EXPECT_EQ(o.alpha, 0.01);
  EXPECT_EQ(o.adjust, stats::Adjust::bh);
  a.flag = "p";
  a.missing = "incorrect";
  a.purify = "none";
  a.adjust = "holm";
  const stats::AnalyzeOptions p = analysis_options(a);
  EXPECT_EQ(p.flag, "p");
  EXPECT_EQ(p.missing, stats::MissingPolicy::incorrect);
  EXPECT_EQ(p.purify, stats::PurifyMode::none);
  EXPECT_EQ(p.adjust, stats::Adjust::holm);
  a.alpha = 1.0;
  EXPECT_EQ(usage_message([&] { analysis_options(a); }),
            "--alpha: must lie strictly between 0 and 1");
}

TEST(ReadOptions, TextsReachTheReader) {
  AnalyzeArguments a;
  a.data = "x.txt";
  a.delimiter = ";";
  a.group = "sex";
  a.focal = {"F"};
  a.reference = "M";
  a.items = "q1:q9";
  a.id = "id";
  a.missing_codes = "9,-1";
  EXPECT_EQ(read_options(a).max_score, 1);
  a.max_score = 12;
  const data::ReadOptions r = read_options(a);
  EXPECT_EQ(r.path, "x.txt");
  EXPECT_EQ(r.delimiter, ';');
  EXPECT_EQ(r.group_column, "sex");
  EXPECT_EQ(r.focal_values, std::vector<std::string>{"F"});
  EXPECT_EQ(r.reference_value, "M");
  EXPECT_EQ(r.items, "q1:q9");
  EXPECT_EQ(r.id_column, "id");
  EXPECT_EQ(r.missing_codes, (std::vector<std::string>{"9", "-1"}));
  EXPECT_EQ(r.max_score, 12);
}

TEST(ReadOptions, FocalValuesSplitAtCommasInTheOrderGiven) {
  EXPECT_EQ(focal_values({"F"}), (std::vector<std::string>{"F"}));
  EXPECT_EQ(focal_values({"C,A,B"}), (std::vector<std::string>{"C", "A", "B"}));
  EXPECT_EQ(focal_values({"C", "A,B"}), (std::vector<std::string>{"C", "A", "B"}));
  // `\,` is a comma inside a value; any other backslash stays as written.
  EXPECT_EQ(focal_values({R"(Smith\, J.,x\y)"}), (std::vector<std::string>{"Smith, J.", R"(x\y)"}));
  EXPECT_EQ(focal_values({R"(a\)"}), (std::vector<std::string>{R"(a\)"}));
  // Empty parts stay, so that the reader refuses them as values no row holds.
  EXPECT_EQ(focal_values({"A,,B,"}), (std::vector<std::string>{"A", "", "B", ""}));
  AnalyzeArguments a;
  a.data = "x.csv";
  a.group = "g";
  a.focal = {"A", R"(B\,C)"};
  EXPECT_EQ(read_options(a).focal_values, (std::vector<std::string>{"A", "B,C"}));
}

}  // namespace
}  // namespace itemdif::cli

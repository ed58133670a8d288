// The command line: help, version, usage errors and `run`, in this process.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/version.hpp"
#include "command_runner.hpp"

namespace itemdif::cli {
namespace {

using testing::Outcome;

Outcome run(const std::vector<std::string>& arguments) { return testing::run_itemdif(arguments); }

TEST(CommandLine, VersionOnTheProgramAndEachCommand) {
  const std::string version = std::string("itemdif ") + kVersion + "\n";
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {"--version"}, {"run", "--version"}, {"analyze", "--version"}}) {
    const Outcome o = run(arguments);
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, version) << arguments[0];
    EXPECT_EQ(o.err, "");
  }
}

TEST(CommandLine, HelpNamesTheCommandsAndOptions) {
  const Outcome program = run({"--help"});
  EXPECT_EQ(program.status, 0);
  EXPECT_NE(program.out.find("run"), std::string::npos);
  EXPECT_NE(program.out.find("analyze"), std::string::npos);
  const Outcome analyze = run({"analyze", "--help"});
  EXPECT_EQ(analyze.status, 0);
  for (const char* option : {"--group", "--focal", "--reference", "--delimiter", "--items", "--id",
                             "--missing-codes", "--missing", "--levels", "--min-per-group",
                             "--purify", "--max-rounds", "--flag", "--alpha", "--adjust",
                             "--methods", "--quiet"})
    EXPECT_NE(analyze.out.find(option), std::string::npos) << option;
  const Outcome run_help = run({"run", "--help"});
  EXPECT_EQ(run_help.status, 0);
  EXPECT_NE(run_help.out.find("--quiet"), std::string::npos);
}

TEST(CommandLine, UsageErrorsAreOneLineAndAHint) {
  struct Case {
    std::vector<std::string> arguments;
    std::string hint;
  };
  for (const Case& c : std::vector<Case>{
           {{"frobnicate"}, "Run 'itemdif --help' for usage.\n"},
           {{"analyze", "x.csv", "--focal", "F"}, "Run 'itemdif analyze --help' for usage.\n"},
           {{"analyze", "x.csv", "--group", "g", "--focal", "F", "--missing", "some"},
            "Run 'itemdif analyze --help' for usage.\n"},
           {{"analyze", "x.csv", "--group", "g", "--focal", "F", "--levels", "zero"},
            "Run 'itemdif analyze --help' for usage.\n"},
           {{"analyze", "x.csv", "--group", "g", "--focal", "F", "--min-per-group", "0"},
            "Run 'itemdif analyze --help' for usage.\n"},
           {{"run"}, "Run 'itemdif run --help' for usage.\n"},
           {{"run", "a.ctl", "b.ctl"}, "Run 'itemdif run --help' for usage.\n"},
           {{"run", std::string(81, 'c')}, "Run 'itemdif run --help' for usage.\n"},
       }) {
    const Outcome o = run(c.arguments);
    EXPECT_EQ(o.status, 2) << c.arguments[0];
    EXPECT_EQ(o.out, "");
    ASSERT_EQ(o.err.rfind("itemdif: error: ", 0), 0u) << o.err;
    const std::size_t first_end = o.err.find('\n');
    EXPECT_EQ(o.err.substr(first_end + 1), c.hint) << o.err;
  }
}

TEST(CommandLine, AnOptionIsCheckedBeforeTheDataAreRead) {
  // The file does not exist: the usage error comes first.
  const Outcome o = run({"analyze", "missing.csv", "--group", "g", "--focal", "F", "--methods",
                         "mh,rasch"});
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err.rfind("itemdif: error: --methods: \"rasch\" is not one of", 0), 0u) << o.err;
  // The combinations of options are checked before reading too; the first word of each case
  // is the option the message names.
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{"--flag", "--flag", "sib"},
        {"--flag", "--flag", "irt", "--methods", "mh,sib"},
        {"--bundle", "--bundle", "b=q1,q2"},
        {"--bundle", "--methods", "mh,sib", "--bundle", "b=q1"},
        {"--bundle", "--methods", "mh,sib", "--bundle", "b=q1,q2", "--bundle", "b=q3,q4"},
        {"--sib-min", "--sib-min", "1"},
        {"--anchor", "--anchor", "q1", "--purify", "iterative"},
        {"--anchor", "--anchor", "q1", "--purify", "two-pass"}}) {
    std::vector<std::string> arguments = {"analyze", "missing.csv", "--group", "g", "--focal", "F"};
    arguments.insert(arguments.end(), options.begin() + 1, options.end());
    const Outcome refused = run(arguments);
    EXPECT_EQ(refused.status, 2) << refused.err;
    EXPECT_EQ(refused.err.rfind("itemdif: error: " + options.front() + ": ", 0), 0u)
        << refused.err;
  }
}

class RunCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("itemdif-run-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }
  std::filesystem::path dir_, previous_;
};

TEST_F(RunCommand, ControlFileErrorsEndAsTheDialoguesDo) {
  const Outcome missing = run({"run", "nothing.ctl"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, "itemdif: severe (29): file not found, unit 12, file nothing.ctl\r\n");
  // The banner, and no prompt.
  EXPECT_NE(missing.console.find("DIFFERENTIAL ITEM FUNCTIONING"), std::string::npos);
  EXPECT_EQ(missing.console.find("Enter Name"), std::string::npos);

  std::ofstream("bad.ctl") << ">TITLE:x\n>MODLE: 1\n";
  const Outcome keyword = run({"run", "bad.ctl"});
  EXPECT_EQ(keyword.status, 1);
  EXPECT_NE(keyword.console.find(" FATAL ERROR; Keyword >MODEL: missing\r\n"), std::string::npos);
}

TEST_F(RunCommand, QuietShowsNothingAndKeepsTheStatus) {
  std::ofstream("bad.ctl") << ">TITLE:x\n>MODLE: 1\n";
  const Outcome keyword = run({"run", "--quiet", "bad.ctl"});
  EXPECT_EQ(keyword.status, 1);
  EXPECT_EQ(keyword.console, "");
  EXPECT_EQ(keyword.out, "");
  // The console is back for whatever runs next.
  const Outcome again = run({"run", "bad.ctl"});
  EXPECT_NE(again.console.find("FATAL ERROR"), std::string::npos);
}

}  // namespace
}  // namespace itemdif::cli

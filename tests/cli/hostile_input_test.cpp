// Hostile input to the command line: every case ends with one error line and status 2, or a
// correct result; never a crash, a hang or results files cut short.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/command_runner.hpp"
#include "support/results_reader.hpp"

namespace itemdif::cli {
namespace {

namespace fs = std::filesystem;
using itemdif::testing::ScratchFolder;
using testing::Outcome;
using testing::run_itemdif;

const fs::path kSource = ITEMDIF_SOURCE_DIR;
const fs::path kQuiz = kSource / "examples" / "quiz" / "quiz.csv";

void write(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

/// The one line an error run leaves on standard error, nothing on standard output.
void expect_one_error(const Outcome& o, const std::string& start) {
  EXPECT_EQ(o.status, 2) << o.err;
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
  EXPECT_EQ(o.err.rfind("itemdif: error: " + start, 0), 0u) << o.err;
}

Outcome analyze(const fs::path& data, std::vector<std::string> more = {}) {
  std::vector<std::string> arguments = {"analyze", data.string(), "--group", "g", "--focal", "1"};
  arguments.insert(arguments.end(), more.begin(), more.end());
  return run_itemdif(arguments);
}

// ---- data files that are no table, or a broken one

TEST(HostileData, BrokenTextTables) {
  ScratchFolder scratch;
  write(scratch / "open.csv", "id,g,q1\n\"a,1,1\nb,0,0\n");
  expect_one_error(analyze(scratch / "open.csv"),
                   (scratch / "open.csv").string() +
                       " line 2: a quoted cell is not closed before the end of the file");
  write(scratch / "nul.csv", std::string("id,g,q1\na\0b,1,1\nc,0,0\n", 22));
  expect_one_error(analyze(scratch / "nul.csv"),
                   (scratch / "nul.csv").string() +
                       ": not a text data file (it holds binary data)");
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919 + 13) % 256);
  write(scratch / "garbage.csv", garbage);
  expect_one_error(analyze(scratch / "garbage.csv"), (scratch / "garbage.csv").string() + ": ");
  write(scratch / "twice.csv", "id,g,q1,q1\na,1,1,0\nb,0,0,1\n");
  expect_one_error(analyze(scratch / "twice.csv", {"--id", "id"}),
                   (scratch / "twice.csv").string() +
                       ": the header has more than one column named \"q1\"");
}

TEST(HostileData, ATenMegabyteCellIsJustACell) {
  ScratchFolder scratch;
  const std::string id(10 << 20, 'x');
  write(scratch / "long.csv",
        "id,g,q1,q2\n" + id + ",1,1,0\nb,0,0,1\nc,1,1,1\nd,0,0,0\ne,1,0,1\nf,0,1,0\n");
  const Outcome o =
      analyze(scratch / "long.csv", {"--id", "id", "--out", (scratch / "r").string()});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_GT(fs::file_size(scratch / "r" / "results.json"), 0u);
}

TEST(HostileData, AHundredThousandColumns) {
  // The header is read whole: a cell in the last column is found by its name, and a few items
  // picked among them are analysed.
  ScratchFolder scratch;
  std::string header = "g";
  std::string rows[2] = {"0", "1"};
  for (int j = 0; j < 100000; ++j) {
    header += ",q" + std::to_string(j);
    rows[0] += j % 3 == 0 ? ",1" : ",0";
    rows[1] += j % 5 == 0 ? ",1" : ",0";
  }
  const std::string table = header + "\n" + rows[0] + "\n" + rows[1] + "\n" + rows[1] + "\n";
  write(scratch / "wide.csv", table);
  const Outcome picked = analyze(scratch / "wide.csv", {"--items", "q0:q9,q99999", "--out",
                                                        (scratch / "r").string()});
  EXPECT_EQ(picked.status, 0) << picked.err;
  EXPECT_TRUE(fs::exists(scratch / "r" / "results.json"));
  write(scratch / "wide.csv", table.substr(0, table.size() - 2) + "2\n");
  expect_one_error(analyze(scratch / "wide.csv", {"--items", "q99990:q99999"}),
                   (scratch / "wide.csv").string() +
                       " line 4, column q99999: \"2\""
                           " is not a score (0 to 1, see --max-score) or a missing code");
}

TEST(HostileData, TruncatedAndCorruptStatisticalFiles) {
  ScratchFolder scratch;
  for (const char* name : {"scores.sav", "scores.dta"}) {
    SCOPED_TRACE(name);
    std::ifstream in(kSource / "tests" / "data" / "hostile" / name, std::ios::binary);
    const std::string whole((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GT(whole.size(), 400u);
    const fs::path file = scratch / name;
    const std::string kind = std::string(name).ends_with(".sav") ? "an SPSS" : "a Stata";
    // The whole file reads; cut short or with its header overwritten it is one error line.
    std::vector<std::string> sex = {"analyze", file.string(), "--group", "sex", "--focal", "F",
                                    "--id", "id", "--missing-codes", "9", "--quiet"};
    write(file, whole);
    EXPECT_EQ(run_itemdif(sex).status, 0);
    for (const std::size_t keep : {whole.size() / 2, std::size_t{300}, std::size_t{10}}) {
      write(file, whole.substr(0, keep));
      expect_one_error(run_itemdif(sex), file.string() + ": cannot be read as " + kind + " file (");
    }
    std::string corrupt = whole;
    std::fill(corrupt.begin() + 8, corrupt.begin() + 200, '\xff');
    write(file, corrupt);
    const Outcome o = run_itemdif(sex);
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
  }
}

// ---- results that cannot be written

std::vector<std::string> quiz(const fs::path& out) {
  return {"analyze", kQuiz.string(), "--group", "sex", "--focal", "F", "--id", "id",
          "--missing-codes", "9", "--quiet", "--out", out.string()};
}

TEST(HostileOutput, AFolderThatIsAFileOrCannotBeMade) {
  ScratchFolder scratch;
  write(scratch / "plain", "x");
  expect_one_error(run_itemdif(quiz(scratch / "plain")),
                   "cannot write " + (scratch / "plain").string());
  EXPECT_EQ(scratch.names(), std::vector<std::string>{"plain"});
  expect_one_error(run_itemdif(quiz("/dev/full")), "cannot write /dev/full");
  // Nothing can be made under /proc, not even by root.
  expect_one_error(run_itemdif(quiz("/proc/itemdif-results")),
                   "cannot write /proc/itemdif-results");
}

TEST(HostileOutput, AFolderWithoutWritePermission) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not hold for root";
  ScratchFolder scratch;
  fs::create_directory(scratch / "locked");
  fs::permissions(scratch / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  expect_one_error(run_itemdif(quiz(scratch / "locked" / "r")), "cannot write ");
  fs::permissions(scratch / "locked", fs::perms::owner_all);
}

TEST(HostileOutput, AFullDiskLeavesNoFileCutShort) {
  ScratchFolder scratch;
  const fs::path small = scratch / "small";
  fs::create_directory(small);
  // A file system of 64 kB: room for a few of the results files, not for all of them.
  if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "no small file system can be mounted here";
  const Outcome o = run_itemdif(quiz(small / "r"));
  expect_one_error(o, "cannot write " + (small / "r").string());
  // No results file is left, whole or cut short, nor any of their temporary copies.
  std::vector<std::string> left;
  if (fs::exists(small / "r"))
    for (const auto& entry : fs::directory_iterator(small / "r"))
      left.push_back(entry.path().filename());
  ::umount(small.c_str());
  EXPECT_EQ(left, std::vector<std::string>{});
}

TEST(HostileOutput, ARunWhoseReportGoesToAFullDevice) {
  ScratchFolder scratch;
  std::ifstream in(kSource / "tests" / "golden" / "model1" / "m1.ctl");
  std::string control((std::istreambuf_iterator<char>(in)), {});
  const std::size_t at = control.find(">OUTPUT:");
  // Quoted: a slash would end the list-directed read.
  control.replace(at, control.find_first_of("\r\n", at) - at, ">OUTPUT: '/dev/full'");
  for (const char* name : {"ref8.dat", "foc8.dat"})
    fs::copy_file(kSource / "tests" / "golden" / "model1" / name, scratch / name);
  write(scratch / "full.ctl", control);
  const fs::path here = fs::current_path();
  fs::current_path(scratch.path());
  const Outcome o = run_itemdif({"run", "full.ctl", "--quiet"});
  fs::current_path(here);
  EXPECT_EQ(o.status, 2);
  // The control-file program's own message, as every line of it, ends with CR LF.
  EXPECT_EQ(o.err, "itemdif: severe (38): error during write, unit 11, file /dev/full\r\n");
}

}  // namespace
}  // namespace itemdif::cli

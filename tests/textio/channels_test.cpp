// Channels: opening by name, the error numbers of failed opens, line ends, the console.
#include "textio/channels.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "textio/errors.hpp"

namespace itemdif::textio {
namespace {

namespace fs = std::filesystem;

class ChannelFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("itemdif-channels-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(dir_, fs::perms::owner_all, ignored);
    fs::remove_all(dir_, ignored);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string contents(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void put(const std::string& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
  }
  fs::path dir_;
};

// Expects `action` to throw an IoError and returns it.
template <typename Action>
IoError io_error_of(Action action) {
  try {
    action();
  } catch (const IoError& error) {
    return error;
  }
  ADD_FAILURE() << "no IoError thrown";
  return IoError(0, 0, "");
}

// ---- Output

TEST_F(ChannelFiles, EveryLineEndsWithCarriageReturnLineFeed) {
  auto report = OutputChannel::open_unknown(kReportChannel, path("r.out"));
  report->write_line(" Item  1");
  report->write_line("");
  report->write_partial("  Enter: ");
  report->write_line("x");
  report->close();
  EXPECT_EQ(contents(path("r.out")), " Item  1\r\n\r\n  Enter: x\r\n");
}

TEST_F(ChannelFiles, TrailingBlanksOfTheNameAreNotPartOfIt) {
  std::string name = path("report.out");
  name.resize(80, ' ');
  auto report = OutputChannel::open_unknown(kReportChannel, name);
  EXPECT_EQ(report->name(), path("report.out"));
  report->write_line("A");
  report->close();
  EXPECT_EQ(contents(path("report.out")), "A\r\n");
}

TEST_F(ChannelFiles, AnExistingLongerFileIsCutToTheNewReport) {
  put(path("old.out"), std::string(5000, 'x') + "\r\n");
  auto report = OutputChannel::open_unknown(kReportChannel, path("old.out"));
  report->write_line("new");
  report->close();
  EXPECT_EQ(contents(path("old.out")), "new\r\n");
}

TEST_F(ChannelFiles, AReportOpenedButNeverWrittenHoldsNothingOld) {
  put(path("old.out"), "previous run\r\n");
  auto report = OutputChannel::open_unknown(kReportChannel, path("old.out"));
  report.reset();
  EXPECT_EQ(contents(path("old.out")), "");
}

TEST_F(ChannelFiles, WritesAfterCloseAreIgnored) {
  auto report = OutputChannel::open_unknown(kReportChannel, path("r.out"));
  report->write_line("kept");
  report->close();
  EXPECT_FALSE(report->is_open());
  report->write_line("lost");
  report->close();
  EXPECT_EQ(contents(path("r.out")), "kept\r\n");
}

TEST_F(ChannelFiles, OutputOpenFailuresCarryTheirNumbers) {
  IoError blank = io_error_of([] { OutputChannel::open_unknown(11, std::string(80, ' ')); });
  EXPECT_EQ(blank.number, 43);
  EXPECT_EQ(blank.text(), "file name specification error, unit 11, file ");

  IoError directory = io_error_of([&] { OutputChannel::open_unknown(11, dir_.string()); });
  EXPECT_EQ(directory.number, 30);
  EXPECT_EQ(directory.text(), "open failure, unit 11, file " + dir_.string());

  IoError no_folder = io_error_of([&] { OutputChannel::open_unknown(11, path("none/r.out")); });
  EXPECT_EQ(no_folder.number, 30);

  put(path("plain"), "");
  EXPECT_EQ(io_error_of([&] { OutputChannel::open_unknown(11, path("plain/r.out")); }).number, 30);

  IoError nul = io_error_of([] { OutputChannel::open_unknown(11, std::string("a\0b", 3)); });
  EXPECT_EQ(nul.number, 43);
}

TEST_F(ChannelFiles, AnUnwritableFolderRefusesTheReport) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  fs::create_directories(path("locked"));
  fs::permissions(path("locked"), fs::perms::owner_read | fs::perms::owner_exec);
  IoError error = io_error_of([&] { OutputChannel::open_unknown(11, path("locked/r.out")); });
  EXPECT_EQ(error.number, 30);
}

TEST(OutputChannel, AFailedWriteIsReportedAtFlush) {
  std::ofstream full("/dev/full", std::ios::binary);
  if (!full.is_open()) GTEST_SKIP() << "no /dev/full";
  // A channel on a caller's stream cannot see its failures; open by name to own the file.
  auto channel = OutputChannel::open_unknown(kReportChannel, "/dev/full");
  channel->write_line(std::string(100000, 'x'));
  IoError error = io_error_of([&] { channel->flush(); });
  EXPECT_EQ(error.number, 38);
  EXPECT_EQ(error.text(), "error during write, unit 11, file /dev/full");
}

// ---- Input

TEST_F(ChannelFiles, LinesLoseTheirCarriageReturnAndALastLineNeedsNoLineFeed) {
  std::string wide(100000, '1');
  put(path("d.dat"), "a b\r\n\r\n" + wide + "\nlast");
  auto data = InputChannel::open_old(kReferenceChannel, path("d.dat"));
  std::string line;
  ASSERT_TRUE(data->next_line(line));
  EXPECT_EQ(line, "a b");
  ASSERT_TRUE(data->next_line(line));
  EXPECT_EQ(line, "");
  ASSERT_TRUE(data->next_line(line));
  EXPECT_EQ(line, wide);
  ASSERT_TRUE(data->next_line(line));
  EXPECT_EQ(line, "last");
  EXPECT_FALSE(data->next_line(line));
  EXPECT_FALSE(data->next_line(line));
}

TEST_F(ChannelFiles, AFileEndingInALineFeedHasNoEmptyLastLine) {
  put(path("d.dat"), "1\n2\r\n");
  auto data = InputChannel::open_old(kFocalChannel, path("d.dat"));
  std::string line;
  EXPECT_TRUE(data->next_line(line));
  EXPECT_TRUE(data->next_line(line));
  EXPECT_EQ(line, "2");
  EXPECT_FALSE(data->next_line(line));

  put(path("empty.dat"), "");
  auto empty = InputChannel::open_old(kFocalChannel, path("empty.dat"));
  EXPECT_FALSE(empty->next_line(line));
}

TEST_F(ChannelFiles, OnlyACarriageReturnJustBeforeTheLineFeedIsDropped) {
  put(path("d.dat"), "a\rb\r\r\n");
  auto data = InputChannel::open_old(kControlChannel, path("d.dat"));
  std::string line;
  ASSERT_TRUE(data->next_line(line));
  EXPECT_EQ(line, "a\rb\r");
}

TEST_F(ChannelFiles, InputOpenFailuresCarryTheirNumbers) {
  std::string missing = path("missing.ctl");
  std::string padded = missing;
  padded.resize(80, ' ');
  IoError not_found = io_error_of([&] { InputChannel::open_old(kControlChannel, padded); });
  EXPECT_EQ(not_found.number, 29);
  EXPECT_EQ(not_found.text(), "file not found, unit 12, file " + missing);

  EXPECT_EQ(io_error_of([&] { InputChannel::open_old(20, path("none/x.dat")); }).number, 29);
  EXPECT_EQ(io_error_of([] { InputChannel::open_old(20, ""); }).number, 43);
  EXPECT_EQ(io_error_of([&] { InputChannel::open_old(30, dir_.string()); }).number, 30);
}

TEST_F(ChannelFiles, AnUnreadableFileIsAnOpenFailure) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  put(path("secret.dat"), "1\n");
  fs::permissions(path("secret.dat"), fs::perms::none);
  EXPECT_EQ(io_error_of([&] { InputChannel::open_old(20, path("secret.dat")); }).number, 30);
}

TEST(InputChannel, FailNamesTheChannelAndFile) {
  std::istringstream source("");
  InputChannel channel(kReferenceChannel, "REF.DAT", source);
  IoError error = io_error_of([&] { channel.fail(24); });
  EXPECT_EQ(error.text(), "end-of-file during read, unit 20, file REF.DAT");
  IoError layout = io_error_of([&] { channel.fail(62, "Q9)"); });
  EXPECT_EQ(layout.text(), "syntax error in format, unit 20, file REF.DAT");
  EXPECT_EQ(layout.info, "Q9)");
}

// ---- Console

TEST(Console, RedirectedConsoleWritesCarriageReturnLineFeedAndReadsLines) {
  std::ostringstream out;
  std::istringstream in("ctl.txt\r\n");
  redirect_console(&out, &in);
  console_output().write_line(" banner");
  std::string line;
  EXPECT_TRUE(console_input().next_line(line));
  EXPECT_FALSE(console_input().next_line(line));
  console_output().close();  // the console stays connected
  console_output().write_line("after");
  redirect_console(nullptr, nullptr);
  EXPECT_EQ(out.str(), " banner\r\nafter\r\n");
  EXPECT_EQ(console_output().unit(), 6);
  EXPECT_EQ(console_input().unit(), 5);
  EXPECT_EQ(console_input().name(), "stdin");
}

TEST(Console, ClearingWritesNothingWhenOutputIsNoTerminal) {
  if (::isatty(STDOUT_FILENO) != 0) GTEST_SKIP() << "standard output is a terminal";
  std::ostringstream out;
  redirect_console(&out, nullptr);
  clear_console();
  redirect_console(nullptr, nullptr);
  EXPECT_EQ(out.str(), "");
}

}  // namespace
}  // namespace itemdif::textio

// Channels: opening by name and the error numbers of failed opens, line ends, the console.
#include "textio/channels.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "textio/errors.hpp"

namespace itemdif::textio {
namespace {

namespace fs = std::filesystem;

class ChannelFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("itemdif-channels-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
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

TEST_F(ChannelFiles, AReportReplacesALongerFileAndEndsEveryLineWithCarriageReturnLineFeed) {
  put(path("r.out"), std::string(5000, 'x'));
  std::string name = path("r.out");
  name.resize(80, ' ');  // trailing blanks are not part of the name
  auto report = OutputChannel::open_unknown(kReportChannel, name);
  EXPECT_EQ(report->name(), path("r.out"));
  report->write_line(" Item  1");
  report->write_line("");
  report->write_partial("  Enter: ");
  report->write_line("x");
  report->close();
  report->write_line("after close");  // ignored
  EXPECT_EQ(contents(path("r.out")), " Item  1\r\n\r\n  Enter: x\r\n");
}

TEST_F(ChannelFiles, FailedOpensCarryTheirNumbersAndNameTheChannelAndFile) {
  put(path("plain"), "");
  EXPECT_EQ(io_error_of([] { OutputChannel::open_unknown(11, std::string(80, ' ')); }).text(),
            "file name specification error, unit 11, file ");
  EXPECT_EQ(io_error_of([&] { OutputChannel::open_unknown(11, dir_.string()); }).text(),
            "open failure, unit 11, file " + dir_.string());
  EXPECT_EQ(io_error_of([&] { OutputChannel::open_unknown(11, path("plain/r")); }).number, 30);
  EXPECT_EQ(io_error_of([&] { OutputChannel::open_unknown(11, path("none/r")); }).number, 30);
  EXPECT_EQ(io_error_of([] { OutputChannel::open_unknown(11, std::string("a\0b", 3)); }).number,
            43);

  EXPECT_EQ(io_error_of([&] { InputChannel::open_old(12, path("missing.ctl") + "  "); }).text(),
            "file not found, unit 12, file " + path("missing.ctl"));
  EXPECT_EQ(io_error_of([&] { InputChannel::open_old(20, path("none/x.dat")); }).number, 29);
  EXPECT_EQ(io_error_of([] { InputChannel::open_old(20, ""); }).number, 43);
  EXPECT_EQ(io_error_of([&] { InputChannel::open_old(30, dir_.string()); }).number, 30);
}

TEST(OutputChannel, AFailedWriteIsReportedAtFlush) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  auto channel = OutputChannel::open_unknown(kReportChannel, "/dev/full");
  channel->write_line(std::string(100000, 'x'));
  EXPECT_EQ(io_error_of([&] { channel->flush(); }).text(),
            "error during write, unit 11, file /dev/full");
}

TEST_F(ChannelFiles, LinesOfAnyLengthLoseOnlyTheCarriageReturnBeforeTheLineFeed) {
  std::string wide(100000, '1');
  put(path("d.dat"), "a\rb\r\r\n\n" + wide + "\nlast");
  auto data = InputChannel::open_old(kReferenceChannel, path("d.dat"));
  std::string line;
  for (const std::string& expected : {std::string("a\rb\r"), std::string(), wide,
                                      std::string("last")}) {
    ASSERT_TRUE(data->next_line(line));
    EXPECT_EQ(line, expected);
  }
  EXPECT_FALSE(data->next_line(line));

  put(path("e.dat"), "1\n");  // a final line feed opens no empty last line
  auto one = InputChannel::open_old(kFocalChannel, path("e.dat"));
  EXPECT_TRUE(one->next_line(line));
  EXPECT_FALSE(one->next_line(line));
}

TEST_F(ChannelFiles, LinesAcrossBlockBoundariesAndARepeatedLine) {
  // Lines around the reader's block size (64 KiB) and across it, a CR LF split by a block's
  // end, NUL bytes kept.
  std::string text;
  std::vector<std::string> lines;
  for (std::size_t size : {65535u, 1u, 65534u, 0u, 200000u, 3u}) {
    std::string line(size, 'a');
    if (size > 1) line[size / 2] = '\0';
    lines.push_back(line);
    text += line + (size == 65534u ? "\r\n" : "\n");
  }
  text += "end";
  lines.push_back("end");
  put(path("b.dat"), text);
  auto data = InputChannel::open_old(kReferenceChannel, path("b.dat"));
  std::string& line = data->line_buffer();
  for (std::size_t k = 0; k < lines.size(); ++k) {
    ASSERT_TRUE(data->next_line(line)) << k;
    EXPECT_EQ(line, lines[k]) << k;
    if (k == 2) {
      // A line handed back comes once more, then the file goes on.
      data->repeat_line();
      ASSERT_TRUE(data->next_line(line));
      EXPECT_EQ(line, lines[k]);
    }
  }
  EXPECT_FALSE(data->next_line(line));
  EXPECT_FALSE(data->next_line(line));

  put(path("empty.dat"), "");
  auto empty = InputChannel::open_old(kFocalChannel, path("empty.dat"));
  EXPECT_FALSE(empty->next_line(line));
}

TEST(Console, RedirectedConsoleWritesLinesAndReadsReplies) {
  std::ostringstream out;
  std::istringstream in("ctl.txt\r\n");
  redirect_console(&out, &in);
  console_output().write_line(" banner");
  std::string line;
  EXPECT_TRUE(console_input().next_line(line));
  EXPECT_EQ(line, "ctl.txt");
  console_output().close();  // the console stays connected
  console_output().write_line("after");
  if (::isatty(STDOUT_FILENO) == 0) clear_console();  // no terminal: nothing written
  redirect_console(nullptr, nullptr);
  EXPECT_EQ(out.str(), " banner\r\nafter\r\n");
  EXPECT_EQ(console_input().name(), "stdin");
}

}  // namespace
}  // namespace itemdif::textio

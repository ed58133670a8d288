// The six channels: opening by name with the run-time error numbers, line ends, the console.
#include "textio/channels.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "textio/errors.hpp"

namespace itemdif::textio {
namespace {

constexpr int kWriteFailure = 38;

/// A file name as held in an 80-character text: trailing blanks are padding, not name.
std::string trimmed_name(std::string_view name) {
  std::size_t end = name.find_last_not_of(' ');
  return std::string(end == std::string_view::npos ? std::string_view{} : name.substr(0, end + 1));
}

/// Names the operating system cannot take at all; everything else is left to the open itself.
bool is_invalid_name(const std::string& name) {
  return name.empty() || name.find('\0') != std::string::npos;
}

bool is_directory(const std::string& name) {
  std::error_code ignored;
  return std::filesystem::is_directory(name, ignored);
}

}  // namespace

OutputChannel::OutputChannel(int unit, std::string name, std::ostream& sink)
    : unit_(unit), name_(std::move(name)), sink_(&sink) {}

std::unique_ptr<OutputChannel> OutputChannel::open_unknown(int unit, std::string_view name) {
  std::string path = trimmed_name(name);
  if (is_invalid_name(path)) throw IoError(43, unit, path);
  if (is_directory(path)) throw IoError(30, unit, path);
  // Cut at open rather than at the first write: a run that fails before its first report line
  // must not leave an earlier run's report looking like this run's result.
  auto file = std::make_unique<std::ofstream>();
  errno = 0;
  file->open(path, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!file->is_open()) throw IoError(errno == ENAMETOOLONG ? 43 : 30, unit, path);
  auto channel = std::make_unique<OutputChannel>(unit, path, *file);
  channel->file_ = std::move(file);
  return channel;
}

void OutputChannel::write_line(std::string_view text) {
  if (sink_ == nullptr) return;
  sink_->write(text.data(), static_cast<std::streamsize>(text.size()));
  sink_->write("\r\n", 2);
}

void OutputChannel::write_partial(std::string_view text) {
  if (sink_ == nullptr) return;
  sink_->write(text.data(), static_cast<std::streamsize>(text.size()));
}

void OutputChannel::flush() {
  if (sink_ == nullptr) return;
  sink_->flush();
  if (file_ && !*file_) {
    sink_ = nullptr;
    throw IoError(kWriteFailure, unit_, name_);
  }
}

void OutputChannel::close() {
  if (!file_) {
    flush();
    return;
  }
  if (sink_ == nullptr) return;
  file_->close();
  sink_ = nullptr;
  if (!*file_) throw IoError(kWriteFailure, unit_, name_);
}

InputChannel::InputChannel(int unit, std::string name, std::istream& source)
    : unit_(unit), name_(std::move(name)), source_(&source) {}

std::unique_ptr<InputChannel> InputChannel::open_old(int unit, std::string_view name) {
  std::string path = trimmed_name(name);
  if (is_invalid_name(path)) throw IoError(43, unit, path);
  if (is_directory(path)) throw IoError(30, unit, path);
  auto file = std::make_unique<std::ifstream>();
  errno = 0;
  file->open(path, std::ios::in | std::ios::binary);
  if (!file->is_open()) {
    int number = 30;
    if (errno == ENOENT || errno == ENOTDIR) number = 29;
    if (errno == ENAMETOOLONG) number = 43;
    throw IoError(number, unit, path);
  }
  auto channel = std::make_unique<InputChannel>(unit, path, *file);
  channel->file_ = std::move(file);
  return channel;
}

bool InputChannel::next_line(std::string& line) {
  if (repeat_) {
    repeat_ = false;
    if (&line != &line_buffer_) line = line_buffer_;
    return true;
  }
  if (file_) return next_block_line(line);
  if (!std::getline(*source_, line)) {
    line.clear();
    return false;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

bool InputChannel::next_block_line(std::string& line) {
  constexpr std::size_t kBlockSize = 1 << 16;
  if (!block_) block_ = std::make_unique<char[]>(kBlockSize);
  line.clear();
  bool any = false;
  for (;;) {
    if (block_at_ == block_end_) {
      // A read error ends the file as it ends a line-by-line read.
      const std::streamsize got =
          file_->rdbuf()->sgetn(block_.get(), static_cast<std::streamsize>(kBlockSize));
      block_at_ = 0;
      block_end_ = got > 0 ? static_cast<std::size_t>(got) : 0;
      if (block_end_ == 0) {
        if (!any) return false;
        break;
      }
    }
    any = true;
    const char* start = block_.get() + block_at_;
    const std::size_t left = block_end_ - block_at_;
    const auto* end = static_cast<const char*>(std::memchr(start, '\n', left));
    if (end != nullptr) {
      line.append(start, static_cast<std::size_t>(end - start));
      block_at_ += static_cast<std::size_t>(end - start) + 1;
      break;
    }
    line.append(start, left);
    block_at_ = block_end_;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

void InputChannel::fail(int number, std::string info) const {
  throw IoError(number, unit_, name_, std::move(info));
}

namespace {

OutputChannel& console_output_object() {
  static OutputChannel channel(kConsoleOutput, "stdout", std::cout);
  return channel;
}

InputChannel& console_input_object() {
  static InputChannel channel(kConsoleInput, "stdin", std::cin);
  return channel;
}

}  // namespace

OutputChannel& console_output() { return console_output_object(); }

InputChannel& console_input() {
  // The prompt must be on the screen before the program waits for the reply, also when the
  // console has been pointed at other streams.
  console_output_object().flush();
  return console_input_object();
}

void redirect_console(std::ostream* out, std::istream* in) {
  OutputChannel& output = console_output_object();
  output.flush();
  output.sink_ = out != nullptr ? out : &std::cout;
  InputChannel& input = console_input_object();
  input.source_ = in != nullptr ? in : &std::cin;
  input.line_buffer_.clear();
  input.repeat_ = false;
}

void clear_console() {
  if (::isatty(STDOUT_FILENO) == 0) return;
  OutputChannel& output = console_output_object();
  output.write_partial("\x1b[H\x1b[2J");
  output.flush();
}

}  // namespace itemdif::textio

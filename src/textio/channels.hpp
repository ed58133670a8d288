// The six channels: console input 5 and output 6, report 11, control file 12, data files 20, 30.
#pragma once

#include <fstream>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

namespace itemdif::textio {

inline constexpr int kConsoleInput = 5;
inline constexpr int kConsoleOutput = 6;
inline constexpr int kReportChannel = 11;
inline constexpr int kControlChannel = 12;
inline constexpr int kReferenceChannel = 20;
inline constexpr int kFocalChannel = 30;

/// A channel written line by line. Every line ends with CR LF after its last written character.
class OutputChannel {
 public:
  /// Writes to a stream the caller owns (the console, or a test's string stream).
  OutputChannel(int unit, std::string name, std::ostream& sink);
  /// Opens `name` (trailing blanks ignored) with status "unknown": created, or replaced.
  /// Throws IoError 43 (invalid name) or 30 (refused).
  static std::unique_ptr<OutputChannel> open_unknown(int unit, std::string_view name);

  void write_line(std::string_view text);     ///< text, then CR LF
  void write_partial(std::string_view text);  ///< text with no line end (after "$")
  /// Writes pending lines out. A file channel whose writes failed (a full disk, say) throws
  /// IoError 38 here and in close(), so a report is never cut short in silence.
  void flush();
  /// Flushes and closes a file opened by name; later writes are ignored. The console stays
  /// connected (it is only flushed).
  void close();
  bool is_open() const { return sink_ != nullptr; }

  int unit() const { return unit_; }
  const std::string& name() const { return name_; }

 private:
  int unit_;
  std::string name_;
  std::unique_ptr<std::ofstream> file_;  // owned when opened by name
  std::ostream* sink_;

  friend void redirect_console(std::ostream* out, std::istream* in);
};

/// A channel read line by line. Lines of any length; a CR just before the LF is dropped.
class InputChannel {
 public:
  InputChannel(int unit, std::string name, std::istream& source);
  /// Opens `name` (trailing blanks ignored) with status "Old". Throws IoError 29 when it does
  /// not exist, 43 for an invalid name, 30 when refused.
  static std::unique_ptr<InputChannel> open_old(int unit, std::string_view name);

  /// The next line, or false at the end of the file. A last line without a line feed is
  /// still a line; an empty file has none.
  bool next_line(std::string& line);
  /// The next call of next_line gives the line now in line_buffer() once more: a reader that
  /// looked at a line and declined it hands it on unread.
  void repeat_line() { repeat_ = true; }
  /// A buffer that read operations reuse for the current line, so that reading a long file
  /// allocates nothing per line.
  std::string& line_buffer() { return line_buffer_; }
  /// Throws IoError{number, unit, name}.
  [[noreturn]] void fail(int number, std::string info = {}) const;

  int unit() const { return unit_; }
  const std::string& name() const { return name_; }

 private:
  int unit_;
  std::string name_;
  bool next_block_line(std::string& line);

  std::unique_ptr<std::ifstream> file_;
  std::istream* source_;
  std::string line_buffer_;
  bool repeat_ = false;
  // A file opened by name is read in blocks; the console keeps reading line by line, since a
  // block read from a terminal would wait for more than the line asked for.
  std::unique_ptr<char[]> block_;
  std::size_t block_at_ = 0;
  std::size_t block_end_ = 0;

  friend void redirect_console(std::ostream* out, std::istream* in);
};

/// The console: channel 6 writes to standard output, channel 5 reads standard input.
/// Tests may point them elsewhere; pass nullptr to restore the standard streams.
/// Messages name them as files "stdout" and "stdin".
OutputChannel& console_output();
InputChannel& console_input();
void redirect_console(std::ostream* out, std::istream* in);

/// Clears the console with an ANSI sequence, only when standard output is a terminal.
void clear_console();

}  // namespace itemdif::textio

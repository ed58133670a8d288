// Test fixture for whole analyses: a temporary folder for the control, data and report files,
// and two ways to run: in-process with the console on strings, or the built program.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run.hpp"
#include "support/console_capture.hpp"
#include "textio/channels.hpp"

namespace itemdif::driver::testing {

/// How one run ended and what it showed.
struct RunResult {
  int status = -1;
  std::string console;  ///< everything written to the console, line ends included
  std::string errors;   ///< the run-time error line(s)
};

/// Control-file values with defaults that make a small, valid analysis; `text()` writes them
/// in the order and form of the control file.
struct ControlFile {
  std::string title = "Test analysis";
  int model = 1;
  std::string reference_file = "REF.DAT";
  int n_reference = 0;
  int n_items = 0;
  std::string reference_layout = "(20F1.0)";
  std::string focal_file = "FOC.DAT";
  int n_focal = 0;
  std::string focal_layout = "(20F1.0)";
  std::string output_file = "OUT.TXT";
  std::vector<int> low = {0};
  std::vector<int> high = {100};
  std::string labels_flag = "N";
  std::vector<int> labels;

  std::string text() const {
    std::ostringstream out;
    out << ">TITLE:" << title << "\n";
    out << ">MODEL: " << model << "\n";
    out << ">REFERENCE: " << reference_file << " " << n_reference << " " << n_items << "\n";
    out << reference_layout << "\n";
    out << ">FOCAL: " << focal_file << " " << n_focal << "\n";
    out << focal_layout << "\n";
    out << ">OUTPUT: " << output_file << "\n";
    out << ">LEVELS: " << low.size() << "\n";
    out << join(low) << "\n" << join(high) << "\n";
    out << ">LABELS: " << labels_flag << "\n";
    if (!labels.empty()) out << join(labels) << "\n";
    return out.str();
  }

  static std::string join(const std::vector<int>& values) {
    std::string text;
    for (int v : values) text += (text.empty() ? "" : " ") + std::to_string(v);
    return text;
  }
};

/// Data lines, one per examinee, each score in one column.
inline std::string score_lines(const std::vector<std::vector<int>>& scores) {
  std::string text;
  for (const auto& row : scores) {
    for (int s : row) text += static_cast<char>('0' + s);
    text += "\n";
  }
  return text;
}

/// Scores of `n` examinees on `n_items` items with both answers on every item: examinee i
/// answers item j correctly when (i * (j + 2) + seed) % 3 != 0.
inline std::vector<std::vector<int>> varied_scores(int n, int n_items, int seed) {
  std::vector<std::vector<int>> scores(n, std::vector<int>(n_items));
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n_items; ++j) scores[i][j] = (i * (j + 2) + seed) % 3 != 0 ? 1 : 0;
  return scores;
}

class AnalysisTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> serial{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("itemdif-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
            std::to_string(::getpid()) + "-" + std::to_string(serial++));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }

  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  std::filesystem::path path(const std::string& name) const { return dir_ / name; }

  void write_file(const std::string& name, const std::string& text) const {
    std::ofstream out(path(name), std::ios::binary);
    out << text;
  }

  bool exists(const std::string& name) const { return std::filesystem::exists(path(name)); }

  std::string read_file(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  /// Writes `control` as test.ctl and its data files.
  void write_analysis(const ControlFile& control, const std::string& reference_data,
                      const std::string& focal_data) const {
    write_file("test.ctl", control.text());
    write_file(control.reference_file, reference_data);
    write_file(control.focal_file, focal_data);
  }

  /// One analysis in this process, in the test's folder, with `reply` typed at the prompt.
  RunResult run_in_process(const std::string& reply = "test.ctl\n") {
    std::ostringstream errors;
    itemdif::testing::FreshFacility facility;
    RunResult result;
    result.console = in_folder([&] { result.status = run_dialogue(errors); }, reply);
    result.errors = errors.str();
    return result;
  }

  /// Calls `body` in the test's folder with the console on strings (`input` as its typed
  /// lines) and returns what the console showed. Exceptions pass through, after the folder and
  /// the console are restored.
  template <typename Body>
  std::string in_folder(Body&& body, const std::string& input = {}) {
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    struct Restore {
      std::filesystem::path previous;
      ~Restore() { std::filesystem::current_path(previous); }
    } restore{previous};
    itemdif::testing::CapturedConsole console(input);
    body();
    return console.text();
  }

  /// The built program, run in the test's folder with `reply` as its standard input.
  RunResult run_binary(const std::string& reply = "test.ctl\n") {
    write_file("stdin.txt", reply);
    const std::string command = "cd '" + dir_.string() + "' && '" + ITEMDIF_BINARY +
                                "' <stdin.txt >stdout.txt 2>stderr.txt";
    const int raw = std::system(command.c_str());
    RunResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.console = read_file("stdout.txt");
    result.errors = read_file("stderr.txt");
    return result;
  }

  /// The lines of a text written by the program, without their CR LF ends. A line that does
  /// not end with CR LF fails the test.
  static std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t end = text.find('\n', start);
      if (end == std::string::npos) {
        ADD_FAILURE() << "last line has no line end: [" << text.substr(start) << "]";
        result.push_back(text.substr(start));
        break;
      }
      EXPECT_TRUE(end > start && text[end - 1] == '\r') << "line without CR LF at " << start;
      result.push_back(text.substr(start, end > start ? end - start - 1 : 0));
      start = end + 1;
    }
    return result;
  }

  std::filesystem::path dir_;
};

}  // namespace itemdif::driver::testing

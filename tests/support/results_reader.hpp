// Test support: the results files read back — CSV by a small RFC 4180 reader of the tests'
// own, JSON through nlohmann — and a scratch folder per test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <unistd.h>
#include <sstream>
#include <string>
#include <vector>

namespace itemdif::testing {

/// The whole file, bytes as they are.
inline std::string file_text(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

/// A CSV file: its header and its rows, each row a map from column name to cell text.
struct CsvFile {
  std::vector<std::string> header;
  std::vector<std::map<std::string, std::string>> rows;
};

/// Parses RFC 4180 text with LF line ends; a CR anywhere fails the test, as does a row whose
/// length differs from the header's.
inline CsvFile parse_csv(const std::string& text) {
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> record;
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      record.push_back(std::move(field));
      field.clear();
    } else if (c == '\n') {
      record.push_back(std::move(field));
      field.clear();
      records.push_back(std::move(record));
      record.clear();
    } else {
      EXPECT_NE(c, '\r') << "CR outside a quoted field";
      field += c;
    }
  }
  EXPECT_FALSE(quoted) << "unterminated quote";
  EXPECT_TRUE(field.empty() && record.empty()) << "last line without LF";
  CsvFile file;
  if (records.empty()) return file;
  file.header = records.front();
  for (std::size_t r = 1; r < records.size(); ++r) {
    EXPECT_EQ(records[r].size(), file.header.size()) << "row " << r;
    std::map<std::string, std::string> row;
    for (std::size_t c = 0; c < file.header.size() && c < records[r].size(); ++c)
      row[file.header[c]] = records[r][c];
    file.rows.push_back(std::move(row));
  }
  return file;
}

inline CsvFile read_csv(const std::filesystem::path& path) { return parse_csv(file_text(path)); }

inline nlohmann::ordered_json read_json(const std::filesystem::path& path) {
  return nlohmann::ordered_json::parse(file_text(path));
}

/// A cell's number, read back exactly; fails the test for text that is not a number as a whole.
inline double cell_number(const std::string& text) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  EXPECT_TRUE(error == std::errc{} && end == text.data() + text.size())
      << "\"" << text << "\" is not a number";
  return value;
}

/// An empty folder under the system's temporary folder, named after the test and the process,
/// removed again at the end.
class ScratchFolder {
 public:
  ScratchFolder() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            (std::string("itemdif-") + test->test_suite_name() + "-" + test->name() + "-" +
             std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  /// The names in `folder` (the scratch folder when empty), hidden ones too, sorted.
  std::vector<std::string> names(const std::filesystem::path& folder = {}) const {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? path_ : folder))
      found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    return found;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace itemdif::testing

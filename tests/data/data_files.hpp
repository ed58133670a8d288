// Data files written for one test into a directory of its own, removed afterwards.
#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "data/item_scores.hpp"

namespace itemdif::data::testing {

class DataDir {
 public:
  DataDir() {
    static std::atomic<int> serial{0};
    path_ = std::filesystem::temp_directory_path() /
            ("itemdif-data-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
    std::filesystem::create_directories(path_);
  }
  ~DataDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  DataDir(const DataDir&) = delete;
  DataDir& operator=(const DataDir&) = delete;

  /// Writes `bytes` exactly as given and returns the file's path.
  std::string write(const std::string& name, std::string_view bytes) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file.string();
  }
  std::string path(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline ReadOptions options_for(const std::string& path, const std::string& group = "g",
                               const std::string& focal = "F") {
  ReadOptions options;
  options.path = path;
  options.group_column = group;
  options.focal_values = {focal};
  return options;
}

/// The message of the InputError that reading throws, or "no error".
inline std::string read_error(const ReadOptions& options) {
  try {
    read_item_scores(options);
  } catch (const InputError& error) {
    return error.what();
  }
  return "no error";
}

/// The scores of examinee i, one character per item: '0', '1' or '.'.
inline std::string row_text(const ItemScores& scores, std::size_t i) {
  std::string text;
  for (std::size_t j = 0; j < scores.n_items(); ++j) {
    const std::uint8_t s = scores.score(i, j);
    text += s == kMissing ? '.' : static_cast<char>('0' + s);
  }
  return text;
}

}  // namespace itemdif::data::testing

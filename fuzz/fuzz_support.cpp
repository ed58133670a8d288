// The fuzz targets' private folder and the reset of the program's global state.
#include "fuzz_support.hpp"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "cli/command_line.hpp"
#include "numerr/error_stack.hpp"
#include "textio/channels.hpp"

namespace itemdif::fuzz {
namespace {

std::string make_folder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "itemdif-fuzz-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
  return pattern;
}

}  // namespace

const std::string& work_folder() {
  static const std::string folder = make_folder();
  return folder;
}

void fresh_state() {
  namespace fs = std::filesystem;
  const fs::path folder = work_folder();
  fs::current_path(folder);
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    std::error_code ignored;
    // Output folders an input made may have lost their permissions: give them back first.
    fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(entry.path(), ignored);
  }
  reset_program_state();
}

void reset_program_state() {
  numerr::reset_error_facility();
  static std::ostringstream console_out;
  static std::istringstream console_in;
  console_out.str({});
  console_out.clear();
  console_in.str({});
  console_in.clear();
  textio::redirect_console(&console_out, &console_in);
}

void write_file(const std::string& name, std::string_view bytes) {
  std::ofstream file(std::filesystem::path(work_folder()) / name, std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> split(std::string_view input, char separator) {
  std::vector<std::string> parts;
  for (;;) {
    const std::size_t at = input.find(separator);
    parts.emplace_back(input.substr(0, at));
    if (at == std::string_view::npos) return parts;
    input.remove_prefix(at + 1);
  }
}

bool stays_inside(std::string_view name) {
  return name.find('/') == std::string_view::npos && name.find("..") == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

void run_arguments(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::ostringstream out;
  std::ostringstream err;
  cli::run_command_line(static_cast<int>(argv.size() - 1), argv.data(), out, err);
}

}  // namespace itemdif::fuzz

// What the fuzz targets share: a private temporary folder that is the working folder, files
// written into it, and the program's global state set back before every input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace itemdif::fuzz {

/// Makes the private folder (once) and the working folder, empties it, and resets the
/// program's state. Call at the start of every input.
void fresh_state();

/// Resets the error facility and points the console at empty streams.
void reset_program_state();

/// The private folder's absolute path.
const std::string& work_folder();

/// Writes `bytes` to `name` in the working folder.
void write_file(const std::string& name, std::string_view bytes);

/// The input split at every `separator` byte.
std::vector<std::string> split(std::string_view input, char separator);

/// Whether a name given by the input stays in the working folder: no folder separator and no
/// parent. A target skips inputs naming anything else, so that nothing is read or written
/// outside the private folder.
bool stays_inside(std::string_view name);

/// Runs the command line on `arguments` (the program's name first), its output and messages
/// kept in memory and dropped.
void run_arguments(std::vector<std::string> arguments);

/// The bytes of a fuzz input.
inline std::string_view bytes_of(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace itemdif::fuzz

// Texts of the run-time error messages.
#include "textio/errors.hpp"

#include <string>

namespace itemdif::textio {
namespace {

const char* message_text(int number) {
  switch (number) {
    case 24: return "end-of-file during read";
    case 29: return "file not found";
    case 30: return "open failure";
    case 38: return "error during write";
    case 41: return "insufficient virtual memory";
    case 43: return "file name specification error";
    case 59: return "list-directed I/O syntax error";
    case 60: return "infinite format loop";
    case 61: return "format/variable-type mismatch";
    case 62: return "syntax error in format";
    case 64: return "input conversion error";
    default: return "input/output error";
  }
}

std::string describe(int number, int unit, const std::string& file) {
  std::string text = message_text(number);
  if (unit != 0) text += ", unit " + std::to_string(unit) + ", file " + file;
  return text;
}

}  // namespace

IoError::IoError(int number_, int unit_, std::string file_, std::string info_)
    : std::runtime_error(describe(number_, unit_, file_)),
      number(number_),
      unit(unit_),
      file(std::move(file_)),
      info(std::move(info_)) {}

std::string IoError::text() const { return what(); }

LayoutError::LayoutError(int number_, std::string info_)
    : std::runtime_error(message_text(number_)), number(number_), info(std::move(info_)) {}

}  // namespace itemdif::textio

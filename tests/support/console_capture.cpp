#include "console_capture.hpp"

#include "numerr/error_stack.hpp"
#include "textio/channels.hpp"

namespace itemdif::testing {

CapturedConsole::CapturedConsole(const std::string& typed) : in_(typed) {
  textio::redirect_console(&out_, &in_);
}

CapturedConsole::~CapturedConsole() {
  textio::console_output().flush();
  textio::redirect_console(nullptr, nullptr);
}

std::string CapturedConsole::text() {
  textio::console_output().flush();
  return out_.str();
}

void CapturedConsole::clear() {
  textio::console_output().flush();
  out_.str({});
}

Lines CapturedConsole::take_lines() {
  const std::string written = text();
  clear();
  return crlf_lines(written);
}

Lines crlf_lines(const std::string& text) {
  Lines lines;
  for (std::size_t start = 0, end; start < text.size(); start = end + 2) {
    end = text.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "line without CR LF: [" << text.substr(start) << "]";
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

FreshFacility::FreshFacility() { numerr::reset_error_facility(); }
FreshFacility::~FreshFacility() { numerr::reset_error_facility(); }

}  // namespace itemdif::testing

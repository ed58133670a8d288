// Keyword texts of the control file.
#include "driver/keyword.hpp"

#include <algorithm>

namespace itemdif::driver {

void upcase_keyword(std::string& text) {
  // Only plain ASCII letters change: the locale must not turn other bytes of a keyword into
  // something that would pass the test.
  const std::size_t end = std::min<std::size_t>(text.size(), 15);
  for (std::size_t i = 0; i < end; ++i)
    if (text[i] >= 'a' && text[i] <= 'z') text[i] = static_cast<char>(text[i] - 32);
}

}  // namespace itemdif::driver

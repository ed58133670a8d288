// Keyword texts of the control file.
#pragma once

#include <string>

namespace itemdif::driver {

/// Upper-cases, in place, the letters a to z among the first 15 characters of `text` (never
/// beyond its length); every other character stays as it is.
void upcase_keyword(std::string& text);

}  // namespace itemdif::driver

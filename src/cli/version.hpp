// The program's version, shown by --version and recorded in the results.
#pragma once

namespace itemdif::cli {

inline constexpr const char* kVersion = "0.3.0";

}  // namespace itemdif::cli

// The fatal conditions of the analysis. A stage that meets one throws it; the run sequence
// alone writes its message and ends the run (run.cpp).
#pragma once

#include <string>

namespace itemdif::driver {

enum class StopReason {
  keyword_missing,       ///< a control-file record without its keyword
  no_variance,           ///< an item every examinee of a group answered alike
  conditioning_windows,  ///< an item with no level that can weigh its odds ratio
};

struct AnalysisStop {
  StopReason reason;
  std::string keyword;  ///< the keyword expected, for keyword_missing
};

}  // namespace itemdif::driver

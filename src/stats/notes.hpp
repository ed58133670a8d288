// Notes: why values are undefined, one reason after another.
#pragma once

#include <string>

namespace itemdif::stats {

/// Appends a reason to a note, "; " between reasons.
inline void add_note(std::string& note, const std::string& reason) {
  if (reason.empty()) return;
  if (!note.empty()) note += "; ";
  note += reason;
}

}  // namespace itemdif::stats

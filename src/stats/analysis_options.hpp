// The choices of an analysis: missing responses, levels, purification, flag rule, adjustment
// and the methods computed.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace itemdif::stats {

enum class MissingPolicy { excluded, incorrect, listwise };
enum class PurifyMode { iterative, two_pass, none };
enum class FlagRule { ets, ets_c, p };
enum class Adjust { none, holm, bh };

/// How the matching scores are cut into levels.
struct LevelSpec {
  enum class Kind { thin, equal_width, bounds };
  Kind kind = Kind::thin;
  int count = 0;                            ///< K of equal_width
  std::vector<std::pair<int, int>> bounds;  ///< (low, high) of explicit levels, as given
};

struct AnalyzeOptions {
  MissingPolicy missing = MissingPolicy::excluded;
  LevelSpec levels;
  int min_per_group = 1;
  PurifyMode purify = PurifyMode::iterative;
  int max_rounds = 10;
  FlagRule flag = FlagRule::ets;
  double alpha = 0.05;
  Adjust adjust = Adjust::none;
  /// The methods computed, as positions in the method list (`methods()`), in list order. The
  /// first method, Mantel-Haenszel, is always among them: the flag rule rests on it.
  std::vector<std::size_t> methods = {0, 1, 2, 3};
  /// Threads for the items' statistics; 0 is every core. Results do not depend on it.
  unsigned threads = 0;
};

}  // namespace itemdif::stats

// The choices of an analysis: missing responses, levels, purification, flag rule, adjustment
// and the methods computed.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace itemdif::stats {

enum class MissingPolicy { excluded, incorrect, listwise };
enum class PurifyMode { iterative, two_pass, none };
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
  /// The flag rule as `--flag` names it; each method declares the rules that read its values.
  std::string flag = "ets";
  double alpha = 0.05;
  Adjust adjust = Adjust::none;
  /// The methods computed, as positions in the method list (`methods()`), in list order; empty:
  /// the methods run by default. The first method, Mantel-Haenszel, is always among them: the
  /// flag rule rests on it.
  std::vector<std::size_t> methods;
  /// Examinees of each group a SIBTEST stratum needs to be kept.
  int sib_min = 6;
  /// Items tested together as one (SIBTEST's bundles): a name and item positions each.
  struct Bundle {
    std::string name;
    std::vector<std::size_t> items;
  };
  std::vector<Bundle> bundles;
  /// The anchor items (positions): the matching items of every analysis, with no purification.
  std::optional<std::vector<std::size_t>> anchors;
  /// Threads for the items' statistics; 0 is every core. Results do not depend on it.
  unsigned threads = 0;
};

}  // namespace itemdif::stats

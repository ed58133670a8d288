// Bundles of items tested as one, in a comparison's last round: one pass over the comparison's
// examinees gathers each bundle's examinees by group, subtest score (the matching items outside
// the bundle) and bundle score, and the moments of the subtest's items; the methods that test
// bundles read these tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "stats/analysis.hpp"
#include "stats/method.hpp"

namespace itemdif::stats {

/// Bundle `index` of the options in one comparison, counted for the methods.
struct BundleTable {
  std::size_t index = 0;
  ItemRange range;  ///< sums of the bundle items' lowest and highest scores
  std::vector<std::size_t> subtest;  ///< the matching items outside the bundle
  int x_low = 0, x_high = -1;        ///< the subtest scores counted
  /// [((x - x_low) * 2 + g) * scores + (y - range.score_min)], g 0 reference and 1 focal.
  std::vector<double> n;
  /// [g * subtest.size() + s]: subtest item s over group g's examinees of the bundle.
  std::vector<Moments> moments;

  double at(int x, std::size_t g, int y) const {
    const auto scores = static_cast<std::size_t>(range.score_max - range.score_min + 1);
    return n[(static_cast<std::size_t>(x - x_low) * 2 + g) * scores +
             static_cast<std::size_t>(y - range.score_min)];
  }
};

/// The tables of every bundle of `options` in the comparison `frame`, matched on `matching`.
std::vector<BundleTable> bundle_tables(const AnalysisFrame& frame, const AnalyzeOptions& options,
                                       const std::vector<std::uint8_t>& matching);

/// Every bundle's values in the comparison: the values of each method run that tests bundles.
std::vector<BundleResult> bundle_values(const AnalysisFrame& frame, const AnalyzeOptions& options,
                                        const std::vector<std::uint8_t>& matching);

}  // namespace itemdif::stats

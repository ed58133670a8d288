// The Mantel-Haenszel sums of one item over its two-by-two tables, shared by every analysis
// that reports Mantel-Haenszel statistics so that they add the same terms in the same order.
#pragma once

#include <span>

namespace itemdif::stats {

/// The two-by-two table of one level: A, B reference correct and incorrect, C, D focal correct
/// and incorrect, with the group sizes and the level size as the caller counts them.
struct MhCell {
  double a = 0;
  double b = 0;
  double c = 0;
  double d = 0;
  double nr = 0;  ///< reference examinees (A + B)
  double nf = 0;  ///< focal examinees (C + D)
  double n = 0;   ///< both groups
};

/// The sums over the cells, each added in cell order.
struct MhSums {
  double ad_n = 0;      ///< sum of A D / N, the odds ratio's numerator
  double bc_n = 0;      ///< sum of B C / N, its denominator
  double alpha = 0;     ///< ad_n / bc_n (infinite or not-a-number when bc_n is 0)
  double observed = 0;  ///< sum of A
  double expected = 0;  ///< sum of (A + C) nR / N
  double variance = 0;  ///< sum of nR nF m1 m0 / (N^2 (N - 1))
  /// Sum of (A D + alpha B C)(A + D + (B + C) alpha) / (2 N^2), the numerator of the
  /// Robins-Breslow-Greenland variance of ln alpha: SE(ln alpha) = sqrt(rbg) / ad_n.
  double rbg = 0;
};

/// The sums over `cells` in the order given. Every cell must have N > 1 for the variance term
/// to be finite; cells with N <= 0 must not be passed.
MhSums mh_sums(std::span<const MhCell> cells);

}  // namespace itemdif::stats

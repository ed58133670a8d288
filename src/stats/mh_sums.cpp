// The Mantel-Haenszel sums of one item over its two-by-two tables.
#include "stats/mh_sums.hpp"

namespace itemdif::stats {

MhSums mh_sums(std::span<const MhCell> cells) {
  MhSums s;
  for (const MhCell& t : cells) {
    s.ad_n += (t.a * t.d) / t.n;
    s.bc_n += (t.b * t.c) / t.n;
  }
  s.alpha = s.ad_n / s.bc_n;
  for (const MhCell& t : cells) {
    const double m1 = t.a + t.c;
    const double m0 = t.b + t.d;
    s.observed += t.a;
    s.expected += (t.a + t.c) * t.nr / t.n;
    s.variance += t.nr * t.nf * m1 * m0 / (t.n * t.n * (t.n - 1.0));
  }
  // The odds ratio enters the variance numerator; each term keeps the grouping of its factors.
  const double alpha = s.alpha;
  for (const MhCell& t : cells) {
    s.rbg += (t.a * t.d + alpha * t.b * t.c) * (t.a + t.d + (t.b + t.c) * alpha) /
             (t.n * 2.0 * t.n);
  }
  return s;
}

}  // namespace itemdif::stats

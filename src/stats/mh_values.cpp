// The Mantel-Haenszel values of one item.
#include "stats/mh_values.hpp"

#include <cmath>

#include "stats/mh_sums.hpp"

namespace itemdif::stats {

void add_note(std::string& note, const std::string& reason) {
  if (!note.empty()) note += "; ";
  note += reason;
}

std::string ets_class(double d_dif, double d_dif_se, double p, double alpha) {
  const double size = std::fabs(d_dif);
  if (size < 1.0 || p >= alpha) return "A";
  const char sign = d_dif < 0 ? '-' : '+';
  if (size >= 1.5 && (size - 1.0) / d_dif_se > kZ95) return std::string("C") + sign;
  return std::string("B") + sign;
}

MhValues mh_values(const std::vector<LevelRow>& levels, double alpha, std::string& note) {
  std::vector<MhCell> cells;
  for (const LevelRow& level : levels) {
    if (!level.used) continue;
    MhCell cell;
    cell.a = level.reference_correct;
    cell.b = level.reference_incorrect;
    cell.c = level.focal_correct;
    cell.d = level.focal_incorrect;
    cell.nr = cell.a + cell.b;
    cell.nf = cell.c + cell.d;
    cell.n = cell.nr + cell.nf;
    cells.push_back(cell);
  }
  MhValues mh;
  if (cells.empty()) {
    add_note(note, "no used level: no level has enough examinees of both groups");
    return mh;
  }
  const MhSums s = mh_sums(cells);
  if (!(s.variance > 0)) {
    add_note(note, "no variance: in every used level all examinees answered alike");
    return mh;
  }
  const double difference = std::fabs(s.observed - s.expected);
  const double correction = difference >= 0.5 ? 0.5 : 0.0;
  const double corrected = difference - correction;
  mh.chi_square = corrected * corrected / s.variance;
  mh.p = chi_square_upper_tail(*mh.chi_square);

  if (s.ad_n == 0) {
    add_note(note, "MH odds ratio is 0: no used level has reference correct and focal incorrect"
                   " answers together");
    return mh;
  }
  if (s.bc_n == 0) {
    add_note(note, "MH odds ratio is infinite: no used level has reference incorrect and focal"
                   " correct answers together");
    return mh;
  }
  const double log_alpha = std::log(s.alpha);
  const double se = std::sqrt(s.rbg) / s.ad_n;
  mh.alpha = s.alpha;
  mh.alpha_low = std::exp(log_alpha - kZ95 * se);
  mh.alpha_high = std::exp(log_alpha + kZ95 * se);
  mh.d_dif = -kDDifScale * log_alpha;
  mh.d_dif_se = kDDifScale * se;
  mh.ets_class = ets_class(*mh.d_dif, *mh.d_dif_se, *mh.p, alpha);
  return mh;
}

}  // namespace itemdif::stats

// SIBTEST and crossing SIBTEST.
#include "stats/sibtest.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

#include "stats/notes.hpp"
#include "stats/upper_tails.hpp"

namespace itemdif::stats {
namespace {

constexpr std::array<const char*, 2> kGroupNames = {"reference", "focal"};

/// Count, mean and variance (divisor n-1; 0 below two examinees) of a score.
struct Moments {
  double n = 0, mean = 0, variance = 0;
};

// Two passes, so that a score every examinee shares has a variance of exactly 0.
template <typename CountAt>
Moments moments(int low, int high, CountAt count_at) {
  Moments m;
  double sum = 0;
  for (int v = low; v <= high; ++v) {
    const double n = count_at(v);
    m.n += n;
    sum += n * v;
  }
  if (m.n <= 0) return m;
  m.mean = sum / m.n;
  double squares = 0;
  for (int v = low; v <= high; ++v) {
    const double d = v - m.mean;
    squares += count_at(v) * d * d;
  }
  if (m.n > 1) m.variance = squares / (m.n - 1);
  return m;
}

/// Y in group g at subtest score x.
Moments studied_moments(const SibCounts& counts, int x, int g) {
  return moments(counts.y_low, counts.y_high, [&](int y) { return counts.at(x, g, y); });
}

/// X over group g's examinees.
Moments subtest_moments(const SibCounts& counts, int g) {
  return moments(counts.x_low, counts.x_high, [&](int x) {
    double n = 0;
    for (int y = counts.y_low; y <= counts.y_high; ++y) n += counts.at(x, g, y);
    return n;
  });
}

/// Per group, what the regression correction needs.
struct Group {
  double rho = 0;           ///< coefficient alpha of the subtest
  double x_mean = 0;        ///< Xbar_g
  std::vector<int> scores;  ///< the values of X at which the group has examinees, increasing
  std::vector<Moments> y;   ///< Y at each of `scores`
};

/// One kept stratum with its variance term s²_R/n_R + s²_F/n_F.
struct Kept {
  int k;
  double size;  ///< n_R(k) + n_F(k)
  double difference;
  double variance;
};

/// The regression-corrected difference d_k = Ystar_F(k) - Ystar_R(k) at k, or nothing when k is
/// not kept (too few examinees or no variance of Y in a group, no neighbour below or above).
std::optional<Kept> kept_stratum(const std::array<Group, 2>& groups, int k, int min_per_group) {
  std::array<double, 2> v{}, ystar{}, slope{};
  std::array<Moments, 2> at_k;
  for (int g = 0; g < 2; ++g) {
    const Group& group = groups[g];
    const auto here = std::lower_bound(group.scores.begin(), group.scores.end(), k);
    if (here == group.scores.end() || *here != k) return std::nullopt;
    const std::size_t i = here - group.scores.begin();
    at_k[g] = group.y[i];
    if (at_k[g].n < min_per_group || !(at_k[g].variance > 0)) return std::nullopt;
    if (i == 0 || i + 1 == group.scores.size()) return std::nullopt;
    // The group's nearest scores below and above k, wherever it has examinees.
    const int below = group.scores[i - 1], above = group.scores[i + 1];
    slope[g] = (group.y[i + 1].mean - group.y[i - 1].mean) / (group.rho * (above - below));
    v[g] = group.x_mean + group.rho * (k - group.x_mean);
  }
  const double v_mean = (v[0] + v[1]) / 2;
  for (int g = 0; g < 2; ++g) ystar[g] = at_k[g].mean + slope[g] * (v_mean - v[g]);
  return Kept{k, at_k[0].n + at_k[1].n, ystar[1] - ystar[0],
              at_k[0].variance / at_k[0].n + at_k[1].variance / at_k[1].n};
}

/// Coefficient alpha per group, or the reasons it is not usable.
std::array<Group, 2> groups_of(const SibCounts& counts, const SibReliabilityInput& reliability,
                               SibValues& values) {
  std::array<Group, 2> groups;
  const double items = reliability.subtest_items;
  for (int g = 0; g < 2; ++g) {
    const Moments x = subtest_moments(counts, g);
    groups[g].x_mean = x.mean;
    if (!(x.variance > 0)) {
      add_note(values.note, std::string("no SIBTEST: the subtest score has no variance in the ") +
                                kGroupNames[g] + " group");
      continue;
    }
    const double rho =
        items / (items - 1) * (1 - reliability.item_variance_sum[g] / x.variance);
    if (std::isfinite(rho)) {
      (g == 0 ? values.reliability_reference : values.reliability_focal) = rho;
      groups[g].rho = rho;
    }
    if (!(std::isfinite(rho) && rho > 0)) {
      add_note(values.note, std::string("no SIBTEST: the subtest's reliability is 0 or below in "
                                        "the ") +
                                kGroupNames[g] + " group");
    }
    for (int s = counts.x_low; s <= counts.x_high; ++s) {
      const Moments y = studied_moments(counts, s, g);
      if (y.n <= 0) continue;
      groups[g].scores.push_back(s);
      groups[g].y.push_back(y);
    }
  }
  return groups;
}

void crossing_sibtest(const std::vector<Kept>& kept, double total, SibValues& values) {
  // The weighted least-squares line d = b0 + b1 k, centred at the weighted mean score.
  std::optional<double> crossing;
  if (kept.size() == 1) {
    add_note(values.note, "no crossing point: one kept stratum");
  } else {
    double k_mean = 0, d_mean = 0;
    for (const Kept& s : kept) {
      k_mean += s.size / total * s.k;
      d_mean += s.size / total * s.difference;
    }
    double kk = 0, kd = 0;
    for (const Kept& s : kept) {
      kk += s.size / total * (s.k - k_mean) * (s.k - k_mean);
      kd += s.size / total * (s.k - k_mean) * (s.difference - d_mean);
    }
    const double b1 = kd / kk;
    // c = -b0 / b1 with b0 = d_mean - b1 k_mean.
    const double c = k_mean - d_mean / b1;
    if (b1 == 0 || !std::isfinite(c)) {
      add_note(values.note, "no crossing point: the line of the adjusted differences is flat");
    } else {
      crossing = c;
    }
  }
  values.csib_crossing = crossing;

  // Side 0 (L) holds k <= c, side 1 (U) k > c; every stratum is in L without a crossing point.
  std::array<double, 2> beta{}, variance{};
  std::array<int, 2> strata{};
  for (const Kept& s : kept) {
    const int side = crossing && s.k > *crossing ? 1 : 0;
    const double p = s.size / total;
    beta[side] += p * s.difference;
    variance[side] += p * p * s.variance;
    ++strata[side];
  }
  double chi_square = 0;
  int df = 0;
  for (int side = 0; side < 2; ++side) {
    if (strata[side] == 0 || !(variance[side] > 0)) continue;
    const double z = beta[side] / std::sqrt(variance[side]);
    chi_square += z * z;
    ++df;
  }
  values.csib_beta = std::fabs(beta[1] - beta[0]);
  if (df == 0 || !std::isfinite(chi_square)) {
    add_note(values.note, "no crossing SIBTEST test: no side with a positive variance");
    return;
  }
  values.csib_chi_square = chi_square;
  values.csib_df = df;
  values.csib_p = chi_square_upper_tail(chi_square, df);
}

}  // namespace

SibCounts SibCounts::zeros(int x_low, int x_high, int y_low, int y_high) {
  SibCounts counts{x_low, x_high, y_low, y_high, {}};
  const int xs = std::max(0, x_high - x_low + 1), ys = std::max(0, y_high - y_low + 1);
  counts.n.assign(static_cast<std::size_t>(xs) * 2 * ys, 0.0);
  return counts;
}

std::size_t SibCounts::index(int x, int g, int y) const {
  return (static_cast<std::size_t>(x - x_low) * 2 + g) * (y_high - y_low + 1) + (y - y_low);
}

double SibCounts::at(int x, int g, int y) const {
  if (x < x_low || x > x_high || y < y_low || y > y_high || g < 0 || g > 1) return 0;
  const std::size_t i = index(x, g, y);
  return i < n.size() ? n[i] : 0;
}

void SibCounts::add(int x, int g, int y, double count) { n.at(index(x, g, y)) += count; }

std::string sib_class(double beta, double p, const SibSettings& settings) {
  const double r = std::fabs(beta) / settings.score_range;
  if (r < 0.059 || p >= settings.alpha) return "A";
  const char sign = beta < 0 ? '-' : '+';
  return std::string(r >= 0.088 ? "C" : "B") + sign;
}

SibValues sibtest(const SibCounts& counts, const SibReliabilityInput& reliability,
                  const SibSettings& settings) {
  SibValues values;
  if (reliability.subtest_items < 2) {
    add_note(values.note, "no SIBTEST: a matching subtest of fewer than two items");
    return values;
  }
  const std::array<Group, 2> groups = groups_of(counts, reliability, values);
  if (!(groups[0].rho > 0 && groups[1].rho > 0)) return values;

  // The strata: the values of X at which either group has examinees, less the smallest and
  // the largest.
  std::vector<int> scores;
  std::set_union(groups[0].scores.begin(), groups[0].scores.end(), groups[1].scores.begin(),
                 groups[1].scores.end(), std::back_inserter(scores));
  std::vector<Kept> kept;
  double total = 0;
  for (std::size_t t = 1; t + 1 < scores.size(); ++t) {
    if (const auto s = kept_stratum(groups, scores[t], settings.min_per_group)) {
      kept.push_back(*s);
      total += s->size;
    }
  }
  if (kept.empty()) {
    add_note(values.note, "no SIBTEST: no stratum with " + std::to_string(settings.min_per_group) +
                              " examinees of each group, scores that vary in both and a "
                              "neighbour on each side");
    return values;
  }

  double beta = 0, variance = 0;
  for (const Kept& s : kept) {
    const double p = s.size / total;
    beta += p * s.difference;
    variance += p * p * s.variance;
    values.strata.push_back({s.k, p, s.difference});
  }
  values.beta = beta;
  const double se = std::sqrt(variance);
  const double z = beta / se;
  if (se > 0 && std::isfinite(z)) {
    values.se = se;
    values.chi_square = z * z;
    values.p = chi_square_upper_tail(z * z, 1);
    values.sib_class = sib_class(beta, *values.p, settings);
  } else {
    add_note(values.note, "no SIBTEST test: the standard error of beta is 0");
  }
  crossing_sibtest(kept, total, values);
  return values;
}

}  // namespace itemdif::stats

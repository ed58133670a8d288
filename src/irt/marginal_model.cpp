// One IRT model's marginal log-likelihood, gradient and score outer products.
#include "irt/marginal_model.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "irt/parallel_chunks.hpp"

namespace itemdif::irt {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

double log_sigmoid(double z) { return z >= 0 ? -std::log1p(std::exp(-z)) : z - std::log1p(std::exp(z)); }
double sigmoid(double z) {
  return z >= 0 ? 1.0 / (1.0 + std::exp(-z)) : std::exp(z) / (1.0 + std::exp(z));
}

/// Rows (one per category, kRow nodes each) of log P(Y = y_c | x_q) for slope a and thresholds
/// d[0] > ... > d[m-1]; with `d_slope` also the derivatives of log P in a, in the category's
/// lower threshold d_c and in its upper threshold d_{c+1}.
void category_rows(double a, const double* d, std::size_t m, double* log_p, double* d_slope,
                   double* d_low, double* d_high) {
  for (std::size_t c = 0; c <= m; ++c) {
    double* lp = log_p + c * kRow;
    for (std::size_t q = 0; q < kNodes; ++q) {
      const double x = node(q);
      // P_c = s(z_c) - s(z_{c+1}) = s(z_c) s(-z_{c+1}) (1 - exp(z_{c+1} - z_c)), no cancellation.
      const double z_lo = c >= 1 ? a * x + d[c - 1] : kInf;
      const double z_hi = c < m ? a * x + d[c] : -kInf;
      double v;
      if (c == 0)
        v = log_sigmoid(-z_hi);
      else if (c == m)
        v = log_sigmoid(z_lo);
      else
        v = log_sigmoid(z_lo) + log_sigmoid(-z_hi) + std::log(-std::expm1(z_hi - z_lo));
      lp[q] = v;
      if (d_slope == nullptr) continue;
      const double p = std::exp(v);
      const double w_lo = c >= 1 ? sigmoid(z_lo) * sigmoid(-z_lo) : 0.0;
      const double w_hi = c < m ? sigmoid(z_hi) * sigmoid(-z_hi) : 0.0;
      d_low[c * kRow + q] = w_lo / p;
      d_high[c * kRow + q] = -w_hi / p;
      d_slope[c * kRow + q] = x * (w_lo - w_hi) / p;
    }
    for (std::size_t q = kNodes; q < kRow; ++q) {
      lp[q] = 0.0;
      if (d_slope != nullptr) d_low[c * kRow + q] = d_high[c * kRow + q] = d_slope[c * kRow + q] = 0.0;
    }
  }
}

/// Pieces of the pattern list: their number depends on the patterns only, never on the threads.
std::size_t chunk_count(std::size_t patterns, std::size_t most) {
  return std::clamp<std::size_t>(patterns / 512, 1, most);
}
std::size_t chunk_begin(std::size_t c, std::size_t chunks, std::size_t n) { return n * c / chunks; }

}  // namespace

struct MarginalModel::Tables {
  std::vector<double> log_p, d_slope, d_low, d_high, bundle_log_p;
  std::vector<GroupWeights> weights;
};

MarginalModel::MarginalModel(const ResponsePatterns& data, std::vector<Tie> ties)
    : data_(&data), ties_(std::move(ties)), groups_(data.groups) {
  const std::size_t n_items = data.items.size();
  for (std::size_t k = 0; k < n_items; ++k) {
    offset_.push_back(n_canonical_);
    n_canonical_ += 1 + data.items[k].m();
  }
  n_canonical_ += 2;
  index_.assign(groups_, std::vector<std::size_t>(n_canonical_, npos));
  for (std::size_t k = 0; k < n_items; ++k) {
    const std::size_t m = data.items[k].m();
    const std::size_t o = offset_[k];
    switch (ties_[k]) {
      case Tie::common:
        for (std::size_t p = 0; p <= m; ++p, ++n_params_)
          for (std::size_t g = 0; g < groups_; ++g) index_[g][o + p] = n_params_;
        break;
      case Tie::free:
        for (std::size_t g = 0; g < groups_; ++g)
          for (std::size_t p = 0; p <= m; ++p) index_[g][o + p] = n_params_++;
        break;
      case Tie::common_slope:
        for (std::size_t g = 0; g < groups_; ++g) index_[g][o] = n_params_;
        ++n_params_;
        for (std::size_t g = 0; g < groups_; ++g)
          for (std::size_t p = 1; p <= m; ++p) index_[g][o + p] = n_params_++;
        break;
    }
  }
  for (std::size_t g = 1; g < groups_; ++g) {
    index_[g][n_canonical_ - 2] = n_params_++;
    index_[g][n_canonical_ - 1] = n_params_++;
  }
  active_.assign(n_params_, false);
  for (std::size_t g = 0; g < groups_; ++g) {
    for (std::size_t k = 0; k < n_items; ++k)
      if (data.responses_of(k, g) > 0)
        for (std::size_t p = 0; p <= data.items[k].m(); ++p) active_[index_[g][offset_[k] + p]] = true;
    if (g > 0 && data.examinees[g] > 0) active_[mean(g)] = active_[log_sd(g)] = true;
  }
  for (std::size_t k = 0; k < n_items; ++k)
    for (std::size_t g = 0; g < groups_; ++g) {
      row_offset_.push_back(n_rows_);
      n_rows_ += 1 + data.items[k].m();
    }
  std::size_t all = 0;
  for (std::size_t e : data.examinees) all += e;
  for (std::size_t k = 0; k < n_items; ++k) {
    std::size_t answered = 0;
    for (std::size_t g = 0; g < groups_; ++g) answered += data.responses_of(k, g);
    const std::size_t states = data.items[k].m() + 1 + (answered < all ? 1 : 0);
    if (bundles_.empty() || bundles_.back().states * states > kBundleStates) bundles_.emplace_back();
    Bundle& bundle = bundles_.back();
    bundle.items.push_back(k);
    bundle.radix.push_back(bundle.states);
    bundle.states *= states;
  }
  for (const Bundle& bundle : bundles_)
    for (std::size_t g = 0; g < groups_; ++g) {
      bundle_offset_.push_back(n_bundle_rows_);
      n_bundle_rows_ += bundle.states;
    }
}

Eigen::VectorXd MarginalModel::start() const {
  Eigen::VectorXd x = Eigen::VectorXd::Zero(static_cast<Eigen::Index>(n_params_));
  const ResponsePatterns& data = *data_;
  for (std::size_t k = 0; k < data.items.size(); ++k) {
    const std::size_t m = data.items[k].m();
    std::vector<double> n(m + 1, 0.0);
    for (std::size_t g = 0; g < groups_; ++g)
      for (std::size_t c = 0; c <= m; ++c) n[c] += static_cast<double>(data.responses[k][g][c]);
    double total = 0.0;
    for (double v : n) total += v;
    double above = total, previous = kInf;
    std::vector<double> d(m + 1);
    for (std::size_t c = 1; c <= m; ++c) {
      above -= n[c - 1];
      const double p = std::clamp(above / total, 0.001, 0.999);
      // With slope 1 over N(0, 1), P(Y >= y_c) is close to s(0.86 d_c).
      d[c] = std::min(1.16 * std::log(p / (1 - p)), previous - 0.1);
      previous = d[c];
    }
    for (std::size_t g = 0; g < groups_; ++g) {
      x[static_cast<Eigen::Index>(slope(k, g))] = 1.0;
      for (std::size_t c = 1; c <= m; ++c) x[static_cast<Eigen::Index>(threshold(k, g, c))] = d[c];
    }
  }
  return x;
}

Eigen::VectorXd MarginalModel::from(const MarginalModel& other, const Eigen::VectorXd& x) const {
  Eigen::VectorXd out = start();
  std::vector<bool> set(n_params_, false);
  for (std::size_t g = 0; g < groups_; ++g)
    for (std::size_t p = 0; p < n_canonical_; ++p) {
      const std::size_t i = index_[g][p];
      if (i == npos || set[i]) continue;
      out[static_cast<Eigen::Index>(i)] = x[static_cast<Eigen::Index>(other.index(g, p))];
      set[i] = true;
    }
  return out;
}

GroupWeights MarginalModel::weights(const Eigen::VectorXd& x, std::size_t g) const {
  if (g == 0) return GroupWeights(0.0, 1.0);
  return GroupWeights(x[static_cast<Eigen::Index>(mean(g))], std::exp(x[static_cast<Eigen::Index>(log_sd(g))]));
}

bool MarginalModel::fill_tables(const Eigen::VectorXd& x, Tables& t, bool derivatives) const {
  t.log_p.resize(n_rows_ * kRow);
  if (derivatives) {
    t.d_slope.resize(n_rows_ * kRow);
    t.d_low.resize(n_rows_ * kRow);
    t.d_high.resize(n_rows_ * kRow);
  }
  std::vector<double> d;
  for (std::size_t k = 0; k < data_->items.size(); ++k) {
    const std::size_t m = data_->items[k].m();
    for (std::size_t g = 0; g < groups_; ++g) {
      const double a = x[static_cast<Eigen::Index>(slope(k, g))];
      d.resize(m);
      for (std::size_t c = 1; c <= m; ++c) d[c - 1] = x[static_cast<Eigen::Index>(threshold(k, g, c))];
      if (!std::isfinite(a)) return false;
      for (std::size_t c = 0; c < m; ++c)
        if (!std::isfinite(d[c]) || (c + 1 < m && !(d[c] > d[c + 1]))) return false;
      const std::size_t r = row_offset_[k * groups_ + g] * kRow;
      category_rows(a, d.data(), m, t.log_p.data() + r, derivatives ? t.d_slope.data() + r : nullptr,
                    derivatives ? t.d_low.data() + r : nullptr, derivatives ? t.d_high.data() + r : nullptr);
    }
  }
  t.bundle_log_p.assign(n_bundle_rows_ * kRow, 0.0);
  for (std::size_t b = 0; b < bundles_.size(); ++b) {
    const Bundle& bundle = bundles_[b];
    for (std::size_t g = 0; g < groups_; ++g)
      for (std::size_t code = 0; code < bundle.states; ++code) {
        double* row = t.bundle_log_p.data() + (bundle_offset_[b * groups_ + g] + code) * kRow;
        for (std::size_t i = 0; i < bundle.items.size(); ++i) {
          const std::size_t k = bundle.items[i];
          const std::size_t next = i + 1 < bundle.items.size() ? bundle.radix[i + 1] : bundle.states;
          const std::size_t state = code % next / bundle.radix[i];
          if (state > data_->items[k].m()) continue;  // not answered
          const double* lp = t.log_p.data() + (row_offset_[k * groups_ + g] + state) * kRow;
          for (std::size_t q = 0; q < kRow; ++q) row[q] += lp[q];
        }
      }
  }
  t.weights.clear();
  for (std::size_t g = 0; g < groups_; ++g) {
    if (g > 0 && !std::isfinite(x[static_cast<Eigen::Index>(mean(g))] + x[static_cast<Eigen::Index>(log_sd(g))]))
      return false;
    t.weights.push_back(weights(x, g));
  }
  return true;
}

namespace {

/// The posterior over the nodes of one pattern (into `r`, summing to one) and its log-likelihood;
/// `rows` receives the first table entry of each answered item's category (npos for none).
template <class Rows>
[[gnu::always_inline]] inline double posterior(const ResponsePatterns& data, const std::vector<double>& log_p,
                 const std::vector<std::size_t>& row_offset, const NodeRow& log_w, std::size_t p,
                 Rows& rows, double* r) {
  const std::size_t groups = data.groups;
  const std::size_t g = data.group[p];
  const std::uint8_t* bytes = data.scores.data() + static_cast<std::size_t>(data.row[p]) * data.n_columns;
  alignas(64) double l[kRow];
  std::copy(log_w.begin(), log_w.end(), l);
  for (std::size_t k = 0; k < data.items.size(); ++k) {
    const int c = data.items[k].of_byte[bytes[data.items[k].column]];
    if (c < 0) {
      rows[k] = MarginalModel::npos;
      continue;
    }
    const std::size_t at = (row_offset[k * groups + g] + static_cast<std::size_t>(c)) * kRow;
    rows[k] = at;
    const double* t = log_p.data() + at;
    for (std::size_t q = 0; q < kRow; ++q) l[q] += t[q];
  }
  double top = l[0];
  for (std::size_t q = 1; q < kNodes; ++q) top = std::max(top, l[q]);
  double sum = 0.0;
  for (std::size_t q = 0; q < kRow; ++q) {
    r[q] = std::exp(l[q] - top);
    sum += r[q];
  }
  const double scale = 1.0 / sum;
  for (std::size_t q = 0; q < kRow; ++q) r[q] *= scale;
  return top + std::log(sum);
}

}  // namespace

/// The log-likelihood of patterns [begin, end); with `counts`, adds their expected counts by
/// bundle table row and their posterior mass by group. The hot loop, compiled for AVX2 too and
/// picked at run time; its sums run in the same order either way.
[[gnu::target_clones("avx2", "default")]] double MarginalModel::e_step(
    const Tables& t, std::size_t begin, std::size_t end, double* counts, double* mass,
    std::vector<std::size_t>& rows) const {
  const ResponsePatterns& data = *data_;
  rows.resize(bundles_.size());
  double log_l = 0.0;
  alignas(64) double l[kRow];
  for (std::size_t p = begin; p < end; ++p) {
    const std::size_t g = data.group[p];
    const std::uint8_t* bytes = data.scores.data() + static_cast<std::size_t>(data.row[p]) * data.n_columns;
    std::copy(t.weights[g].log_w.begin(), t.weights[g].log_w.end(), l);
    for (std::size_t b = 0; b < bundles_.size(); ++b) {
      const Bundle& bundle = bundles_[b];
      std::size_t code = 0;
      for (std::size_t i = 0; i < bundle.items.size(); ++i) {
        const ItemCategories& item = data.items[bundle.items[i]];
        const int c = item.of_byte[bytes[item.column]];
        code += (c < 0 ? item.m() + 1 : static_cast<std::size_t>(c)) * bundle.radix[i];
      }
      const std::size_t at = (bundle_offset_[b * groups_ + g] + code) * kRow;
      rows[b] = at;
      const double* row = t.bundle_log_p.data() + at;
      for (std::size_t q = 0; q < kRow; ++q) l[q] += row[q];
    }
    double top = l[0];
    for (std::size_t q = 1; q < kNodes; ++q) top = std::max(top, l[q]);
    // A node 40 below the top adds less than 5e-18 to a sum of at least one: below rounding.
    double sum = 0.0;
    for (std::size_t q = 0; q < kRow; ++q) {
      const double d = l[q] - top;
      l[q] = d < -40.0 ? 0.0 : std::exp(d);
      sum += l[q];
    }
    const double w = data.count[p];
    log_l += w * (top + std::log(sum));
    if (counts == nullptr) continue;
    const double scale = w / sum;
    for (std::size_t q = 0; q < kRow; ++q) l[q] *= scale;
    for (std::size_t at : rows) {
      double* cnt = counts + at;
      for (std::size_t q = 0; q < kRow; ++q) cnt[q] += l[q];
    }
    double* m = mass + g * kRow;
    for (std::size_t q = 0; q < kRow; ++q) m[q] += l[q];
  }
  return log_l;
}

namespace {

}  // namespace

double MarginalModel::log_likelihood(const Eigen::VectorXd& x, Eigen::VectorXd* gradient,
                                     unsigned threads) const {
  if (gradient == nullptr) return log_likelihood_by_group(x, nullptr, threads);
  std::vector<Eigen::VectorXd> by_group;
  const double log_l = log_likelihood_by_group(x, &by_group, threads);
  *gradient = scatter(by_group);
  return log_l;
}

Eigen::VectorXd MarginalModel::scatter(const std::vector<Eigen::VectorXd>& per_group) const {
  Eigen::VectorXd out = Eigen::VectorXd::Zero(static_cast<Eigen::Index>(n_params_));
  for (std::size_t g = 0; g < groups_; ++g)
    for (std::size_t p = 0; p < n_canonical_; ++p)
      if (index_[g][p] != npos) out[static_cast<Eigen::Index>(index_[g][p])] += per_group[g][static_cast<Eigen::Index>(p)];
  return out;
}

double MarginalModel::log_likelihood_by_group(const Eigen::VectorXd& x, std::vector<Eigen::VectorXd>* gradient,
                                              unsigned threads) const {
  const bool want_gradient = gradient != nullptr;
  if (want_gradient)
    gradient->assign(groups_, Eigen::VectorXd::Zero(static_cast<Eigen::Index>(n_canonical_)));
  Tables t;
  if (!fill_tables(x, t, want_gradient)) return -kInf;
  const ResponsePatterns& data = *data_;
  const std::size_t n = data.row.size();
  const std::size_t chunks = chunk_count(n, 16);
  struct Part {
    double log_l = 0.0;
    std::vector<double> counts, mass;  // expected counts by table row; posterior mass by group
  };
  std::vector<Part> parts(chunks);
  parallel_chunks(chunks, threads, [&](std::size_t c) {
    Part& part = parts[c];
    if (want_gradient) {
      part.counts.assign(n_bundle_rows_ * kRow, 0.0);
      part.mass.assign(groups_ * kRow, 0.0);
    }
    std::vector<std::size_t> rows;
    part.log_l = e_step(t, chunk_begin(c, chunks, n), chunk_begin(c + 1, chunks, n),
                        want_gradient ? part.counts.data() : nullptr, part.mass.data(), rows);
  });
  double log_l = 0.0;
  for (const Part& part : parts) log_l += part.log_l;
  if (!want_gradient) return log_l;

  std::vector<double> bundle_counts(n_bundle_rows_ * kRow, 0.0), mass(groups_ * kRow, 0.0);
  for (const Part& part : parts) {
    for (std::size_t i = 0; i < bundle_counts.size(); ++i) bundle_counts[i] += part.counts[i];
    for (std::size_t i = 0; i < mass.size(); ++i) mass[i] += part.mass[i];
  }
  // Each item's expected counts by category: its bundle's counts summed over the other items' states.
  std::vector<double> counts(n_rows_ * kRow, 0.0);
  for (std::size_t b = 0; b < bundles_.size(); ++b) {
    const Bundle& bundle = bundles_[b];
    for (std::size_t g = 0; g < groups_; ++g)
      for (std::size_t code = 0; code < bundle.states; ++code) {
        const double* from = bundle_counts.data() + (bundle_offset_[b * groups_ + g] + code) * kRow;
        for (std::size_t i = 0; i < bundle.items.size(); ++i) {
          const std::size_t k = bundle.items[i];
          const std::size_t next = i + 1 < bundle.items.size() ? bundle.radix[i + 1] : bundle.states;
          const std::size_t state = code % next / bundle.radix[i];
          if (state > data.items[k].m()) continue;
          double* to = counts.data() + (row_offset_[k * groups_ + g] + state) * kRow;
          for (std::size_t q = 0; q < kRow; ++q) to[q] += from[q];
        }
      }
  }
  // Fisher's identity: the gradient is the expected complete-data gradient under the posterior.
  for (std::size_t g = 0; g < groups_; ++g) {
    Eigen::VectorXd& grad = (*gradient)[g];
    for (std::size_t k = 0; k < data.items.size(); ++k) {
      const auto o = static_cast<Eigen::Index>(offset_[k]);
      const std::size_t m = data.items[k].m();
      for (std::size_t c = 0; c <= m; ++c) {
        const std::size_t at = (row_offset_[k * groups_ + g] + c) * kRow;
        double da = 0.0, dl = 0.0, dh = 0.0;
        for (std::size_t q = 0; q < kNodes; ++q) {
          da += counts[at + q] * t.d_slope[at + q];
          dl += counts[at + q] * t.d_low[at + q];
          dh += counts[at + q] * t.d_high[at + q];
        }
        const auto ci = static_cast<Eigen::Index>(c);
        grad[o] += da;
        if (c >= 1) grad[o + ci] += dl;
        if (c < m) grad[o + ci + 1] += dh;
      }
    }
    if (g == 0) continue;
    double dm = 0.0, ds = 0.0;
    for (std::size_t q = 0; q < kNodes; ++q) {
      dm += mass[g * kRow + q] * t.weights[g].d_mean[q];
      ds += mass[g * kRow + q] * t.weights[g].d_log_sd[q];
    }
    grad[static_cast<Eigen::Index>(n_canonical_) - 2] = dm;
    grad[static_cast<Eigen::Index>(n_canonical_) - 1] = ds;
  }
  return log_l;
}

std::vector<Eigen::MatrixXd> MarginalModel::score_products(const Eigen::VectorXd& x, unsigned threads) const {
  const auto nc = static_cast<Eigen::Index>(n_canonical_);
  Tables t;
  if (!fill_tables(x, t, true)) return std::vector<Eigen::MatrixXd>(groups_, Eigen::MatrixXd::Zero(nc, nc));
  const ResponsePatterns& data = *data_;
  const std::size_t n = data.row.size();
  const std::size_t chunks = chunk_count(n, 4);
  std::vector<std::vector<Eigen::MatrixXd>> parts(chunks);
  parallel_chunks(chunks, threads, [&](std::size_t c) {
    auto& part = parts[c];
    part.assign(groups_, Eigen::MatrixXd::Zero(nc, nc));
    std::vector<std::size_t> rows(data.items.size());
    std::vector<std::size_t> at;
    std::vector<double> s;
    alignas(64) double r[kRow];
    for (std::size_t p = chunk_begin(c, chunks, n); p < chunk_begin(c + 1, chunks, n); ++p) {
      const std::size_t g = data.group[p];
      posterior(data, t.log_p, row_offset_, t.weights[g].log_w, p, rows, r);
      at.clear();
      s.clear();
      for (std::size_t k = 0; k < data.items.size(); ++k) {
        if (rows[k] == npos) continue;
        const std::size_t row = rows[k];
        const std::size_t cat = row / kRow - row_offset_[k * groups_ + g];
        const std::size_t m = data.items[k].m();
        double da = 0.0, dl = 0.0, dh = 0.0;
        for (std::size_t q = 0; q < kNodes; ++q) {
          da += r[q] * t.d_slope[row + q];
          dl += r[q] * t.d_low[row + q];
          dh += r[q] * t.d_high[row + q];
        }
        at.push_back(offset_[k]);
        s.push_back(da);
        if (cat >= 1) at.push_back(offset_[k] + cat), s.push_back(dl);
        if (cat < m) at.push_back(offset_[k] + cat + 1), s.push_back(dh);
      }
      if (g > 0) {
        double dm = 0.0, ds = 0.0;
        for (std::size_t q = 0; q < kNodes; ++q) {
          dm += r[q] * t.weights[g].d_mean[q];
          ds += r[q] * t.weights[g].d_log_sd[q];
        }
        at.push_back(n_canonical_ - 2), s.push_back(dm);
        at.push_back(n_canonical_ - 1), s.push_back(ds);
      }
      const double w = data.count[p];
      Eigen::MatrixXd& h = part[g];
      for (std::size_t u = 0; u < at.size(); ++u) {
        const double wu = w * s[u];
        double* column = h.data() + static_cast<Eigen::Index>(at[u]) * nc;
        for (std::size_t v = 0; v < at.size(); ++v) column[at[v]] += wu * s[v];
      }
    }
  });
  std::vector<Eigen::MatrixXd> out(groups_, Eigen::MatrixXd::Zero(nc, nc));
  for (const auto& part : parts)
    for (std::size_t g = 0; g < groups_; ++g) out[g] += part[g];
  return out;
}

Eigen::MatrixXd MarginalModel::gather(const std::vector<Eigen::MatrixXd>& per_group) const {
  const auto np = static_cast<Eigen::Index>(n_params_);
  Eigen::MatrixXd out = Eigen::MatrixXd::Zero(np, np);
  for (std::size_t g = 0; g < groups_; ++g)
    for (std::size_t u = 0; u < n_canonical_; ++u) {
      if (index_[g][u] == npos) continue;
      for (std::size_t v = 0; v < n_canonical_; ++v) {
        if (index_[g][v] == npos) continue;
        out(static_cast<Eigen::Index>(index_[g][u]), static_cast<Eigen::Index>(index_[g][v])) +=
            per_group[g](static_cast<Eigen::Index>(u), static_cast<Eigen::Index>(v));
      }
    }
  return out;
}

std::optional<std::string> MarginalModel::runs_off(const Eigen::VectorXd& x, const std::vector<std::string>& item_names,
                                                    const std::vector<std::string>& group_names) const {
  // Beyond these no finite maximum is near: the nodes end at +-6, and a slope of 30 or a
  // threshold of 60 makes an item a step function across the whole rule.
  for (std::size_t k = 0; k < data_->items.size(); ++k)
    for (std::size_t g = 0; g < groups_; ++g) {
      if (!active_[slope(k, g)]) continue;
      if (std::abs(x[static_cast<Eigen::Index>(slope(k, g))]) > 30.0)
        return "the slope of " + item_names[k] + " in group " + group_names[g] + " runs off";
      const std::size_t m = data_->items[k].m();
      for (std::size_t c = 1; c <= m; ++c) {
        const double d = x[static_cast<Eigen::Index>(threshold(k, g, c))];
        if (std::abs(d) > 60.0)
          return "a threshold of " + item_names[k] + " in group " + group_names[g] + " runs off";
        if (c < m && d - x[static_cast<Eigen::Index>(threshold(k, g, c + 1))] < 1e-4)
          return "two thresholds of " + item_names[k] + " in group " + group_names[g] + " merge";
      }
    }
  for (std::size_t g = 1; g < groups_; ++g) {
    if (!active_[mean(g)]) continue;
    if (std::abs(x[static_cast<Eigen::Index>(mean(g))]) > 6.0)
      return "the mean of group " + group_names[g] + " runs off";
    if (std::abs(x[static_cast<Eigen::Index>(log_sd(g))]) > std::log(30.0))
      return "the sd of group " + group_names[g] + " runs off";
  }
  return std::nullopt;
}

std::vector<double> MarginalModel::expected_score(const Eigen::VectorXd& x, std::size_t k, std::size_t g) const {
  const ItemCategories& item = data_->items[k];
  const std::size_t m = item.m();
  std::vector<double> d(m), log_p((m + 1) * kRow);
  for (std::size_t c = 1; c <= m; ++c) d[c - 1] = x[static_cast<Eigen::Index>(threshold(k, g, c))];
  category_rows(x[static_cast<Eigen::Index>(slope(k, g))], d.data(), m, log_p.data(), nullptr, nullptr, nullptr);
  std::vector<double> e(kNodes, 0.0);
  for (std::size_t c = 0; c <= m; ++c)
    for (std::size_t q = 0; q < kNodes; ++q) e[q] += item.scores[c] * std::exp(log_p[c * kRow + q]);
  return e;
}

}  // namespace itemdif::irt

// Test support for the model engine: console messages, a fit case with all of CTGLM's tables,
// and an independent double-precision maximum-likelihood fit to compare with.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "numerr/error_stack.hpp"
#include "support/console_capture.hpp"
#include "glm/ctglm.hpp"

namespace itemdif::glm::testing {

using itemdif::testing::Lines;
using itemdif::testing::stop_status;

/// A fresh error facility and a captured console per test.
class GlmTest : public itemdif::testing::ConsoleTest {
 protected:
  /// The messages on the console, one text per message: the part of the first line after
  /// "from NAME" plus its continuation lines, with runs of blanks taken as one blank (the
  /// printer breaks lines at blanks). Traceback lines are left out.
  std::vector<std::string> take_messages() {
    std::vector<std::string> messages;
    bool in_message = false;
    for (const std::string& line : take_lines()) {
      const bool first = line.rfind(" *** ", 0) == 0 && line.size() > 20 &&
                         line.compare(13, 7, " ERROR ") == 0;
      const bool continued = line.rfind(" *** " + std::string(9, ' '), 0) == 0;
      if (first) {
        const std::size_t from = line.find(" from ");
        messages.push_back(line.substr(5, 8) + "|" + line.substr(from + 6));
        in_message = true;
      } else if (continued && in_message) {
        messages.back() += " " + line.substr(14);
      } else {
        in_message = false;
      }
    }
    for (std::string& m : messages) m = collapse(m);
    return messages;
  }

  static std::string collapse(const std::string& text) {
    std::string out;
    for (char c : text) {
      if (c == ' ' && !out.empty() && out.back() == ' ') continue;
      out += c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
  }
};

/// True when both tables hold the same bit patterns (not-a-numbers included).
inline bool same_bits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

/// A call of CTGLM as the logistic procedure makes it, with every table owned here.
/// X is N x 4 (trait, group, trait x group, response) unless a test changes it.
struct FitCase {
  std::int32_t n = 0;
  std::vector<float> x;  // column-major, leading dimension n
  std::vector<std::int32_t> nvef{1, 1, 1};
  std::vector<std::int32_t> indef{1, 2, 3};
  std::vector<float> esttab = std::vector<float>(4 * 4, -99.0F);
  std::vector<float> covest = std::vector<float>(4 * 4, -99.0F);
  std::vector<float> regmean = std::vector<float>(4, -99.0F);
  std::vector<float> casestat;
  std::vector<float> lastupd = std::vector<float>(4, -99.0F);
  std::vector<std::int32_t> obscode;
  CtglmArguments a;

  explicit FitCase(std::int32_t rows) : n(rows), x(static_cast<std::size_t>(rows) * 4, 0.0F) {
    casestat.assign(static_cast<std::size_t>(rows) * 5, -99.0F);
    obscode.assign(static_cast<std::size_t>(rows), -99);
    bind();
  }

  /// Points the arguments at the tables, with the constant arguments of the procedure; the
  /// effect tables are the case's own, for tests that change them, and the outputs that are
  /// numbers start as -99.
  void bind() {
    a = three_effect_logit(n, x.data(),
                           {.ESTTAB = esttab.data(),
                            .COVEST = covest.data(),
                            .REGMEAN = regmean.data(),
                            .CASESTAT = casestat.data(),
                            .LASTUPD = lastupd.data(),
                            .OBSCODE = obscode.data()});
    a.NVEF = nvef.data();
    a.INDEF = indef.data();
    a.NCOEF = -99;
    a.LOGLIK = -99.0F;
    a.NMISSING = -99;
  }

  float& at(std::int32_t i, std::int32_t c) { return x[static_cast<std::size_t>(i + c * n)]; }
  float est(int k, int c) const { return esttab[static_cast<std::size_t>(k + c * 4)]; }
  float cov(int k, int l) const { return covest[static_cast<std::size_t>(k + l * 4)]; }
  float stat(int i, int c) const { return casestat[static_cast<std::size_t>(i + c * n)]; }

  /// Rows as the procedure builds them: trait, group code, product, response.
  void set_row(std::int32_t i, float trait, float group, float response) {
    at(i, 0) = trait;
    at(i, 1) = group;
    at(i, 2) = trait * group;
    at(i, 3) = response;
  }
};

/// The maximum-likelihood fit of the logit model in double precision by a plain
/// Newton-Raphson iteration on the uncentred regressors (1, columns of `cols`) from zero,
/// run to a gradient below 1e-12; standard errors from the inverse of the information at the
/// estimates. Written for the tests, independently of the engine's centred Givens fit.
struct ReferenceFit {
  std::vector<double> beta;
  std::vector<double> se;
  std::vector<std::vector<double>> cov;
  double loglik = 0.0;
};

inline std::vector<std::vector<double>> invert(std::vector<std::vector<double>> m) {
  const std::size_t p = m.size();
  std::vector<std::vector<double>> inv(p, std::vector<double>(p, 0.0));
  for (std::size_t i = 0; i < p; ++i) inv[i][i] = 1.0;
  for (std::size_t c = 0; c < p; ++c) {  // Gauss-Jordan with partial pivoting
    std::size_t pivot = c;
    for (std::size_t r = c + 1; r < p; ++r)
      if (std::fabs(m[r][c]) > std::fabs(m[pivot][c])) pivot = r;
    std::swap(m[c], m[pivot]);
    std::swap(inv[c], inv[pivot]);
    const double d = m[c][c];
    for (std::size_t j = 0; j < p; ++j) m[c][j] /= d, inv[c][j] /= d;
    for (std::size_t r = 0; r < p; ++r) {
      if (r == c) continue;
      const double f = m[r][c];
      for (std::size_t j = 0; j < p; ++j) m[r][j] -= f * m[c][j], inv[r][j] -= f * inv[c][j];
    }
  }
  return inv;
}

inline ReferenceFit reference_fit(const FitCase& fc, const std::vector<int>& cols) {
  const std::size_t p = cols.size() + 1;
  ReferenceFit r;
  r.beta.assign(p, 0.0);
  std::vector<std::vector<double>> info;
  for (int iteration = 0; iteration < 100; ++iteration) {
    std::vector<double> grad(p, 0.0);
    info.assign(p, std::vector<double>(p, 0.0));
    r.loglik = 0.0;
    for (std::int32_t i = 0; i < fc.n; ++i) {
      std::vector<double> xi(p, 1.0);
      for (std::size_t k = 1; k < p; ++k) xi[k] = fc.x[static_cast<std::size_t>(i + cols[k - 1] * fc.n)];
      const double y = fc.x[static_cast<std::size_t>(i + 3 * fc.n)];
      double eta = 0.0;
      for (std::size_t k = 0; k < p; ++k) eta += xi[k] * r.beta[k];
      const double mu = 1.0 / (1.0 + std::exp(-eta));
      r.loglik += y * std::log(mu) + (1.0 - y) * std::log(1.0 - mu);
      for (std::size_t k = 0; k < p; ++k) {
        grad[k] += (y - mu) * xi[k];
        for (std::size_t l = 0; l < p; ++l) info[k][l] += mu * (1.0 - mu) * xi[k] * xi[l];
      }
    }
    const auto inv = invert(info);
    double largest = 0.0;
    for (std::size_t k = 0; k < p; ++k) {
      double step = 0.0;
      for (std::size_t l = 0; l < p; ++l) step += inv[k][l] * grad[l];
      r.beta[k] += step;
      largest = std::max(largest, std::fabs(grad[k]));
    }
    if (largest < 1e-12) break;
  }
  r.cov = invert(info);
  for (std::size_t k = 0; k < p; ++k) r.se.push_back(std::sqrt(r.cov[k][k]));
  return r;
}

/// Two-sided tail probability of Student's t with `df` degrees of freedom beyond |t|, by
/// Simpson's rule on the density over [0, |t|] in long double (20000 panels).
inline double t_two_sided(double t, double df) {
  const long double a = std::fabs(t);
  const long double lc = std::lgamma((df + 1.0L) / 2.0L) - std::lgamma(df / 2.0L) -
                         0.5L * std::log(df * 3.14159265358979323846264L);
  auto density = [&](long double u) {
    return std::exp(lc - (df + 1.0L) / 2.0L * std::log1p(u * u / df));
  };
  const int panels = 20000;
  const long double h = a / panels;
  long double s = density(0.0L) + density(a);
  for (int k = 1; k < panels; ++k) s += density(k * h) * (k % 2 == 1 ? 4.0L : 2.0L);
  return static_cast<double>(1.0L - 2.0L * s * h / 3.0L);
}

/// A deterministic pseudo-random stream in [0, 1) (a 64-bit linear congruential generator).
struct Stream {
  std::uint64_t state = 12345;
  double next() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 11) / 9007199254740992.0;
  }
};

/// N examinees: half reference (+0.5), half focal (-0.5), trait scores 0 .. 20, responses
/// drawn from the logit model with the given coefficients.
inline FitCase simulated_case(std::int32_t n, double b0, double b1, double b2, double b3,
                              std::uint64_t seed = 12345) {
  FitCase fc(n);
  Stream s{seed};
  for (std::int32_t i = 0; i < n; ++i) {
    const float group = i < n / 2 ? 0.5F : -0.5F;
    const float trait = static_cast<float>(static_cast<int>(s.next() * 21.0));
    const double eta = b0 + b1 * trait + b2 * group + b3 * trait * group;
    const double mu = 1.0 / (1.0 + std::exp(-eta));
    fc.set_row(i, trait, group, s.next() < mu ? 1.0F : 0.0F);
  }
  return fc;
}

}  // namespace itemdif::glm::testing

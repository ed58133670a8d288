// The complementary error function and the parts of the gamma function that the two
// precisions share (the argument bounds, the series with its recurrence for |X| <= 10, the range
// checks beyond), written once over a precision face. DERFC / ERFC, D9GAML / R9GAML and
// DGAMMA / GAMMA register their names and call these.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>

#include "dist/chebyshev.hpp"
#include "dist/first_use.hpp"
#include "dist/precision.hpp"
#include "numerr/error_stack.hpp"

// The single-precision twins must round every operation to float; a literal left as a double
// would quietly carry their arithmetic out in double.
#pragma GCC diagnostic push
#pragma GCC diagnostic error "-Wdouble-promotion"

namespace itemdif::dist::detail {

template <class P>
using Table = std::span<const typename P::Real>;

template <class P>
std::int32_t term_count(Table<P> table, float eta) {
  return chebyshev_term_count<P>(table, static_cast<std::int32_t>(table.size()), eta);
}

/// 1 - erf(x) from three Chebyshev series: 2 at or below xsml, 0 with an ALERT (type 2,
/// code 1) above xmax, where it underflows.
template <class P>
typename P::Real complementary_error_function(typename P::Real x, Table<P> erf_cs,
                                              Table<P> mid_cs, Table<P> tail_cs) {
  using Real = typename P::Real;
  // First-call values. A count of 0 in erf_terms means they are still to be computed, also
  // after a failed term count, which the next call then tries again.
  struct Constants {
    std::int32_t erf_terms = 0;
    std::int32_t mid_terms = 0;
    std::int32_t tail_terms = 0;
    Real xsml = 0;
    Real xmax = 0;
    Real sqeps = 0;
  };
  static FirstUse<Constants> first_use;
  const Constants constants = first_use.get(
      [&] {
        Constants c;
        // The accuracy asked of the series is a single-precision value in both precisions:
        // both factors are rounded to float and multiplied in float.
        const float eta = 0.1f * static_cast<float>(P::machine(3));
        c.erf_terms = term_count<P>(erf_cs, eta);
        c.mid_terms = term_count<P>(mid_cs, eta);
        c.tail_terms = term_count<P>(tail_cs, eta);
        c.xsml = -std::sqrt(-std::log(P::kSqrtPi * P::machine(3)));
        const Real t = std::sqrt(-std::log(P::kSqrtPi * P::machine(1)));
        c.xmax = t - Real(0.5) * std::log(t) / t - Real(0.01);
        c.sqeps = std::sqrt(Real(2) * P::machine(3));
        return c;
      },
      [](const Constants& c) { return c.erf_terms != 0; });
  const std::int32_t erf_terms = constants.erf_terms;
  const std::int32_t mid_terms = constants.mid_terms;
  const std::int32_t tail_terms = constants.tail_terms;
  const Real xsml = constants.xsml;
  const Real xmax = constants.xmax;
  const Real sqeps = constants.sqeps;

  if (x <= xsml) return 2;
  if (x > xmax) {
    P::set_real(1, x);
    P::set_real(2, xmax);
    numerr::E1MES(numerr::kAlert, 1, P::kUnderflowAbove);
    return 0;
  }

  const Real y = std::abs(x);
  if (y <= 1) {
    // Below sqeps the cubic term of erf is lost in the rounding of 1.
    if (y < sqeps) return Real(1) - Real(2) * x / P::kSqrtPi;
    return Real(1) -
           x * (Real(1) + chebyshev_sum<P>(Real(2) * x * x - Real(1), erf_cs, erf_terms));
  }

  const Real ysq = y * y;
  Real r;
  if (ysq <= 4) {
    r = std::exp(-ysq) / y *
        (Real(0.5) + chebyshev_sum<P>((Real(8) / ysq - Real(5)) / Real(3), mid_cs, mid_terms));
  } else {
    r = std::exp(-ysq) / y *
        (Real(0.5) + chebyshev_sum<P>(Real(8) / ysq - Real(1), tail_cs, tail_terms));
  }
  return x >= 0 ? r : Real(2) - r;
}

/// The arguments between which the gamma function neither underflows nor overflows, by Newton
/// iteration on Stirling's formula; a bound that does not converge is a TERMINAL error (code 5
/// for xmin, 6 for xmax) and stays not-a-number.
template <class P>
void gamma_bounds(typename P::Real& xmin, typename P::Real& xmax) {
  using Real = typename P::Real;
  xmin = P::not_a_number();
  xmax = P::not_a_number();

  // Where gamma reaches the smallest normalised number, solved for -x.
  const Real alnsml = std::log(P::machine(1));
  Real x = -alnsml;
  bool converged = false;
  for (int i = 0; i < 10 && !converged; ++i) {
    const Real xold = x;
    const Real xln = std::log(x);
    x = x - x * ((x + Real(0.5)) * xln - x - Real(0.2258) + alnsml) / (x * xln + Real(0.5));
    converged = std::abs(x - xold) < Real(0.005);
  }
  if (!converged) {
    numerr::E1MES(numerr::kTerminal, 5, "Unable to determine the value of XMIN.");
    return;
  }
  xmin = -x + Real(0.01);

  // Where gamma reaches the largest finite number.
  const Real alnbig = std::log(P::machine(2));
  x = alnbig;
  converged = false;
  for (int i = 0; i < 10 && !converged; ++i) {
    const Real xold = x;
    const Real xln = std::log(x);
    x = x - x * ((x - Real(0.5)) * xln - x + Real(0.9189) - alnbig) / (x * xln - Real(0.5));
    converged = std::abs(x - xold) < Real(0.005);
  }
  if (!converged) {
    numerr::E1MES(numerr::kTerminal, 6, "Unable to determine the value of XMAX.");
    return;
  }
  xmax = x - Real(0.01);
  xmin = std::max(xmin, Real(1) - xmax);
}

/// The gamma function's first-call values. terms = 0 means they are still to be computed.
template <class Real>
struct GammaConstants {
  std::int32_t terms = 0;
  Real xmin = 0;
  Real xmax = 0;
  Real xsml = 0;
  Real dxrel = 0;
};

/// Computes the first-call values: the term count of `gamma_cs`, the bounds from the
/// registered bounds routine, xsml and dxrel.
template <class P>
GammaConstants<typename P::Real> gamma_constants(Table<P> gamma_cs,
                                                 void (*bounds)(typename P::Real&,
                                                                typename P::Real&)) {
  using Real = typename P::Real;
  GammaConstants<Real> c;
  c.terms = term_count<P>(gamma_cs, 0.1f * static_cast<float>(P::machine(3)));
  bounds(c.xmin, c.xmax);
  c.xsml = std::exp(std::max(std::log(P::machine(1)), -std::log(P::machine(2))) + Real(0.01));
  c.dxrel = std::sqrt(P::machine(4));
  return c;
}

/// Half the digits are lost when x is within a relative dxrel of a negative integer: a WARNING
/// (type 3, code 2), and the computation goes on.
template <class P>
void warn_if_near_negative_integer(typename P::Real x, typename P::Real dxrel) {
  using Real = typename P::Real;
  if (std::abs((x - std::trunc(x - Real(0.5))) / x) < dxrel) {
    P::set_real(1, x);
    numerr::E1MES(numerr::kWarning, 2, P::kHalfPrecision);
  }
}

/// Records the TERMINAL error for a negative integer argument (code 6 in the series branch,
/// 7 beyond it) and returns not-a-number.
template <class P>
typename P::Real negative_integer(typename P::Real x, std::int32_t code) {
  P::set_real(1, x);
  numerr::E1MES(numerr::kTerminal, code, P::kNegativeInteger);
  return P::not_a_number();
}

/// Gamma for |x| <= 10: gamma(1 + y) from the series, y the distance of x above the integer
/// below it (1 for a negative integer), then the recurrence up or down to x.
template <class P>
typename P::Real gamma_by_series(typename P::Real x, const GammaConstants<typename P::Real>& c,
                                 Table<P> gamma_cs) {
  using Real = typename P::Real;
  auto n = static_cast<std::int32_t>(std::trunc(x));
  if (x < 0) --n;
  const Real y = x - static_cast<Real>(n);
  --n;
  Real g = Real(0.9375) + chebyshev_sum<P>(Real(2) * y - Real(1), gamma_cs, c.terms);
  if (n == 0) return g;
  if (n > 0) {
    for (std::int32_t i = 1; i <= n; ++i) g *= y + static_cast<Real>(i);
    return g;
  }

  const std::int32_t m = -n;
  if (x == 0) {
    numerr::E1MES(numerr::kTerminal, 5, "The argument for the function can not be zero.");
    return P::not_a_number();
  }
  if (y < c.xsml) {
    P::set_real(1, x);
    numerr::E1MES(numerr::kTerminal, 4, P::kTooCloseToZero);
    return P::not_a_number();
  }
  if (x < 0 && x + static_cast<Real>(m - 2) == 0) return negative_integer<P>(x, 6);
  if (x < Real(-0.5)) warn_if_near_negative_integer<P>(x, c.dxrel);
  for (std::int32_t i = 0; i < m; ++i) g /= x + static_cast<Real>(i);
  return g;
}

/// For |x| > 10: the result when x lies beyond the bounds (not-a-number with a TERMINAL error,
/// code 4, above xmax; 0 with an ALERT, code 1, below xmin), nothing when gamma is to be
/// computed.
template <class P>
std::optional<typename P::Real> gamma_beyond_bounds(typename P::Real x,
                                                    const GammaConstants<typename P::Real>& c) {
  if (x > c.xmax) {
    P::set_real(1, x);
    P::set_real(2, c.xmax);
    numerr::E1MES(numerr::kTerminal, 4, P::kOverflowAbove);
    return P::not_a_number();
  }
  if (x < c.xmin) {
    P::set_real(1, x);
    P::set_real(2, c.xmin);
    numerr::E1MES(numerr::kAlert, 1, P::kUnderflowBelow);
    return 0;
  }
  return std::nullopt;
}

}  // namespace itemdif::dist::detail

#pragma GCC diagnostic pop

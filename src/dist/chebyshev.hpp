// Chebyshev series machinery shared by the double- and single-precision special functions:
// how many terms reach an accuracy (INITDS / INITS) and the Clenshaw sum (DCSEVL / CSEVL).
#pragma once

#include <cmath>
#include <concepts>
#include <cstdint>
#include <span>
#include <string_view>

#include "dist/precision.hpp"
#include "numerr/error_stack.hpp"

// The float instantiations must stay in float arithmetic throughout.
#pragma GCC diagnostic push
#pragma GCC diagnostic error "-Wdouble-promotion"

namespace itemdif::dist {

/// A precision face (dist/precision.hpp) as far as the Chebyshev routines use it.
template <class Precision>
concept ChebyshevPrecision = requires(typename Precision::Real value) {
  { Precision::kTermCountName } -> std::convertible_to<std::string_view>;
  { Precision::kEvaluatorName } -> std::convertible_to<std::string_view>;
  { Precision::kOutsideMessage } -> std::convertible_to<std::string_view>;
  Precision::set_real(std::int32_t{1}, value);
  { Precision::not_a_number() } -> std::same_as<typename Precision::Real>;
};

/// The number of leading terms of the series `os` (1 .. nos) whose neglected tail, summed in
/// single precision from the last coefficient down, stays within `eta`. Records a TERMINAL
/// error and returns 0 when nos < 1 (code 5) or when the last coefficient alone exceeds eta
/// (code 6). `os` must hold at least nos coefficients.
template <ChebyshevPrecision Precision>
std::int32_t chebyshev_term_count(std::span<const typename Precision::Real> os, std::int32_t nos,
                                  float eta) {
  numerr::RoutineScope scope(Precision::kTermCountName);
  if (nos < 1) {
    numerr::MSGSETI(1, nos);
    numerr::E1MES(numerr::kTerminal, 5, "The number of coefficients is less than 1. NOS = %(I1).");
    return 0;
  }
  // The tail is judged in single precision whatever the table's precision: each coefficient is
  // rounded to float before it is added, and the running sum is a float.
  float err = 0.0f;
  std::int32_t i = nos;
  for (; i >= 1; --i) {
    err += std::abs(static_cast<float>(os[static_cast<std::size_t>(i - 1)]));
    if (err > eta) break;
  }
  if (i == nos) {
    numerr::E1MES(numerr::kTerminal, 6,
                  "Too much accuracy may be requested. ETA should be increased.");
    return 0;
  }
  return i < 1 ? 1 : i;
}

/// The Clenshaw sum cs(1)/2 + cs(2) T1(x) + ... + cs(n) T(n-1)(x) in the precision's arithmetic.
/// n <= 0 (code 5) and n > 1000 (code 6) are TERMINAL errors returning not-a-number; x outside
/// [-1.1, 1.1] is a WARNING (code 7) and the sum is still returned. `cs` must hold at least n
/// coefficients.
template <ChebyshevPrecision Precision>
typename Precision::Real chebyshev_sum(typename Precision::Real x,
                                       std::span<const typename Precision::Real> cs,
                                       std::int32_t n) {
  using Real = typename Precision::Real;
  numerr::RoutineScope scope(Precision::kEvaluatorName);
  if (n <= 0) {
    numerr::MSGSETI(1, n);
    numerr::E1MES(numerr::kTerminal, 5,
                  "The number of terms in the series is not positive. N = %(I1).");
    return Precision::not_a_number();
  }
  if (n > 1000) {
    numerr::MSGSETI(1, n);
    numerr::E1MES(numerr::kTerminal, 6,
                  "The number of terms in the series is greater than 1000. N = %(I1).");
    return Precision::not_a_number();
  }
  const Real limit = static_cast<Real>(1.1);
  if (x < -limit || x > limit) {
    Precision::set_real(1, x);
    numerr::E1MES(numerr::kWarning, 7, Precision::kOutsideMessage);
  }
  Real b0 = 0;
  Real b1 = 0;
  Real b2 = 0;
  const Real twox = x + x;
  for (std::int32_t i = n; i >= 1; --i) {
    b2 = b1;
    b1 = b0;
    b0 = twox * b1 - b2 + cs[static_cast<std::size_t>(i - 1)];
  }
  return static_cast<Real>(0.5) * (b0 - b2);
}

/// INITDS (OS, NOS, ETA): see chebyshev_term_count.
std::int32_t INITDS(std::span<const double> os, std::int32_t nos, float eta);

/// DCSEVL (X, CS, N): see chebyshev_sum.
double DCSEVL(double x, std::span<const double> cs, std::int32_t n);

}  // namespace itemdif::dist

#pragma GCC diagnostic pop

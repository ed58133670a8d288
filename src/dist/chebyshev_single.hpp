// The single-precision Chebyshev routines INITS and CSEVL.
#pragma once

#include <cstdint>
#include <string_view>

#include "dist/chebyshev.hpp"

namespace itemdif::dist {

/// The single-precision face of the Chebyshev templates: registered names "INITS " and
/// "CSEVL ", values as %(R1), not-a-number from AMACH (6).
struct SingleSeries {
  using Real = float;
  static constexpr std::string_view kTermCountName = "INITS ";
  static constexpr std::string_view kEvaluatorName = "CSEVL ";
  static constexpr std::string_view kOutsideMessage =
      "The argument X = %(R1) is outside the interval (-1.1,+1.1).";
  static void set_real(std::int32_t index, float value) { numerr::MSGSETR(index, value); }
  static float not_a_number();
};

/// INITS (OS, NOS, ETA): how many leading terms of os(1..nos) reach the accuracy eta (see
/// chebyshev_term_count); 0 with a TERMINAL error for nos < 1 or an eta below the last term.
/// `os` must hold at least nos coefficients.
std::int32_t INITS(const float* os, std::int32_t nos, float eta);

/// CSEVL (X, CS, N): the Clenshaw sum of the first n terms of cs in float arithmetic (see
/// chebyshev_sum). `cs` must hold at least n coefficients when 0 < n <= 1000.
float CSEVL(float x, const float* cs, std::int32_t n);

}  // namespace itemdif::dist

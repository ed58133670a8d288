// The two faces of the special functions that exist in double and in single precision: all
// that differs between the twins (the type, the machine constants, sqrt(pi) as each writes it,
// the registered names of the Chebyshev routines and the message texts with their %(D) or
// %(R) values). The algorithms themselves are written once, as templates over a face.
#pragma once

#include <cstdint>
#include <string_view>

#include "dist/amach.hpp"
#include "dist/dmach.hpp"
#include "numerr/error_stack.hpp"

namespace itemdif::dist {

struct DoublePrecision {
  using Real = double;
  static Real machine(std::int32_t n) { return DMACH(n); }
  static Real not_a_number() { return DMACH(6); }
  static void set_real(std::int32_t index, Real value) { numerr::MSGSETD(index, value); }
  static constexpr Real kSqrtPi = 1.772453850905516;

  static constexpr std::string_view kTermCountName = "INITDS";
  static constexpr std::string_view kEvaluatorName = "DCSEVL";
  static constexpr std::string_view kOutsideMessage =
      "The argument X = %(D1) is outside the interval (-1.1,+1.1).";
  static constexpr std::string_view kUnderflowAbove =
      "The function underflows because X = %(D1) is greater than %(D2). The result is set to "
      "zero.";
  static constexpr std::string_view kUnderflowBelow =
      "The function underflows because X = %(D1) is less than %(D2). The result is set to "
      "zero.";
  static constexpr std::string_view kOverflowAbove =
      "The function overflows because X = %(D1) is greater than %(D2).";
  static constexpr std::string_view kTooCloseToZero =
      "The function overflows because X = %(D1) is too close to zero.";
  static constexpr std::string_view kNegativeInteger =
      "The argument for the function can not be a negative integer. Argument X = %(D1).";
  static constexpr std::string_view kHalfPrecision =
      "The result is accurate to less than one half precision because X = %(D1) is too close "
      "to a negative integer.";
};

struct SinglePrecision {
  using Real = float;
  static Real machine(std::int32_t n) { return AMACH(n); }
  static Real not_a_number() { return AMACH(6); }
  static void set_real(std::int32_t index, Real value) { numerr::MSGSETR(index, value); }
  static constexpr Real kSqrtPi = 1.7724539f;

  static constexpr std::string_view kTermCountName = "INITS ";
  static constexpr std::string_view kEvaluatorName = "CSEVL ";
  static constexpr std::string_view kOutsideMessage =
      "The argument X = %(R1) is outside the interval (-1.1,+1.1).";
  static constexpr std::string_view kUnderflowAbove =
      "The function underflows because X = %(R1) is greater than %(R2). The result is set to "
      "zero.";
  static constexpr std::string_view kUnderflowBelow =
      "The function underflows because X = %(R1) is less than %(R2). The result is set to "
      "zero.";
  static constexpr std::string_view kOverflowAbove =
      "The function overflows because X = %(R1) is greater than %(R2).";
  static constexpr std::string_view kTooCloseToZero =
      "The function overflows because X = %(R1) is too close to zero.";
  static constexpr std::string_view kNegativeInteger =
      "The argument for the function can not be a negative integer. Argument X = %(R1).";
  static constexpr std::string_view kHalfPrecision =
      "The result is accurate to less than one half precision because X = %(R1) is too close "
      "to a negative integer.";
};

}  // namespace itemdif::dist

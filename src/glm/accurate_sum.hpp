// A single-precision sum whose rounding error stays near one rounding of the result however
// many terms it has.
#pragma once

#include <cmath>

namespace itemdif::glm {

/// Neumaier's compensated summation in float. A plain float sum of N terms can be off by about
/// N roundings; over the 10^5 observations of a realistic fit that exceeds the relative
/// log-likelihood tolerance of the iteration, which then reacts to rounding noise. Here the
/// error of every addition, which is exactly representable, is gathered separately and added
/// back once at the end.
class AccurateSum {
 public:
  void add(float term) {
    const float total = sum_ + term;
    // The error of the addition is exact when it is taken from the larger operand.
    if (std::fabs(sum_) >= std::fabs(term)) {
      compensation_ += (sum_ - total) + term;
    } else {
      compensation_ += (term - total) + sum_;
    }
    sum_ = total;
  }

  float value() const { return sum_ + compensation_; }

 private:
  float sum_ = 0.0F;
  float compensation_ = 0.0F;
};

}  // namespace itemdif::glm

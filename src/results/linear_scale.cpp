// Linear axes: value-to-pixel mapping and tick choice.
#include "results/linear_scale.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>

namespace itemdif::results {
namespace {

void check_interval(double low, double high, const char* who) {
  if (!std::isfinite(low) || !std::isfinite(high) || !(low < high))
    throw std::invalid_argument(std::string(who) + ": the interval is empty or not finite");
}

/// A step of 1, 2 or 5 x 10^exponent.
struct Step {
  int mantissa;
  int exponent;
  double value() const { return mantissa * std::pow(10.0, exponent); }
  /// k steps. Dividing by the power of ten (rather than multiplying by its inverse) gives the
  /// double nearest the decimal value: 3 / 10 is 0.3 as written.
  double times(long long k) const {
    const double result = exponent >= 0
                              ? static_cast<double>(k) * value()
                              : static_cast<double>(k * mantissa) / std::pow(10.0, -exponent);
    return result == 0.0 ? 0.0 : result;  // no -0
  }
};

/// Indices k with k * step in [low, high], allowing for the rounding of the division.
std::pair<long long, long long> multiples_within(double low, double high, const Step& step) {
  const double slack = 1e-9;
  return {static_cast<long long>(std::ceil(low / step.value() - slack)),
          static_cast<long long>(std::floor(high / step.value() + slack))};
}

/// The smallest step of the 1-2-5 sequence whose ticks number at most `max_count`; when that
/// step gives fewer than two, the next smaller one (an axis needs two ticks more than it
/// needs the limit).
Step choose_step(double low, double high, int max_count) {
  const int top = static_cast<int>(std::floor(std::log10(high - low)));
  static constexpr int kMantissas[] = {5, 2, 1};
  Step chosen{1, top + 1};
  long long chosen_count = 0;
  // From a step longer than the interval down to one that gives more than 100 ticks.
  for (int exponent = top + 1; exponent >= top - 2; --exponent)
    for (int mantissa : kMantissas) {
      const Step step{mantissa, exponent};
      const auto [first, last] = multiples_within(low, high, step);
      const long long count = last - first + 1;
      if (count > max_count) return chosen_count >= 2 ? chosen : step;
      chosen = step;
      chosen_count = count;
    }
  return chosen;
}

}  // namespace

LinearScale::LinearScale(double domain_low, double domain_high, double range_low,
                         double range_high)
    : domain_low_(domain_low),
      domain_high_(domain_high),
      range_low_(range_low),
      range_high_(range_high) {
  check_interval(domain_low, domain_high, "LinearScale");
  if (!std::isfinite(range_low) || !std::isfinite(range_high))
    throw std::invalid_argument("LinearScale: the range is not finite");
}

double LinearScale::operator()(double value) const {
  return range_low_ +
         (value - domain_low_) * (range_high_ - range_low_) / (domain_high_ - domain_low_);
}

double LinearScale::clamped(double value) const {
  return (*this)(std::clamp(value, domain_low_, domain_high_));
}

Ticks nice_ticks(double low, double high, int max_count) {
  check_interval(low, high, "nice_ticks");
  const Step step = choose_step(low, high, std::max(max_count, 2));
  const auto [first, last] = multiples_within(low, high, step);
  Ticks ticks;
  ticks.decimals = std::max(0, -step.exponent);
  for (long long k = first; k <= last; ++k) ticks.values.push_back(step.times(k));
  return ticks;
}

Extent nice_extent(double low, double high, int max_count) {
  check_interval(low, high, "nice_extent");
  const Step step = choose_step(low, high, std::max(max_count, 2));
  const double slack = 1e-9;
  return {step.times(static_cast<long long>(std::floor(low / step.value() + slack))),
          step.times(static_cast<long long>(std::ceil(high / step.value() - slack)))};
}

}  // namespace itemdif::results

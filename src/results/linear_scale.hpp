// Linear axes of the report's plots: a value-to-pixel mapping and the choice of round ticks.
#pragma once

#include <vector>

namespace itemdif::results {

/// Maps [domain_low, domain_high] onto [range_low, range_high] linearly; the range may run
/// downwards (a y axis whose pixels grow down). Throws std::invalid_argument for an empty
/// or non-finite domain.
class LinearScale {
 public:
  LinearScale(double domain_low, double domain_high, double range_low, double range_high);

  double operator()(double value) const;
  /// `value` held inside the domain first, for marks that must stay in the plot.
  double clamped(double value) const;
  double domain_low() const { return domain_low_; }
  double domain_high() const { return domain_high_; }

 private:
  double domain_low_, domain_high_, range_low_, range_high_;
};

/// Round tick values: multiples of one step of 1, 2 or 5 times a power of ten.
struct Ticks {
  std::vector<double> values;  ///< ascending, within the interval asked for
  int decimals = 0;            ///< decimals that write every value exactly
};

/// The ticks of [low, high]: as many as the 1-2-5 steps allow up to `max_count`, and never fewer
/// than two (a narrow interval may then get more than `max_count`). Each value is k * step
/// from the integer k, so 0.3 is 0.3 and not 0.1 + 0.1 + 0.1. Throws std::invalid_argument
/// unless low < high (both finite).
Ticks nice_ticks(double low, double high, int max_count);

/// [low, high] widened outwards to the nearest multiples of the step nice_ticks would choose,
/// so that an axis starts and ends on a tick.
struct Extent {
  double low, high;
};
Extent nice_extent(double low, double high, int max_count);

}  // namespace itemdif::results

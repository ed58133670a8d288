// Upper tails of the test distributions.
#include "stats/upper_tails.hpp"

#include <cmath>

#include <boost/math/distributions/chi_squared.hpp>

namespace itemdif::stats {

double chi_square_upper_tail(double chi_square, double df) {
  const boost::math::chi_squared_distribution<double> distribution(df);
  return boost::math::cdf(boost::math::complement(distribution, chi_square));
}

double normal_two_sided_p(double z) {
  // 2 P(Z >= |z|) = erfc(|z| / sqrt 2), accurate far into the tail.
  return std::erfc(std::fabs(z) / std::sqrt(2.0));
}

}  // namespace itemdif::stats

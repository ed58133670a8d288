// Upper tails of the test distributions, computed as tails (never 1 minus a distribution
// function) so that p-values far below 1e-16 keep their size.
#pragma once

namespace itemdif::stats {

/// P(X >= chi_square) for a chi-square variable with `df` degrees of freedom.
double chi_square_upper_tail(double chi_square, double df = 1.0);

/// P(|Z| >= |z|) for a standard normal Z.
double normal_two_sided_p(double z);

}  // namespace itemdif::stats

// A method's own small figure of an item, drawn from the points its values carry: SIBTEST's
// adjusted differences by stratum with the crossing point, the IRT model's fitted
// expected-score curves of every group.
#pragma once

#include <string>

#include "stats/method.hpp"

namespace itemdif::results {

/// One <svg class="method-plot" data-method=NAME data-item=ITEM> of `values`' series, a line
/// each (the first group's colour first, as the curves have them), a zero line when the values
/// cross zero, and a dashed vertical line at `values.marker` when it lies in the plot; empty
/// when the values carry no points.
std::string method_figure(const stats::Method& method, const stats::MethodValues& values,
                          const std::string& item);

}  // namespace itemdif::results

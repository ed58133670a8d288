// The standardization index of one item from its level tables.
#pragma once

#include <string>
#include <vector>

#include "stats/dif_analysis.hpp"

namespace itemdif::stats {

/// STD P-DIF = sum nF (C/nF - A/nR) / sum nF over the used levels (positive: the focal group
/// does better) and its class; empty when no level is used or all examinees of every used level
/// answered alike, an item without variance (the MH values say why).
StdValues std_values(const std::vector<LevelRow>& levels);

/// "A" below 0.05 in absolute value, "B" from 0.05 to below 0.10, "C" from 0.10; B and C
/// followed by the sign of P-DIF.
std::string std_class(double p_dif);

}  // namespace itemdif::stats

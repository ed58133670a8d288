// The standardized difference of the groups' mean item scores over an item's used levels (STD
// P-DIF for a 0/1 item), its standard error and its class: the standardization method's values,
// on which the ETS class of a polytomous item rests too.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "stats/item_range.hpp"
#include "stats/level_table.hpp"

namespace itemdif::stats {

struct StdValues {
  std::optional<double> p_dif;  ///< sum nF (SF/nF - SR/nR) / sum nF; positive favours the focal group
  std::optional<double> se;     ///< sqrt(sum w^2 (1/nF + 1/nR)^2 V), w = nF / sum nF
  std::string std_class;        ///< "A", "B-", "B+", "C-", "C+"; empty when undefined
};

/// Over the used levels of a two-group comparison; empty when no level is used or no used
/// level holds two different scores (an item without variance: the MH values say why).
StdValues std_values(std::span<const LevelTable> levels, const ItemRange& range);

/// On |P-DIF| / (score_max - score_min): "A" below 0.05, "B" from 0.05 to below 0.10, "C" from
/// 0.10; B and C followed by the sign of P-DIF.
std::string std_class(double p_dif, const ItemRange& range);

}  // namespace itemdif::stats

// Empirical item characteristic curves of both groups, from the pass-2 level tables.
#pragma once

#include "driver/run_data.hpp"
#include "textio/channels.hpp"

namespace itemdif::driver {

/// Writes the section heading and, per item, its label, ETS code and favoured group, the
/// proportions correct of each group by level (9.00 for a level not valid for the item) and the
/// level bounds. Fills icc_reference_row and icc_focal_row item by item.
void write_curves(RunData& run, textio::OutputChannel& report);

}  // namespace itemdif::driver

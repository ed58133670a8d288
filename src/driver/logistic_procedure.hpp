// The logistic-regression procedure: one logit fit per item on trait, group and their product.
#pragma once

#include "driver/run_data.hpp"
#include "textio/channels.hpp"

namespace itemdif::driver {

/// Rebuilds the totals from the scores without the items coded C in pass 2, lists those items,
/// and fits every item with CTGLM: the response on the trait (the purified total, plus the
/// item's own score when the item itself was purged), the group code (+0.5 reference, -0.5
/// focal) and their product. Writes each item's four coefficient lines to `report` and a
/// progress line per item to the console. Warnings of the fit are left to the error facility;
/// the lines are written from whatever table the fit returns.
void logistic_procedure(RunData& run, textio::OutputChannel& report);

}  // namespace itemdif::driver

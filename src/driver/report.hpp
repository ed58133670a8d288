// The report file: every section as a function of the run's values, writing its lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "driver/curves.hpp"
#include "driver/logistic_procedure.hpp"
#include "driver/passes.hpp"
#include "driver/run_data.hpp"
#include "textio/channels.hpp"

namespace itemdif::driver {

/// Opens `output_file_name` on channel 11, created or replaced.
std::unique_ptr<textio::OutputChannel> open_report(const RunData& run);

/// Banner, title block, group sizes, conditioning levels and the reading note.
void write_report_header(textio::OutputChannel& report, const RunData& run);

/// The items without variance in each group (reference, an empty line, focal), by label.
void write_no_variance(textio::OutputChannel& report, const RunData& run,
                       const std::vector<std::size_t>& reference_items,
                       const std::vector<std::size_t>& focal_items);

/// The heading of pass `number`.
void write_pass_heading(textio::OutputChannel& report, std::int32_t number);

/// One warning line for each level in `thin`, by its bounds.
void write_thin_levels(textio::OutputChannel& report, const RunData& run,
                       const std::vector<std::size_t>& thin);

/// The SE heading, the column headings and one line per item.
void write_pass_table(textio::OutputChannel& report, const RunData& run, const PassResult& pass);

/// The count of the items purged after pass `number` (1 or 2), "Item Numbers: " and the label
/// of each on a line of its own.
void write_purge_list(textio::OutputChannel& report, const RunData& run, std::int32_t number,
                      const std::vector<std::size_t>& purged);

/// The section heading and, per item, its label, ETS code and favoured group in `pass`, the
/// proportions correct of each group by level and the level bounds.
void write_curves(textio::OutputChannel& report, const RunData& run, const PassResult& pass,
                  const CurveTable& curves);

/// The heading of the logistic-regression procedure.
void write_procedure_heading(textio::OutputChannel& report);

/// The heading of one item's fit, by its label.
void write_fit_heading(textio::OutputChannel& report, std::int32_t label);

/// The four coefficient lines of one item's fit.
void write_fit(textio::OutputChannel& report, const ItemFit& fit);

}  // namespace itemdif::driver

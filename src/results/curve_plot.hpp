// The report's empirical item curves: for one item the proportion correct of each group at
// each level of the matching score, as a figure with its caption and notes.
#pragma once

#include <cstddef>
#include <string>

#include <vector>

#include "stats/analysis.hpp"

namespace itemdif::results {

struct CurveContext {
  std::string reference;  ///< the groups' values, for the legend
  std::string focal;
  /// The p-value columns of the non-uniform tests computed in the run.
  std::vector<const stats::Column*> nonuniform_tests;
};

/// One <svg class="curve-plot" data-item=NAME>: a line per group through its used levels
/// (the group's mean item score at the level's mid-score, its proportion correct for a 0/1 item), a point per level and group
/// with examinees, its area growing with their number and its title giving the counts;
/// points of unused levels are hollow and off the lines. A legend names the groups. Beyond 40
/// levels, neighbouring levels of equal use are summed into at most 40 points per group.
std::string curve_plot(const stats::ItemResult& item, const CurveContext& context);

/// The item's figure (id "item-INDEX"): a caption with the name, ETS class and D-DIF, the
/// plot, a line saying so when levels were summed for the plot, for a flagged item the non-uniform tests that were computed (Breslow-Day p, the
/// logistic regression's non-uniform p), and the item's note.
std::string curve_figure(const stats::ItemResult& item, std::size_t index,
                         const CurveContext& context);

}  // namespace itemdif::results

// The report's empirical item curves: for one item the proportion correct of each group at
// each level of the matching score, as a figure with its caption and notes; with several focal
// groups, every group's curve from the overall analysis's levels.
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

/// What the curves of a page of several focal groups name and note.
struct GroupsCurveContext {
  /// The groups' values: the reference group's, then the focal groups' in their order, as
  /// the overall levels hold them.
  std::vector<std::string> groups;
  /// The p-value columns of the comparisons' non-uniform tests computed in the run.
  std::vector<const stats::Column*> nonuniform_tests;
  /// The overall test of non-uniform DIF computed in the run, if any.
  const stats::Column* overall_nonuniform = nullptr;
};

/// One <svg class="curve-plot" data-item=NAME> of an overall item: per group (class
/// "group group-G", coloured by group_css) one <path class="curve"> through its used levels,
/// lifted (a new "M") across a level where the group has no examinee, and a point per level
/// with examinees (a circle for the reference group, squares, diamonds and triangles for the
/// focal groups), sized and titled as in curve_plot. The y axis runs over the item's scale; a
/// legend names every group.
std::string groups_curve_plot(const stats::OverallItem& item, const GroupsCurveContext& context);

/// Item `index`'s figure ("item-INDEX") on a page of several focal groups: a caption with the
/// name, the GMH p and where the item is flagged (overall, focal groups); each comparison's
/// ETS class and D-DIF; groups_curve_plot of the overall item; for a flagged item the
/// non-uniform tests that were computed; the overall note; and a collapsed table of each
/// group's examinees by level as plotted. Needs `analysis.overall`.
std::string groups_curve_figure(const stats::DifAnalysis& analysis, std::size_t index,
                                const GroupsCurveContext& context);

}  // namespace itemdif::results

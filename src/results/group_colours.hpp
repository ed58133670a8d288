// The colours of the groups on a page of several focal groups: one per group, the same in the
// tables' swatches, the D-DIF plot's marks and the curves' lines.
#pragma once

#include <cstddef>
#include <string>

namespace itemdif::results {

/// The colour of group `group` (0 the reference group, g the g-th focal group) as CSS text.
/// The reference group keeps the blue of a one-focal page; the focal groups take a fixed
/// palette in turn, starting over after its last colour.
const char* group_colour(std::size_t group);

/// The CSS class that gives an element and what it holds the colour of group `group`:
/// "group-G", setting the custom property --group-colour.
std::string group_css(std::size_t group);

/// The rules of group_css for groups 0 .. groups-1, one line each.
std::string group_colour_rules(std::size_t groups);

}  // namespace itemdif::results

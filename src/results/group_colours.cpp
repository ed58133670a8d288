// Group colours of the HTML report.
#include "results/group_colours.hpp"

#include <array>

namespace itemdif::results {
namespace {

constexpr const char* kReference = "#0b6fb8";
// Far apart in hue and lightness, and away from the reference blue and the class bands'
// pale amber and red; the first is the focal colour of a one-focal page.
constexpr std::array kFocal = {"#8a3ffc", "#e8590c", "#198038", "#d12771",
                               "#9f7700", "#007d79", "#6f4e37", "#5c5f66"};

}  // namespace

const char* group_colour(std::size_t group) {
  return group == 0 ? kReference : kFocal[(group - 1) % kFocal.size()];
}

std::string group_css(std::size_t group) { return "group-" + std::to_string(group); }

std::string group_colour_rules(std::size_t groups) {
  std::string rules;
  for (std::size_t g = 0; g < groups; ++g)
    rules += "." + group_css(g) + " { --group-colour: " + group_colour(g) + "; }\n";
  return rules;
}

}  // namespace itemdif::results

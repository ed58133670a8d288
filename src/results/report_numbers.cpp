// Numbers and classes as the HTML report shows them.
#include "results/report_numbers.hpp"

#include <cmath>
#include <cstdio>

namespace itemdif::results {

std::string decimal_text(const std::optional<double>& value, int decimals) {
  if (!value || std::isnan(*value)) return kUndefinedText;
  if (std::isinf(*value)) return *value > 0 ? "\u221e" : "\u2212\u221e";
  char text[64];
  // Fixed decimals would run to hundreds of digits for a huge value: exponent form there.
  if (std::fabs(*value) >= 1e9)
    std::snprintf(text, sizeof text, "%.*e", decimals, *value);
  else
    std::snprintf(text, sizeof text, "%.*f", decimals, *value);
  return text;
}

std::string p_value_text(const std::optional<double>& p) {
  if (!p || !std::isfinite(*p)) return kUndefinedText;
  char text[64];
  if (*p >= 0.001 || *p == 0.0)
    std::snprintf(text, sizeof text, "%.3f", *p);
  else
    std::snprintf(text, sizeof text, "%.2e", *p);
  return text;
}

std::string class_css(const std::string& dif_class) {
  if (dif_class.empty()) return "cls-none";
  switch (dif_class.front()) {
    case 'A': return "cls-A";
    case 'B': return "cls-B";
    case 'C': return "cls-C";
    default: return "cls-none";
  }
}

std::string shortened_label(const std::string& text, std::size_t max_characters) {
  if (max_characters == 0) return {};
  auto starts_character = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; };
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!starts_character(text[i])) continue;
    // Room for the ellipsis: cut before the character that would make max_characters.
    if (characters + 1 == max_characters) {
      std::size_t rest = 0;
      for (std::size_t k = i; k < text.size(); ++k) rest += starts_character(text[k]);
      if (rest > 1) return text.substr(0, i) + "\u2026";
    }
    ++characters;
  }
  return text;
}

}  // namespace itemdif::results

// Rendering one value into one field: I, F, E, D (and the others the compiler accepts).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace itemdif::textio {

/// Output modes of one write operation that change how fields render.
struct FieldModes {
  int scale = 0;            ///< kP
  bool plus_sign = false;   ///< SP
};

std::string render_integer(std::int32_t value, int width, int min_digits, const FieldModes& modes);
std::string render_fixed(double value, int width, int digits, const FieldModes& modes);
/// E and D fields: `letter` 'E' or 'D'; `exponent_digits` -1 when Ee is absent.
std::string render_exponent(double value, int width, int digits, int exponent_digits, char letter,
                            const FieldModes& modes);
/// A fields: right-aligned when shorter than `width`, leftmost characters when longer;
/// `width` -1 uses the text's own length.
std::string render_text(std::string_view value, int width);

}  // namespace itemdif::textio

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

/// G fields: the F form followed by blanks when the value's magnitude suits d digits, else E.
std::string render_general(double value, int width, int digits, int exponent_digits,
                           const FieldModes& modes);
/// ES (`engineering` false) and EN (`engineering` true) fields.
std::string render_scientific(double value, int width, int digits, int exponent_digits,
                              bool engineering, const FieldModes& modes);
/// L fields: T for a nonzero value, F for zero, right-aligned.
std::string render_logical(bool value, int width);
/// O, Z and B fields (`radix` 8, 16 or 2) of the value's 32-bit pattern, at least `min_digits`.
std::string render_radix(std::int32_t value, int width, int min_digits, int radix);

// The same renderings appended to `out`, for callers that build whole lines and want no
// temporary string per field. A width of 0 asks for the shortest text of the value.
void append_integer(std::string& out, std::int32_t value, int width, int min_digits,
                    const FieldModes& modes);
void append_fixed(std::string& out, double value, int width, int digits, const FieldModes& modes);
void append_exponent(std::string& out, double value, int width, int digits, int exponent_digits,
                     char letter, const FieldModes& modes);
void append_text(std::string& out, std::string_view value, int width);
void append_general(std::string& out, double value, int width, int digits, int exponent_digits,
                    const FieldModes& modes);
void append_scientific(std::string& out, double value, int width, int digits,
                       int exponent_digits, bool engineering, const FieldModes& modes);
void append_logical(std::string& out, bool value, int width);
void append_radix(std::string& out, std::int32_t value, int width, int min_digits, int radix);

}  // namespace itemdif::textio

// Field rendering: the text of one value in one field, for every field kind of a layout.
#include "textio/fields.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace itemdif::textio {
namespace {

/// The one padding rule of every field: `sign` (when not '\0'), then a "0" when `optional_zero`,
/// then `body`, right-aligned in `width` columns. When it does not fit the zero is dropped first;
/// when it still does not fit the field is `width` asterisks. Width 0 gives the text unpadded.
void place(std::string& out, int width, std::string_view body, char sign = '\0',
           bool optional_zero = false) {
  std::size_t need = body.size() + (sign != '\0' ? 1 : 0);
  bool zero = optional_zero;
  if (width > 0) {
    const auto w = static_cast<std::size_t>(width);
    if (zero && need + 1 > w) zero = false;
    if (zero) ++need;
    if (need > w) {
      out.append(w, '*');
      return;
    }
    out.append(w - need, ' ');
  }
  if (sign != '\0') out += sign;
  if (zero) out += '0';
  out += body;
}

// printf output of very small or very large values can run to a few hundred characters.
char* scratch(std::size_t size) {
  static thread_local std::string buffer;
  if (buffer.size() < size) buffer.resize(size);
  return buffer.data();
}

void increment(std::string& digits) {
  for (std::size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return;
    }
    digits[i] = '0';
  }
  digits.insert(digits.begin(), '1');
}

/// The decimal digits of a * 10^f rounded to an integer, exactly-halfway cases away from zero
/// (a >= 0 finite). No leading zeros; "0" when the result is zero.
void scaled_digits(double a, int f, std::string& out) {
  out.clear();
  if (a == 0.0) {
    out = "0";
    return;
  }
  if (f >= 0) {
    // printf gives the correctly rounded digits of the exact binary value but breaks exact ties
    // towards even. With a = m * 2^e (m odd), the exact decimal expansion of a ends at the -e-th
    // place after the point, and that last digit is 5; so a lies exactly halfway between two
    // results with f places precisely when e = -(f + 1). Then the f + 1 places are exact and the
    // 5 is rounded up by hand.
    int exponent = 0;
    const double fraction = std::frexp(a, &exponent);
    auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    const int e = exponent - 53 + std::countr_zero(mantissa);
    const bool tie = e == -(f + 1);
    const int precision = tie ? f + 1 : f;
    const std::size_t capacity = 330 + static_cast<std::size_t>(precision);
    char* buf = scratch(capacity);
    const int len = std::snprintf(buf, capacity, "%.*f", precision, a);
    for (int i = 0; i < len; ++i) {
      if (buf[i] != '.') out += buf[i];
    }
    if (tie) {
      out.pop_back();
      increment(out);
    }
  } else {
    // Rounding to tens or coarser: the integer part holds every digit that decides it, and a
    // first dropped digit of 5 or more rounds up whatever follows.
    const std::size_t drop = static_cast<std::size_t>(-static_cast<long>(f));
    char* buf = scratch(330);
    const auto len = static_cast<std::size_t>(std::snprintf(buf, 330, "%.0f", std::floor(a)));
    if (len < drop) {
      out = "0";
      return;
    }
    out.assign(buf, len - drop);
    if (out.empty()) out = "0";
    if (buf[len - drop] >= '5') increment(out);
  }
  std::size_t first = out.find_first_not_of('0');
  if (first == std::string::npos) {
    out = "0";
  } else if (first > 0) {
    out.erase(0, first);
  }
}

/// floor(log10(a)) for a > 0, exactly: 21 significant digits can never round a double up to the
/// next power of ten.
int decimal_exponent(double a) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.20e", a);
  const char* e = buf;
  while (*e != 'e') ++e;
  return std::atoi(e + 1);
}

/// The first n significant digits of a > 0, rounded as for F fields, into `out`; returns P with
/// a ≈ 0.D × 10^P.
int significant_digits(double a, int n, std::string& out) {
  const int e10 = decimal_exponent(a);
  scaled_digits(a, n - 1 - e10, out);
  if (out.size() > static_cast<std::size_t>(n)) {
    // Rounding carried into a new digit: the result is 10^(e10+1).
    out.resize(static_cast<std::size_t>(n));
    return e10 + 2;
  }
  return e10 + 1;
}

/// The exponent part: letter, sign and two digits; three digits without the letter above 99.
/// With Ee: letter, sign and e digits. False when the exponent needs more room.
bool append_exponent_part(std::string& body, int x, int exponent_digits, char letter) {
  const unsigned ax = static_cast<unsigned>(x < 0 ? -x : x);
  char digits[16];
  const auto res = std::to_chars(digits, digits + sizeof digits, ax);
  const auto count = static_cast<int>(res.ptr - digits);
  const char sign = x < 0 ? '-' : '+';
  if (exponent_digits < 0) {
    if (ax <= 99) {
      body += letter;
      body += sign;
      if (count < 2) body += '0';
    } else if (ax <= 999) {
      body += sign;
    } else {
      return false;
    }
  } else {
    if (count > exponent_digits) return false;
    body += letter;
    body += sign;
    body.append(static_cast<std::size_t>(exponent_digits - count), '0');
  }
  body.append(digits, res.ptr);
  return true;
}

char sign_of(bool negative, const FieldModes& modes) {
  if (negative) return '-';
  return modes.plus_sign ? '+' : '\0';
}

/// A field of `width` columns (> 0) filled with asterisks: what every field writes when its
/// text cannot fit, checked first where the text alone would cost more than the width.
void overflow(std::string& out, int width) {
  out.append(static_cast<std::size_t>(width > 0 ? width : 1), '*');
}

/// Whether a text of at least `least` characters cannot fit in `width` (> 0) columns.
bool cannot_fit(int width, std::int64_t least) { return width > 0 && least > width; }

/// Digits, exponent digits and scales in int arithmetic that cannot overflow: sums of two
/// layout numbers stay far inside int64.
std::int64_t wide(int n) { return n; }

/// Rounding to more places than this is exact for every double (its expansion ends within 1074
/// places after the point and 309 before it): no carry into a new leading digit.
constexpr std::int64_t kExactPlaces = 1100;

/// NaN and the infinities: the word when it fits, else asterisks.
void append_special(std::string& out, double value, int width, const FieldModes& modes) {
  if (std::isnan(value)) {
    place(out, width, "NaN");
  } else {
    place(out, width, "Infinity", sign_of(value < 0, modes));
  }
}

}  // namespace

void append_integer(std::string& out, std::int32_t value, int width, int min_digits,
                    const FieldModes& modes) {
  if (value == 0 && min_digits == 0) {
    out.append(static_cast<std::size_t>(width > 0 ? width : 1), ' ');
    return;
  }
  const std::int64_t wide = value;
  const std::uint64_t magnitude = static_cast<std::uint64_t>(wide < 0 ? -wide : wide);
  char digits[40];
  const auto res = std::to_chars(digits, digits + 20, magnitude);
  auto count = static_cast<std::size_t>(res.ptr - digits);
  std::string_view body(digits, count);
  char padded[64];
  if (min_digits > 0 && count < static_cast<std::size_t>(min_digits)) {
    const std::size_t m = static_cast<std::size_t>(min_digits);
    if (m > sizeof padded) {
      // More digits than any width that can hold them: the field cannot fit anyway.
      out.append(static_cast<std::size_t>(width > 0 ? width : 1), '*');
      return;
    }
    std::fill(padded, padded + (m - count), '0');
    std::copy(digits, digits + count, padded + (m - count));
    body = std::string_view(padded, m);
  }
  place(out, width, body, sign_of(value < 0, modes));
}

void append_fixed(std::string& out, double value, int width, int digits, const FieldModes& modes) {
  if (!std::isfinite(value)) return append_special(out, value, width, modes);
  // The point and d digits, and beyond 324 places the value's own integer digits, all come
  // before the width is looked at.
  const std::int64_t places = wide(digits) + wide(modes.scale);
  if (cannot_fit(width, wide(digits) + 1) || (value != 0.0 && cannot_fit(width, places - 324)))
    return overflow(out, width);
  static thread_local std::string scaled;
  static thread_local std::string body;
  // Rounding to more than 1100 places before the point leaves no digit; the clamp keeps the
  // count an int.
  scaled_digits(std::fabs(value), static_cast<int>(std::max<std::int64_t>(places, -kExactPlaces)),
                scaled);
  const bool zero = scaled == "0";
  const auto d = static_cast<std::size_t>(digits);
  body.clear();
  bool optional_zero = false;
  if (scaled.size() > d && !zero) {
    body.append(scaled, 0, scaled.size() - d);
  } else {
    optional_zero = true;  // F1.0 of 0.3 is "." alone: the zero needs a column of its own
  }
  body += '.';
  if (zero) {
    body.append(d, '0');
  } else if (scaled.size() >= d) {
    body.append(scaled, scaled.size() - d, d);
  } else {
    body.append(d - scaled.size(), '0');
    body += scaled;
  }
  // A negative value that rounds to zero is written without its sign.
  place(out, width, body, sign_of(std::signbit(value) && !zero, modes), optional_zero);
}

void append_exponent(std::string& out, double value, int width, int digits, int exponent_digits,
                     char letter, const FieldModes& modes) {
  if (!std::isfinite(value)) return append_special(out, value, width, modes);
  const int k = modes.scale;
  const std::int64_t n = k == 0 ? digits : (k > 0 ? wide(digits) + 1 : wide(digits) + k);
  if (n < 1 || (k > 0 && k > wide(digits) + 1)) {
    // No significant digit is left by this scale factor: nothing sensible fits.
    return overflow(out, width);
  }
  // The point and the digits (n of them, after -k zeros when k < 0), or the letter, the sign
  // and e exponent digits, are the least the text holds.
  if (cannot_fit(width, (k < 0 ? wide(digits) : n) + 1) ||
      cannot_fit(width, wide(exponent_digits) + 2))
    return overflow(out, width);
  const double a = std::fabs(value);
  static thread_local std::string sig;
  static thread_local std::string body;
  int x = 0;
  if (a == 0.0) {
    sig.assign(static_cast<std::size_t>(n), '0');
  } else {
    x = significant_digits(a, static_cast<int>(n), sig) - k;
  }
  body.clear();
  bool optional_zero = false;
  if (k > 0) {
    body.append(sig, 0, static_cast<std::size_t>(k));
    body += '.';
    body.append(sig, static_cast<std::size_t>(k));
  } else {
    optional_zero = true;
    body += '.';
    body.append(static_cast<std::size_t>(-k), '0');
    body += sig;
  }
  if (!append_exponent_part(body, x, exponent_digits, letter)) {
    out.append(static_cast<std::size_t>(width > 0 ? width : 1), '*');
    return;
  }
  place(out, width, body, sign_of(std::signbit(value) && a != 0.0, modes), optional_zero);
}

void append_text(std::string& out, std::string_view value, int width) {
  if (width < 0) {
    out += value;
    return;
  }
  if (value.size() > static_cast<std::size_t>(width)) value = value.substr(0, static_cast<std::size_t>(width));
  place(out, width, value);
}

void append_general(std::string& out, double value, int width, int digits, int exponent_digits,
                    const FieldModes& modes) {
  if (!std::isfinite(value)) return append_special(out, value, width, modes);
  const std::int64_t trailing = exponent_digits < 0 ? 4 : wide(exponent_digits) + 2;
  if (digits >= 1 && wide(width) - trailing >= 1) {
    // The fixed form is used when the value rounded to d significant digits has its
    // point within those digits (0.1 <= |rounded| < 10^d), or for zero.
    const double a = std::fabs(value);
    static thread_local std::string sig;
    // So many digits round exactly, without carry: the point stays where the value has it.
    const int p = a == 0.0                    ? 1
                  : digits > kExactPlaces ? decimal_exponent(a) + 1
                                              : significant_digits(a, digits, sig);
    if (p >= 0 && p <= digits) {
      FieldModes fixed_modes = modes;
      fixed_modes.scale = 0;
      append_fixed(out, value, width - static_cast<int>(trailing), digits - p, fixed_modes);
      out.append(static_cast<std::size_t>(trailing), ' ');
      return;
    }
  }
  append_exponent(out, value, width, digits, exponent_digits, 'E', modes);
}

void append_scientific(std::string& out, double value, int width, int digits,
                       int exponent_digits, bool engineering, const FieldModes& modes) {
  if (!std::isfinite(value)) return append_special(out, value, width, modes);
  // A leading digit, the point and d digits, or the letter, the sign and e exponent digits.
  if (cannot_fit(width, wide(digits) + 2) || cannot_fit(width, wide(exponent_digits) + 2))
    return overflow(out, width);
  const double a = std::fabs(value);
  static thread_local std::string sig;
  static thread_local std::string body;
  int x = 0;
  int leading = 1;
  if (a == 0.0) {
    sig.assign(static_cast<std::size_t>(digits + 1), '0');
  } else if (!engineering) {
    x = significant_digits(a, digits + 1, sig) - 1;
  } else {
    int e10 = decimal_exponent(a);
    for (int attempt = 0; attempt < 2; ++attempt) {
      x = e10 >= 0 ? e10 / 3 * 3 : -((-e10 + 2) / 3 * 3);
      leading = e10 - x + 1;
      const int p = significant_digits(a, leading + digits, sig);
      if (p - 1 == e10) break;
      e10 = p - 1;  // rounding carried into the next power of ten
    }
  }
  body.clear();
  body.append(sig, 0, static_cast<std::size_t>(leading));
  body += '.';
  body.append(sig, static_cast<std::size_t>(leading));
  if (!append_exponent_part(body, x, exponent_digits, 'E')) return overflow(out, width);
  place(out, width, body, sign_of(std::signbit(value) && a != 0.0, modes));
}

void append_logical(std::string& out, bool value, int width) {
  place(out, width, value ? "T" : "F");
}

void append_radix(std::string& out, std::int32_t value, int width, int min_digits, int radix) {
  auto pattern = static_cast<std::uint32_t>(value);
  if (pattern == 0 && min_digits == 0) {
    out.append(static_cast<std::size_t>(width > 0 ? width : 1), ' ');
    return;
  }
  char digits[40];
  const auto res = std::to_chars(digits, digits + 32, pattern, radix);
  std::size_t count = static_cast<std::size_t>(res.ptr - digits);
  for (std::size_t i = 0; i < count; ++i) {
    if (digits[i] >= 'a') digits[i] = static_cast<char>(digits[i] - 'a' + 'A');
  }
  if (cannot_fit(width, min_digits)) return overflow(out, width);
  std::string padded;
  std::string_view body(digits, count);
  if (min_digits > 0 && count < static_cast<std::size_t>(min_digits)) {
    padded.assign(static_cast<std::size_t>(min_digits) - count, '0');
    padded.append(digits, count);
    body = padded;
  }
  place(out, width, body);
}

std::string render_integer(std::int32_t value, int width, int min_digits, const FieldModes& modes) {
  std::string s;
  append_integer(s, value, width, min_digits, modes);
  return s;
}

std::string render_fixed(double value, int width, int digits, const FieldModes& modes) {
  std::string s;
  append_fixed(s, value, width, digits, modes);
  return s;
}

std::string render_exponent(double value, int width, int digits, int exponent_digits, char letter,
                            const FieldModes& modes) {
  std::string s;
  append_exponent(s, value, width, digits, exponent_digits, letter, modes);
  return s;
}

std::string render_text(std::string_view value, int width) {
  std::string s;
  append_text(s, value, width);
  return s;
}

std::string render_general(double value, int width, int digits, int exponent_digits,
                           const FieldModes& modes) {
  std::string s;
  append_general(s, value, width, digits, exponent_digits, modes);
  return s;
}

std::string render_scientific(double value, int width, int digits, int exponent_digits,
                              bool engineering, const FieldModes& modes) {
  std::string s;
  append_scientific(s, value, width, digits, exponent_digits, engineering, modes);
  return s;
}

std::string render_logical(bool value, int width) {
  std::string s;
  append_logical(s, value, width);
  return s;
}

std::string render_radix(std::int32_t value, int width, int min_digits, int radix) {
  std::string s;
  append_radix(s, value, width, min_digits, radix);
  return s;
}

}  // namespace itemdif::textio

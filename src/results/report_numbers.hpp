// How the HTML report writes its numbers, classes and labels for readers (the results files
// keep full precision and whole names; the page rounds and shortens).
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace itemdif::results {

/// The text of an undefined value on the page.
inline constexpr const char* kUndefinedText = "\u2013";

/// `value` with `decimals` decimals (in exponent form from 1e9 up), an infinity sign, or
/// kUndefinedText for an empty or NaN value.
std::string decimal_text(const std::optional<double>& value, int decimals);

/// A p-value: three decimals from 0.001 up, else three significant digits in exponent form
/// (4.72e-32), so that very small values keep their size; kUndefinedText when undefined or
/// not finite.
std::string p_value_text(const std::optional<double>& p);

/// The CSS class of a DIF class "A", "B-", "C+", ...: "cls-A", "cls-B", "cls-C", or
/// "cls-none" for an undefined class.
std::string class_css(const std::string& dif_class);

/// `text` cut to at most `max_characters` characters (UTF-8 code points, never splitting one),
/// ending in an ellipsis when cut: long item names must not run over a plot.
std::string shortened_label(const std::string& text, std::size_t max_characters);

}  // namespace itemdif::results

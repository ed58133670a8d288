// The page's and its plots' markup: elements with attributes, escaped text, and the numbers of
// SVG coordinates in one compact format.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace itemdif::results {

/// `text` with the five characters that can end a text or an attribute (& < > " ') written as
/// entities; safe in element content and in quoted attribute values of HTML, SVG and XML.
std::string escape_markup(std::string_view text);

/// A coordinate or length: at most two decimals, no trailing zeros or point, never "-0"
/// (1.5 -> "1.5", 2.0 -> "2", -0.004 -> "0"). Non-finite values and values beyond
/// kLargestCoordinate throw std::invalid_argument: they mean a plot computed a position it
/// cannot draw.
inline constexpr double kLargestCoordinate = 1e9;
std::string svg_number(double value);

/// One attribute; numbers are written with svg_number, text is escaped when written.
struct Attribute {
  Attribute(std::string name, std::string value);
  Attribute(std::string name, const char* value);
  Attribute(std::string name, double value);
  Attribute(std::string name, int value);

  std::string name;
  std::string value;  ///< as given; escaped by the writer
};

using Attributes = std::vector<Attribute>;

/// Writes nested elements into one text. Names are the caller's constants; every text and
/// attribute value is escaped here, so user strings (item names) never become markup.
class MarkupWriter {
 public:
  /// `<name attributes>`; closed by close().
  void open(std::string_view name, const Attributes& attributes = {});
  /// Closes the innermost open element. Throws std::logic_error when none is open.
  void close();
  /// `<name attributes/>`: for SVG elements only (HTML has no self-closing elements).
  void empty(std::string_view name, const Attributes& attributes = {});
  /// `<name attributes>text</name>`.
  void element(std::string_view name, const Attributes& attributes, std::string_view text);
  /// Escaped text in the current element.
  void text(std::string_view text);
  /// Markup written by another writer (a finished plot), inserted as it is.
  void insert(std::string_view markup);
  void line_break();

  std::size_t depth() const { return open_.size(); }
  /// The text written, once. Throws std::logic_error while an element is still open.
  std::string finish();

 private:
  void start_tag(std::string_view name, const Attributes& attributes);

  std::string out_;
  std::vector<std::string> open_;
};

}  // namespace itemdif::results

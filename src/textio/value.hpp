// The values that an output layout consumes: scalars and arrays of them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace itemdif::textio {

/// One entry of an output list. An array counts as its elements in order; an array with no
/// elements still matters to the line-writing rule for empty arrays. Values only refer to the
/// caller's data, which must outlive the write.
class Value {
 public:
  enum class Kind : std::uint8_t {
    integer,        ///< one 32-bit integer (I fields)
    real,           ///< one double or float, widened exactly (F, E, D, G fields)
    text,           ///< one text (A fields)
    integer_array,
    double_array,
    float_array,
    text_array,     ///< texts, e.g. a table of names
    char_array,     ///< the characters of one text, each a text of length 1 (for nA1)
  };

  Value(std::int32_t v) : kind_(Kind::integer), integer_(v) {}
  Value(double v) : kind_(Kind::real), real_(v) {}
  Value(float v) : kind_(Kind::real), real_(v) {}
  Value(std::string_view v) : kind_(Kind::text), text_(v) {}
  Value(const char* v) : kind_(Kind::text), text_(v) {}
  Value(const std::string& v) : kind_(Kind::text), text_(v) {}
  Value(std::span<const std::int32_t> v) : kind_(Kind::integer_array), ints_(v) {}
  Value(std::span<const double> v) : kind_(Kind::double_array), doubles_(v) {}
  Value(std::span<const float> v) : kind_(Kind::float_array), floats_(v) {}
  Value(std::span<const std::string> v) : kind_(Kind::text_array), texts_(v) {}

  /// The characters of `text`, each a separate one-character value.
  static Value chars(std::string_view text) {
    Value v{text};
    v.kind_ = Kind::char_array;
    return v;
  }

  Kind kind() const { return kind_; }
  /// Number of elements: 1 for a scalar.
  std::size_t size() const;
  bool is_array() const { return kind_ != Kind::integer && kind_ != Kind::real && kind_ != Kind::text; }

  // Element access (element 0 of a scalar is the scalar itself).
  bool element_is_integer() const { return kind_ == Kind::integer || kind_ == Kind::integer_array; }
  bool element_is_real() const {
    return kind_ == Kind::real || kind_ == Kind::double_array || kind_ == Kind::float_array;
  }
  bool element_is_text() const {
    return kind_ == Kind::text || kind_ == Kind::text_array || kind_ == Kind::char_array;
  }
  std::int32_t integer_at(std::size_t i) const;
  double real_at(std::size_t i) const;
  std::string_view text_at(std::size_t i) const;

 private:
  Kind kind_;
  std::int32_t integer_ = 0;
  double real_ = 0.0;
  std::string_view text_;
  std::span<const std::int32_t> ints_;
  std::span<const double> doubles_;
  std::span<const float> floats_;
  std::span<const std::string> texts_;
};

}  // namespace itemdif::textio

// Element access for the values that output layouts consume.
#include "textio/value.hpp"

namespace itemdif::textio {

std::size_t Value::size() const {
  switch (kind_) {
    case Kind::integer:
    case Kind::real:
    case Kind::text: return 1;
    case Kind::integer_array: return ints_.size();
    case Kind::double_array: return doubles_.size();
    case Kind::float_array: return floats_.size();
    case Kind::text_array: return texts_.size();
    case Kind::char_array: return text_.size();
  }
  return 0;
}

std::int32_t Value::integer_at(std::size_t i) const {
  return kind_ == Kind::integer_array ? ints_[i] : integer_;
}

double Value::real_at(std::size_t i) const {
  switch (kind_) {
    case Kind::double_array: return doubles_[i];
    case Kind::float_array: return static_cast<double>(floats_[i]);
    default: return real_;
  }
}

std::string_view Value::text_at(std::size_t i) const {
  switch (kind_) {
    case Kind::text_array: return texts_[i];
    case Kind::char_array: return text_.substr(i, 1);
    default: return text_;
  }
}

}  // namespace itemdif::textio

// Numbers of the results files as text: the shortest text that reads back as the same double.
#pragma once

#include <optional>
#include <string>

namespace itemdif::results {

/// The shortest decimal text that reads back as `value` ("0.1", "1e-300", "5e-324"); empty
/// for not-a-number and the infinities, which the files leave undefined.
std::string number_text(double value);

/// number_text of a defined value; empty when the value is undefined.
std::string number_text(const std::optional<double>& value);

}  // namespace itemdif::results

// CSV text of the results tables: a header and one line per row, RFC 4180 quoting, LF ends.
#pragma once

#include <string>
#include <vector>

#include "results/result_rows.hpp"

namespace itemdif::results {

/// `text` as one CSV field: quoted (with doubled quotes) when it holds a comma, a quote, a line
/// end, or blanks at either end that a reader might trim.
std::string csv_field(const std::string& text);

/// The header of `columns` and every row; numbers in their shortest exact text, an undefined
/// cell empty, truth values `true` / `false`.
std::string csv_text(const std::vector<std::string>& columns, const std::vector<Row>& rows);

}  // namespace itemdif::results

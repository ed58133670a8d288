// Item scores from SPSS (.sav), Stata (.dta) and SAS (.sas7bdat) files, parsed by ReadStat.
#pragma once

#include "data/file_format.hpp"
#include "data/item_scores.hpp"

namespace itemdif::data {

/// Numbers are cells of their value; a value missing in the file's format (system-missing,
/// user-defined or tagged) is a missing cell; strings are cells as in a text table. A labelled
/// numeric group column matches the focal and reference values by label or by number. A
/// ReadStat error becomes an InputError naming the file and the library's message.
ItemScores read_statistical_file(const ReadOptions& options, FileFormat format);

}  // namespace itemdif::data

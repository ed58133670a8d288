// Which reader a data file goes to: by its extension, or a text table when a delimiter is given.
#pragma once

#include <optional>
#include <string>

namespace itemdif::data {

enum class FileFormat { text, sav, dta, sas7bdat };

struct FormatChoice {
  FileFormat format = FileFormat::text;
  char delimiter = ',';  ///< for text tables
};

/// `.csv` comma, `.tsv` / `.tab` tab, `.sav`, `.dta`, `.sas7bdat` (any case). A delimiter makes
/// any file other than the three statistical formats a text table. Throws InputError for an
/// unknown extension without a delimiter.
FormatChoice choose_format(const std::string& path, std::optional<char> delimiter);

}  // namespace itemdif::data

#pragma once

#include "intake/Check.h"

#include <filesystem>
#include <string_view>
#include <vector>

namespace quelvane::intake {

// Compares a table of the working folder (an empty path: there is none) with a newly built one,
// row by row on the key fields and value by value on the fields of either. A current table that
// cannot be read or lacks a key field is reported as unreadable rather than stopping the run.
TableDifference compareTables(std::string_view table, const std::vector<std::string_view>& keyFields,
                              const std::filesystem::path& currentDbf, const std::filesystem::path& newDbf);

} // namespace quelvane::intake

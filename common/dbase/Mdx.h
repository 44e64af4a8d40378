#pragma once

#include "common/dbase/DbfHeader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The production index (.MDX) of a working table: one ascending numeric tag, duplicates allowed,
// rebuilt whole from the table's rows whenever it is written.
namespace quelvane::dbase {

struct MdxEntry {
    double value = 0;
    std::uint32_t record = 0; // 1-based
};

// The whole file for one numeric tag named `tag` over the expression `expression` (a field name),
// holding every entry in key order; equal keys in record order. `tableName` is stored in the file
// header (without extension).
std::string buildNumericMdx(std::string_view tableName, std::string_view tag, std::string_view expression,
                            std::vector<MdxEntry> entries, Date date);

// The name of the only tag of an index file; nothing when the bytes are not such a file or hold
// another number of tags.
std::optional<std::string> singleTagName(std::string_view mdx);

} // namespace quelvane::dbase

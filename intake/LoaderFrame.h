#pragma once

#include "common/dbase/Field.h"
#include "common/dbase/Table.h"
#include "common/xml/Document.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What every loader does around its own per-element work: throw away the old table, create it
// anew with the loader's fields, open it; and read attributes the way the working tables take them.
namespace quelvane::intake {

struct IntakeContext;

// Deletes <folder>/<tableName>.DBF and .MDX where they exist, creates the table with exactly these
// fields (and the index, where one is given) and opens it for exclusive use. Closing it does not
// wait for the disk: the run flushes the tables it keeps (flushTables).
dbase::Table createLoaderTable(const std::filesystem::path& folder, std::string_view tableName,
                               const std::vector<dbase::FieldDef>& fields,
                               const std::optional<dbase::IndexDef>& index = std::nullopt);

// Notes the table's row count for the summary and closes it (storing it on disk).
void closeLoaderTable(IntakeContext& context, dbase::Table& table);

// Field definitions, so that layouts read like the tables they describe.
dbase::FieldDef characterField(std::string_view name, int width);
dbase::FieldDef logicalField(std::string_view name);
dbase::FieldDef integerField(std::string_view name);
dbase::FieldDef doubleField(std::string_view name);

// The single-element rule: a collection of one element loads nothing, and a lookup collection of
// one element matches nothing. The host's users know their tables as built this way, so the rule
// is kept although a school with one department or one teaching loses its names to it.
inline bool holdsData(std::size_t elementCount)
{
    return elementCount > 1;
}

// The attributes of one element, each trimmed and in Windows-1252; a missing attribute reads as
// empty text.
class AttributeReader {
public:
    explicit AttributeReader(const xml::Element& element)
        : element_(element)
    {
    }
    std::string operator()(std::string_view name) const;
    const xml::Element& element() const { return element_; }

private:
    xml::Element element_;
};

} // namespace quelvane::intake

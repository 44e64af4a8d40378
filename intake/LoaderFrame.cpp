#include "intake/LoaderFrame.h"

#include "common/xml/AttributeValue.h"
#include "intake/IntakeContext.h"

namespace quelvane::intake {

dbase::Table createLoaderTable(const std::filesystem::path& folder, std::string_view tableName,
                               const std::vector<dbase::FieldDef>& fields, const std::optional<dbase::IndexDef>& index)
{
    // A stale index file beside a table created without one would contradict the new table.
    dbase::deleteTableFiles(folder, tableName);
    // Intake builds the tables in a folder of their own and moves them into the working folder
    // only after every loader is done: it flushes them then, all together (a dry run never), so
    // that the waits for the disk come at once and the disk works while the loaders go on.
    return dbase::Table::create(dbase::tableFile(folder, tableName), fields, index, platform::Flush::Later);
}

void closeLoaderTable(IntakeContext& context, dbase::Table& table)
{
    context.rowCounts[table.name()] = static_cast<int>(table.recordCount());
    table.close();
}

dbase::FieldDef characterField(std::string_view name, int width)
{
    return dbase::FieldDef {std::string(name), dbase::FieldType::Character, width, 0};
}

dbase::FieldDef logicalField(std::string_view name)
{
    return dbase::FieldDef {std::string(name), dbase::FieldType::Logical, 1, 0};
}

dbase::FieldDef integerField(std::string_view name)
{
    return dbase::FieldDef {std::string(name), dbase::FieldType::Integer, 4, 0};
}

dbase::FieldDef doubleField(std::string_view name)
{
    return dbase::FieldDef {std::string(name), dbase::FieldType::Double, 8, 0};
}

std::string AttributeReader::operator()(std::string_view name) const
{
    return xml::attributeValue(element_, name);
}

} // namespace quelvane::intake

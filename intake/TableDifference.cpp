#include "intake/TableDifference.h"

#include "common/Error.h"
#include "common/dbase/Table.h"
#include "common/text/Text.h"

#include <map>
#include <set>

namespace quelvane::intake {

namespace fs = std::filesystem;

namespace {

using Values = std::map<std::string, std::string>; // field name -> value as text, Windows-1252

struct KeyedRows {
    std::vector<std::string> fields; // in table order
    std::vector<std::string> keys; // in table order
    std::map<std::string, Values> rows;
};

KeyedRows readRows(const fs::path& dbf, const std::vector<std::string_view>& keyFields)
{
    dbase::Table table = dbase::Table::open(dbf);
    KeyedRows read;
    for (const dbase::FieldDef& field : table.fields())
        read.fields.push_back(field.name);
    std::map<std::string, int> seen;
    for (table.first(); !table.eof(); table.next()) {
        std::string key;
        for (std::size_t i = 0; i < keyFields.size(); ++i)
            key += (i ? " / " : "") + text::toUtf8(table.text(keyFields[i]));
        if (const int n = ++seen[key]; n > 1)
            key += " #" + std::to_string(n);
        Values values;
        for (const std::string& field : read.fields)
            values[field] = table.text(field);
        read.keys.push_back(key);
        read.rows.emplace(key, std::move(values));
    }
    table.close();
    return read;
}

std::string valueOf(const Values& values, const std::string& field)
{
    const auto found = values.find(field);
    return found == values.end() ? std::string() : found->second;
}

} // namespace

TableDifference compareTables(std::string_view table, const std::vector<std::string_view>& keyFields,
                              const fs::path& currentDbf, const fs::path& newDbf)
{
    TableDifference difference;
    difference.table = table;
    for (std::size_t i = 0; i < keyFields.size(); ++i)
        difference.key += (i ? "+" : "") + std::string(keyFields[i]);

    const KeyedRows built = readRows(newDbf, keyFields);
    KeyedRows current;
    if (!currentDbf.empty()) {
        difference.currentExists = true;
        try {
            current = readRows(currentDbf, keyFields);
        } catch (const Error& error) {
            difference.unreadable = error.what();
            return difference;
        }
        difference.currentRows = static_cast<int>(current.keys.size());
    }

    // A field that only one of the tables has counts as blank in the other: a value that the
    // host keeps in a field of its own is lost all the same.
    std::vector<std::string> fields = built.fields;
    const std::set<std::string> builtFields(built.fields.begin(), built.fields.end());
    for (const std::string& field : current.fields)
        if (!builtFields.contains(field))
            fields.push_back(field);

    for (const std::string& key : built.keys) {
        const auto old = current.rows.find(key);
        if (old == current.rows.end()) {
            difference.added.push_back(key);
            continue;
        }
        ChangedRow changed {key, {}};
        for (const std::string& field : fields)
            if (valueOf(old->second, field) != valueOf(built.rows.at(key), field))
                changed.fields.push_back(text::toUtf8(field));
        if (!changed.fields.empty())
            difference.changed.push_back(std::move(changed));
    }
    for (const std::string& key : current.keys)
        if (!built.rows.contains(key))
            difference.removed.push_back(key);
    return difference;
}

} // namespace quelvane::intake

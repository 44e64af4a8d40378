#include "common/text/Json.h"
#include "intake/Check.h"
#include "intake/SummaryText.h"

#include <string>

// The dry run's report as the staff read it, and as scripts read it.
namespace quelvane::intake {

using text::jsonString;

namespace {

// Longer lists are cut in the text; the JSON has them whole.
constexpr std::size_t shownKeys = 10;

std::string pathText(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string counted(std::size_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

template <typename Item, typename Shown>
std::string keyList(const char* label, const std::vector<Item>& items, Shown shown)
{
    if (items.empty())
        return {};
    std::string out = std::string("    ") + label + ": ";
    for (std::size_t i = 0; i < items.size() && i < shownKeys; ++i)
        out += (i ? ", " : "") + shown(items[i]);
    if (items.size() > shownKeys)
        out += " y " + std::to_string(items.size() - shownKeys) + " más";
    return out + "\n";
}

std::string quotedKey(const std::string& key)
{
    return "«" + key + "»";
}

std::string describeDifference(const TableDifference& table)
{
    std::string out = "  " + table.table + " (clave " + table.key + "): ";
    if (!table.unreadable.empty())
        return out + "no se pudo comparar con la tabla actual. " + table.unreadable + "\n";
    if (!table.currentExists)
        out += "no existe todavía; ";
    else
        out += "ahora " + rowsText(table.currentRows) + "; ";
    if (table.added.empty() && table.removed.empty() && table.changed.empty())
        return out + "sin cambios\n";
    out += counted(table.added.size(), "nueva", "nuevas") + ", " + counted(table.removed.size(), "quitada", "quitadas")
        + ", " + counted(table.changed.size(), "cambiada", "cambiadas") + "\n";
    out += keyList("nuevas", table.added, quotedKey);
    out += keyList("quitadas", table.removed, quotedKey);
    out += keyList("cambiadas", table.changed, [](const ChangedRow& row) {
        std::string fields;
        for (std::size_t i = 0; i < row.fields.size(); ++i)
            fields += (i ? ", " : "") + row.fields[i];
        return quotedKey(row.key) + " (" + fields + ")";
    });
    return out;
}

std::string jsonArray(const std::vector<std::string>& values)
{
    std::string out = "[";
    for (std::size_t i = 0; i < values.size(); ++i)
        out += (i ? "," : "") + jsonString(values[i]);
    return out + "]";
}

} // namespace

std::string describe(const CheckReport& report)
{
    std::string out = "Prueba de la carga: no se ha cambiado nada en la carpeta de trabajo "
        + pathText(report.workingFolder) + ".\n";
    out += describeTables(report.summary, "La carga dejaría estas tablas:");
    out += "Diferencias con las tablas actuales (filas nuevas, quitadas y cambiadas):\n";
    for (const TableDifference& table : report.tables)
        out += describeDifference(table);
    if (!report.deletedFiles.empty()) {
        out += "Se borrarían:";
        for (const std::string& name : report.deletedFiles)
            out += " " + name;
        out += "\n";
    }
    return out;
}

std::string toJson(const CheckReport& report)
{
    std::string summary = toJson(report.summary);
    if (!summary.empty() && summary.back() == '\n')
        summary.pop_back();
    std::string out = "{\"summary\":" + summary + ",\"workdir\":" + jsonString(pathText(report.workingFolder))
        + ",\"differences\":[";
    for (std::size_t i = 0; i < report.tables.size(); ++i) {
        const TableDifference& table = report.tables[i];
        out += (i ? "," : "") + std::string("{\"table\":") + jsonString(table.table)
            + ",\"key\":" + jsonString(table.key) + ",\"currentExists\":" + (table.currentExists ? "true" : "false")
            + ",\"currentRows\":" + std::to_string(table.currentRows);
        if (!table.unreadable.empty())
            out += ",\"unreadable\":" + jsonString(table.unreadable);
        out += ",\"added\":" + jsonArray(table.added) + ",\"removed\":" + jsonArray(table.removed) + ",\"changed\":[";
        for (std::size_t j = 0; j < table.changed.size(); ++j)
            out += (j ? "," : "") + std::string("{\"key\":") + jsonString(table.changed[j].key)
                + ",\"fields\":" + jsonArray(table.changed[j].fields) + "}";
        out += "]}";
    }
    return out + "],\"deletedFiles\":" + jsonArray(report.deletedFiles) + "}\n";
}

} // namespace quelvane::intake

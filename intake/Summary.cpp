#include "common/text/Json.h"
#include "intake/Intake.h"
#include "intake/SummaryText.h"

#include <cstdio>
#include <string>

// The summary as the staff read it, and as scripts read it.
namespace quelvane::intake {

using text::jsonString;

namespace {

std::string shownCode(const std::string& code)
{
    return code.empty() ? std::string("(sin código)") : "«" + code + "»";
}

std::string pathText(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

std::string rowsText(int rows)
{
    return std::to_string(rows) + (rows == 1 ? " fila" : " filas");
}

std::string describeTables(const IntakeSummary& summary, std::string_view heading)
{
    std::string out = std::string(heading) + "\n";
    for (const TableRows& table : summary.tables)
        out += "  " + table.table + ": " + rowsText(table.rows) + "\n";

    if (summary.leftOut.empty()) {
        out += "No se ha dejado fuera ningún elemento.\n";
    } else {
        out += "Elementos no cargados (" + std::to_string(summary.leftOut.size()) + "):\n";
        for (const LeftOut& element : summary.leftOut)
            out += "  " + element.loader + ", " + shownCode(element.code) + ": " + element.reason + ".\n";
    }

    if (!summary.shortCodes.empty()) {
        out += "Elementos cargados con una clave distinta de su código (" + std::to_string(summary.shortCodes.size())
            + "):\n";
        for (const ShortCode& element : summary.shortCodes) {
            out += "  " + element.table + ", " + shownCode(element.code);
            if (!element.name.empty())
                out += " (" + element.name + ")";
            out += ": clave «" + element.shortCode + "».\n";
        }
    }
    return out;
}

std::string describe(const IntakeSummary& summary)
{
    std::string out = describeTables(summary, "Tablas de trabajo reconstruidas:");
    if (summary.backup) {
        out += "Copia de seguridad de los archivos anteriores: " + pathText(summary.backup->folder) + "\n";
        out += "Para deshacer esta carga: quelvane-cli restore " + summary.backup->id + " --workdir \""
            + pathText(summary.backup->workingFolder) + "\"\n";
    }
    return out;
}

std::string toJson(const IntakeSummary& summary)
{
    std::string out = "{\"tables\":[";
    for (std::size_t i = 0; i < summary.tables.size(); ++i) {
        const TableRows& table = summary.tables[i];
        out += (i ? "," : "") + std::string("{\"table\":") + jsonString(table.table)
            + ",\"rows\":" + std::to_string(table.rows) + "}";
    }
    out += "],\"leftOut\":[";
    for (std::size_t i = 0; i < summary.leftOut.size(); ++i) {
        const LeftOut& element = summary.leftOut[i];
        out += (i ? "," : "") + std::string("{\"loader\":") + jsonString(element.loader)
            + ",\"code\":" + jsonString(element.code) + ",\"reason\":" + jsonString(element.reason) + "}";
    }
    out += "],\"shortCodes\":[";
    for (std::size_t i = 0; i < summary.shortCodes.size(); ++i) {
        const ShortCode& element = summary.shortCodes[i];
        out += (i ? "," : "") + std::string("{\"table\":") + jsonString(element.table)
            + ",\"code\":" + jsonString(element.code) + ",\"shortCode\":" + jsonString(element.shortCode)
            + ",\"name\":" + jsonString(element.name) + "}";
    }
    out += "]";
    if (summary.backup)
        out += ",\"backup\":{\"id\":" + jsonString(summary.backup->id)
            + ",\"folder\":" + jsonString(pathText(summary.backup->folder)) + "}";
    return out + "}\n";
}

} // namespace quelvane::intake

#include "common/text/Json.h"
#include "intake/Intake.h"
#include "intake/SummaryText.h"

#include <initializer_list>
#include <string>

// The summary as the staff read it, and as scripts read it. A large centre's summary runs to
// thousands of lines: each text is built in one string, reserved once, with no string made per
// line.
namespace quelvane::intake {

using text::appendJsonString;

namespace {

void append(std::string& out, std::initializer_list<std::string_view> parts)
{
    for (const std::string_view part : parts)
        out.append(part);
}

void appendCode(std::string& out, const std::string& code)
{
    if (code.empty())
        out.append("(sin código)");
    else
        append(out, {"«", code, "»"});
}

std::string pathText(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Room for the texts of every element listed, and some for the words around them.
std::size_t roughSize(const IntakeSummary& summary)
{
    std::size_t size = 512 + 48 * summary.tables.size();
    for (const LeftOut& element : summary.leftOut)
        size += 64 + element.loader.size() + element.code.size() + element.reason.size();
    for (const ShortCode& element : summary.shortCodes)
        size += 80 + element.table.size() + element.code.size() + element.name.size() + element.shortCode.size();
    return size;
}

} // namespace

std::string rowsText(int rows)
{
    return std::to_string(rows) + (rows == 1 ? " fila" : " filas");
}

std::string describeTables(const IntakeSummary& summary, std::string_view heading)
{
    std::string out;
    out.reserve(roughSize(summary));
    append(out, {heading, "\n"});
    for (const TableRows& table : summary.tables)
        append(out, {"  ", table.table, ": ", rowsText(table.rows), "\n"});

    if (summary.leftOut.empty()) {
        out += "No se ha dejado fuera ningún elemento.\n";
    } else {
        append(out, {"Elementos no cargados (", std::to_string(summary.leftOut.size()), "):\n"});
        for (const LeftOut& element : summary.leftOut) {
            append(out, {"  ", element.loader, ", "});
            appendCode(out, element.code);
            append(out, {": ", element.reason, ".\n"});
        }
    }

    if (!summary.shortCodes.empty()) {
        append(out,
               {"Elementos cargados con una clave distinta de su código (", std::to_string(summary.shortCodes.size()),
                "):\n"});
        for (const ShortCode& element : summary.shortCodes) {
            append(out, {"  ", element.table, ", "});
            appendCode(out, element.code);
            if (!element.name.empty())
                append(out, {" (", element.name, ")"});
            append(out, {": clave «", element.shortCode, "».\n"});
        }
    }
    return out;
}

std::string describe(const IntakeSummary& summary)
{
    std::string out = describeTables(summary, "Tablas de trabajo reconstruidas:");
    if (summary.backup) {
        append(out, {"Copia de seguridad de los archivos anteriores: ", pathText(summary.backup->folder), "\n"});
        append(out,
               {"Para deshacer esta carga: quelvane-cli restore ", summary.backup->id, " --workdir \"",
                pathText(summary.backup->workingFolder), "\"\n"});
    }
    return out;
}

std::string toJson(const IntakeSummary& summary)
{
    std::string out;
    out.reserve(roughSize(summary));
    out += "{\"tables\":[";
    for (std::size_t i = 0; i < summary.tables.size(); ++i) {
        const TableRows& table = summary.tables[i];
        out += i ? ",{\"table\":" : "{\"table\":";
        appendJsonString(out, table.table);
        append(out, {",\"rows\":", std::to_string(table.rows), "}"});
    }
    out += "],\"leftOut\":[";
    for (std::size_t i = 0; i < summary.leftOut.size(); ++i) {
        const LeftOut& element = summary.leftOut[i];
        out += i ? ",{\"loader\":" : "{\"loader\":";
        appendJsonString(out, element.loader);
        out += ",\"code\":";
        appendJsonString(out, element.code);
        out += ",\"reason\":";
        appendJsonString(out, element.reason);
        out += "}";
    }
    out += "],\"shortCodes\":[";
    for (std::size_t i = 0; i < summary.shortCodes.size(); ++i) {
        const ShortCode& element = summary.shortCodes[i];
        out += i ? ",{\"table\":" : "{\"table\":";
        appendJsonString(out, element.table);
        out += ",\"code\":";
        appendJsonString(out, element.code);
        out += ",\"shortCode\":";
        appendJsonString(out, element.shortCode);
        out += ",\"name\":";
        appendJsonString(out, element.name);
        out += "}";
    }
    out += "]";
    if (summary.backup) {
        out += ",\"backup\":{\"id\":";
        appendJsonString(out, summary.backup->id);
        out += ",\"folder\":";
        appendJsonString(out, pathText(summary.backup->folder));
        out += "}";
    }
    out += "}\n";
    return out;
}

} // namespace quelvane::intake

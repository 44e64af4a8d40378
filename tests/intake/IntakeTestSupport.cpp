#include "IntakeTestSupport.h"

#include "common/dbase/Table.h"
#include "common/platform/Files.h"
#include "common/text/Text.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace quelvane::intake::testsupport {

namespace fs = std::filesystem;

std::string centre(std::string_view body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Centro>" + std::string(body) + "</Centro>\n";
}

LoaderRun::LoaderRun(std::string_view documentText)
    : document(xml::Document::parse(documentText, "prueba.xml"))
    , context {.DocXML = document,
               .folder = folder.path(),
               .ListaAbrev = {},
               .ListaCodigos = {},
               .DuracionesSesion = {0, 0, 0},
               .subjectShortCodes = {},
               .groupShortCodes = {},
               .rowCounts = {},
               .summary = summary}
{
}

std::vector<std::string> column(const fs::path& folder, std::string_view table, std::string_view field)
{
    std::vector<std::string> values;
    dbase::Table opened = dbase::Table::open(dbase::tableFile(folder, table));
    for (opened.first(); !opened.eof(); opened.next())
        values.push_back(text::toUtf8(opened.text(field)));
    opened.close();
    return values;
}

std::string dumpTable(const fs::path& dbfFile)
{
    dbase::Table table = dbase::Table::open(dbfFile);
    std::string out;
    for (const dbase::FieldDef& field : table.fields()) {
        out += (out.empty() ? "" : ", ") + field.name + " " + static_cast<char>(field.type)
            + std::to_string(field.width);
    }
    out += "\n";
    for (table.first(); !table.eof(); table.next()) {
        std::string row;
        for (const dbase::FieldDef& field : table.fields())
            row += (row.empty() ? "" : "|") + field.name + "=" + text::toUtf8(table.text(field.name));
        out += row + "\n";
    }
    table.close();
    return out;
}

} // namespace quelvane::intake::testsupport

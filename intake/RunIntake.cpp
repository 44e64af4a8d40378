#include "common/Error.h"
#include "common/WorkingTables.h"
#include "common/dbase/Table.h"
#include "common/xml/Document.h"
#include "intake/Intake.h"
#include "intake/IntakeContext.h"
#include "intake/TableSwap.h"

#include <string>
#include <system_error>
#include <vector>

namespace quelvane::intake {

namespace fs = std::filesystem;

namespace {

// The tables the loaders write, in the order they write them.
constexpr std::string_view builtTables[] = {tables::ASIGNOMT,   tables::PROFT,    tables::AULAT, tables::GRUPOST,
                                            tables::DIASHORAST, tables::COUNTSES, tables::ASIGT};

// Every file that intake replaces or removes. CURSOST is derived from the groups and would
// contradict the new ones, so it goes without a replacement.
std::vector<std::string> replacedFiles()
{
    std::vector<std::string> names;
    for (std::string_view table : builtTables) {
        names.push_back(std::string(table) + ".DBF");
        names.push_back(std::string(table) + ".MDX");
    }
    names.push_back(std::string(tables::CURSOST) + ".DBF");
    names.push_back(std::string(tables::CURSOST) + ".MDX");
    return names;
}

xml::Document loadCentreDocument(const fs::path& file)
{
    std::error_code error;
    if (file.empty() || !fs::is_regular_file(file, error))
        throw MissingInput("No existe archivo");
    xml::Document document = xml::Document::load(file);
    const xml::Element root = document.documentElement();
    if (root.isNull() || root.name() != "Centro")
        throw Error("El archivo " + file.string() + " no es un documento del centro: su elemento raíz es «"
                    + (root.isNull() ? std::string() : root.name()) + "» en lugar de «Centro».");
    return document;
}

std::vector<TableRows> countRows(const fs::path& folder)
{
    std::vector<TableRows> counted;
    for (std::string_view name : builtTables) {
        dbase::Table table = dbase::Table::open(dbase::tableFile(folder, name));
        counted.push_back({std::string(name), static_cast<int>(table.recordCount())});
        table.close();
    }
    return counted;
}

} // namespace

IntakeSummary runIntake(const fs::path& centreDocument, const fs::path& workingFolder)
{
    // Everything that can be found wrong with the document is found before any table is touched.
    const xml::Document document = loadCentreDocument(centreDocument);
    std::error_code error;
    if (!fs::is_directory(workingFolder, error))
        throw Error("No existe la carpeta de trabajo " + workingFolder.string() + ".");

    const ScratchFolder staging(workingFolder, ".quelvane-intake-");
    IntakeSummary summary;
    IntakeContext context {.DocXML = document,
                           .folder = staging.path(),
                           .ListaAbrev = {},
                           .ListaCodigos = {},
                           .DuracionesSesion = {0, 0, 0},
                           .subjectShortCodes = {},
                           .groupShortCodes = {},
                           .summary = summary};
    CargarMaterias(context);
    CargarTiposActividad(context);
    CargarProfesores(context);
    CargarAulas(context);
    CargarGrupos(context);
    CargarSesiones(context);
    CargarMateriasGrupo(context);

    summary.tables = countRows(staging.path());
    swapTables(workingFolder, staging.path(), replacedFiles());
    return summary;
}

} // namespace quelvane::intake

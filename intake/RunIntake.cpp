#include "common/Error.h"
#include "common/WorkingTables.h"
#include "common/dbase/Table.h"
#include "common/hash/Sha256.h"
#include "common/platform/ApplicationData.h"
#include "common/platform/Files.h"
#include "common/xml/Document.h"
#include "intake/Backup.h"
#include "intake/Intake.h"
#include "intake/IntakeContext.h"
#include "intake/IntakeSteps.h"
#include "intake/TableSwap.h"

#include <map>
#include <string>
#include <system_error>
#include <vector>

namespace quelvane::intake {

namespace fs = std::filesystem;

static_assert(builtTables[0] == tables::ASIGNOMT && builtTables[6] == tables::ASIGT);

namespace {

// The counts the loaders noted as they closed their tables; a table without one is opened and
// counted.
std::vector<TableRows> countRows(const fs::path& folder, const std::map<std::string, int>& noted)
{
    std::vector<TableRows> counted;
    for (std::string_view name : builtTables) {
        const auto found = noted.find(std::string(name));
        if (found != noted.end()) {
            counted.push_back({std::string(name), found->second});
            continue;
        }
        dbase::Table table = dbase::Table::open(dbase::tableFile(folder, name));
        counted.push_back({std::string(name), static_cast<int>(table.recordCount())});
        table.close();
    }
    return counted;
}

} // namespace

std::vector<std::string> intakeFileNames()
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

xml::Document loadCentreDocument(const fs::path& file, const std::function<void(std::string_view)>& seen)
{
    std::error_code error;
    if (file.empty() || !fs::is_regular_file(file, error))
        throw MissingInput("No existe archivo");
    xml::Document document = xml::Document::loadForReading(file, seen);
    const xml::Element root = document.documentElement();
    if (root.isNull() || root.name() != "Centro")
        throw Error("El archivo " + file.string() + " no es un documento del centro: su elemento raíz es «"
                    + (root.isNull() ? std::string() : root.name()) + "» en lugar de «Centro».");
    return document;
}

void requireWorkingFolder(const fs::path& workingFolder)
{
    std::error_code error;
    if (!fs::is_directory(workingFolder, error))
        throw Error("No existe la carpeta de trabajo " + workingFolder.string() + ".");
}

IntakeSummary buildTables(const xml::Document& document, const fs::path& folder)
{
    IntakeSummary summary;
    IntakeContext context {.DocXML = document,
                           .folder = folder,
                           .ListaAbrev = {},
                           .ListaCodigos = {},
                           .DuracionesSesion = {0, 0, 0},
                           .subjectShortCodes = {},
                           .groupShortCodes = {},
                           .rowCounts = {},
                           .summary = summary};
    CargarMaterias(context);
    CargarTiposActividad(context);
    CargarProfesores(context);
    CargarAulas(context);
    CargarGrupos(context);
    CargarSesiones(context);
    CargarMateriasGrupo(context);
    summary.tables = countRows(folder, context.rowCounts);
    return summary;
}

void flushTables(const fs::path& folder)
{
    for (const std::string& name : intakeFileNames()) {
        std::error_code error;
        if (fs::is_regular_file(folder / name, error))
            platform::syncFileData(folder / name);
    }
}

IntakeSummary runIntake(const fs::path& centreDocument, const fs::path& workingFolder)
{
    // Everything that can be found wrong with the document is found before any table is touched.
    // The backup names the document by the digest of the very bytes parsed, taken as they are read.
    hash::Sha256 digest;
    const xml::Document document
        = loadCentreDocument(centreDocument, [&digest](std::string_view piece) { digest.update(piece); });
    const std::string documentSha256 = digest.finishHex();
    requireWorkingFolder(workingFolder);
    removeAbandonedStaging(workingFolder);

    const ScratchFolder staging(workingFolder, intakeStagingPrefix);
    IntakeSummary summary = buildTables(document, staging.path());

    // The backup holds exactly what the swap will replace or remove; a table that another program
    // holds stops the run before a backup is made of it.
    const std::vector<std::string> names = intakeFileNames();
    const std::vector<std::string> replaced = filesToReplace(workingFolder, names);
    checkNotInUse(workingFolder, replaced);
    const fs::path store = platform::backupFolder();
    const Backup backup = makeBackup(
        store, workingFolder, replaced,
        BackupReason {.centreDocument = centreDocument, .centreDocumentSha256 = documentSha256, .restoring = {}});

    try {
        // The new tables on disk before the swap puts them in place; flushed last, the disk has
        // had the backup's time to write them.
        flushTables(staging.path());
        swapTables(workingFolder, staging.path(), names);
    } catch (...) {
        discardBackup(backup);
        throw;
    }
    pruneBackups(store, backup.id);
    summary.backup = BackupNote {.id = backup.id, .folder = backup.folder, .workingFolder = backup.workingFolder};
    return summary;
}

} // namespace quelvane::intake

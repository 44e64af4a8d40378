#include "common/Error.h"
#include "common/WorkingTables.h"
#include "common/dbase/Table.h"
#include "common/platform/ApplicationData.h"
#include "intake/Check.h"
#include "intake/IntakeSteps.h"
#include "intake/TableDifference.h"
#include "intake/TableSwap.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace quelvane::intake {

namespace fs = std::filesystem;

namespace {

std::string upperAscii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// The fields by which the rows of each table are told apart.
std::vector<std::string_view> keyFields(std::string_view table)
{
    using namespace tables;
    if (table == ASIGNOMT)
        return {field::COD};
    if (table == PROFT || table == AULAT || table == GRUPOST)
        return {field::ABREV};
    if (table == DIASHORAST)
        return {field::DIHO};
    if (table == COUNTSES)
        return {field::DURACION};
    return {field::CGRUP, field::CASIG};
}

// The scratch folder goes where the working folder is not, so that not even a hidden folder
// appears in it while the dry run works.
fs::path scratchParent()
{
    std::error_code error;
    const fs::path temporary = fs::temp_directory_path(error);
    if (error)
        throw Error("No se encontró la carpeta temporal del sistema para la prueba: " + error.message() + ".");
    return temporary;
}

// What would stop the real run before it replaced anything, short of a failure to write: a
// backup store that is, or lies below, a file.
void checkBackupStore()
{
    const fs::path store = platform::backupFolder();
    std::error_code error;
    fs::path existing = store;
    while (!fs::exists(existing, error) && existing.has_parent_path() && existing.parent_path() != existing)
        existing = existing.parent_path();
    if (fs::exists(existing, error) && !fs::is_directory(existing, error))
        throw Error("La carga no se podría hacer: las copias de seguridad de las tablas irían a " + store.string()
                    + ", pero " + existing.string() + " es un archivo y no una carpeta.");
}

} // namespace

CheckReport checkIntake(const fs::path& centreDocument, const fs::path& workingFolder)
{
    const xml::Document document = loadCentreDocument(centreDocument);
    requireWorkingFolder(workingFolder);

    const ScratchFolder scratch(scratchParent(), "quelvane-check-");
    CheckReport report;
    report.summary = buildTables(document, scratch.path());
    report.workingFolder = workingFolder;

    const std::vector<std::string> replaced = filesToReplace(workingFolder, intakeFileNames());
    checkNotInUse(workingFolder, replaced);
    checkBackupStore();

    for (std::string_view table : builtTables) {
        const std::string dbf = std::string(table) + ".DBF";
        fs::path current;
        for (const std::string& name : replaced)
            if (upperAscii(name) == dbf)
                current = workingFolder / name;
        report.tables.push_back(
            compareTables(table, keyFields(table), current, dbase::tableFile(scratch.path(), table)));
    }
    for (const std::string& name : replaced) {
        std::error_code error;
        if (!fs::exists(scratch.path() / upperAscii(name), error))
            report.deletedFiles.push_back(name);
    }
    return report;
}

} // namespace quelvane::intake

#include "intake/Restore.h"

#include "common/Error.h"
#include "common/hash/Sha256.h"
#include "common/platform/ApplicationData.h"
#include "common/platform/Files.h"
#include "intake/IntakeSteps.h"
#include "intake/TableSwap.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <system_error>

namespace quelvane::intake {

namespace fs = std::filesystem;

namespace {

std::string utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string upperAscii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

Backup chosenBackup(const fs::path& store, const fs::path& workingFolder, std::string_view id)
{
    if (id.empty()) {
        const std::vector<Backup> backups = listBackups(store, workingFolder);
        if (backups.empty())
            throw MissingInput("No hay ninguna copia de seguridad de la carpeta de trabajo " + utf8(workingFolder)
                               + " en " + utf8(store) + ".");
        return backups.front();
    }
    for (const Backup& backup : listBackups(store)) {
        if (backup.id != id)
            continue;
        if (!sameFolder(backup.workingFolder, workingFolder))
            throw Error("La copia de seguridad " + backup.id + " es de la carpeta de trabajo "
                        + utf8(backup.workingFolder) + ", no de " + utf8(workingFolder)
                        + ": indique esa carpeta con --workdir.");
        return backup;
    }
    std::error_code error;
    if (id.find_first_of("/\\:") == std::string_view::npos && id != "." && id != ".."
        && fs::is_directory(store / id, error))
        throw Error("La copia de seguridad " + std::string(id) + " de " + utf8(store)
                    + " está incompleta o dañada: le falta la lista de sus archivos.");
    throw MissingInput("No existe la copia de seguridad " + std::string(id) + " en " + utf8(store) + ".");
}

// The backup's files, checked against the digests taken when they were kept, into the staging
// folder: as copies, never as second names, since the host writes its tables in place and the
// backup must not change with them. A backup holds nothing but working files: anything else in
// its list is refused.
void stageFiles(const Backup& backup, const fs::path& staging)
{
    std::set<std::string> intakeFiles;
    for (const std::string& name : intakeFileNames())
        intakeFiles.insert(name);
    for (const BackedUpFile& file : backup.files) {
        if (!intakeFiles.contains(upperAscii(file.name)))
            throw Error("La copia de seguridad " + backup.id + " no se puede restaurar: su lista nombra el archivo "
                        + file.name + ", que no es de las tablas de trabajo.");
        const std::string bytes = platform::readFile(backup.folder / file.name);
        if (bytes.size() != file.size || hash::sha256Hex(bytes) != file.sha256)
            throw Error("La copia de seguridad " + backup.id + " está dañada: su archivo " + file.name
                        + " ya no es el que se copió; no se ha restaurado nada.");
        platform::atomicWriteFile(staging / file.name, bytes);
    }
}

// The backup's files under their own names, and every other file that an intake writes, to be
// removed.
std::vector<std::string> filesToSwap(const Backup& backup)
{
    std::vector<std::string> names;
    std::set<std::string> covered;
    for (const BackedUpFile& file : backup.files) {
        names.push_back(file.name);
        covered.insert(upperAscii(file.name));
    }
    for (const std::string& name : intakeFileNames())
        if (!covered.contains(name))
            names.push_back(name);
    return names;
}

} // namespace

RestoreResult restoreBackup(const fs::path& store, const fs::path& workingFolder, std::string_view id)
{
    requireWorkingFolder(workingFolder);
    RestoreResult result;
    result.restored = chosenBackup(store, workingFolder, id);

    removeAbandonedStaging(workingFolder);
    const ScratchFolder staging(workingFolder, restoreStagingPrefix);
    stageFiles(result.restored, staging.path());
    const std::vector<std::string> names = filesToSwap(result.restored);
    const std::vector<std::string> replaced = filesToReplace(workingFolder, names);
    checkNotInUse(workingFolder, replaced);
    result.previous
        = makeBackup(store, workingFolder, replaced,
                     BackupReason {.centreDocument = {}, .centreDocumentSha256 = {}, .restoring = result.restored.id});

    try {
        swapTables(workingFolder, staging.path(), names);
    } catch (...) {
        discardBackup(result.previous);
        throw;
    }
    pruneBackups(store, result.restored.id);
    return result;
}

RestoreResult restoreBackup(const fs::path& workingFolder, std::string_view id)
{
    return restoreBackup(platform::backupFolder(), workingFolder, id);
}

} // namespace quelvane::intake

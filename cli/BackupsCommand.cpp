#include "cli/BackupText.h"
#include "cli/Commands.h"
#include "cli/Outcome.h"
#include "common/platform/ApplicationData.h"
#include "common/text/Json.h"
#include "intake/Backup.h"

namespace quelvane::cli {

namespace {

std::string listed(const std::vector<intake::Backup>& backups, const std::filesystem::path& folder,
                   const std::filesystem::path& store)
{
    if (backups.empty())
        return "No hay copias de seguridad de la carpeta de trabajo " + pathText(folder) + " en " + pathText(store)
            + ".\n";
    std::string out
        = "Copias de seguridad de la carpeta de trabajo " + pathText(folder) + ", la más reciente primero:\n";
    for (const intake::Backup& backup : backups) {
        out += backup.id + "  " + localTimeText(backup) + "\n";
        if (!backup.restoring.empty())
            out += "  hecha antes de restaurar la copia " + backup.restoring + "\n";
        else
            out += "  documento del centro: " + pathText(backup.centreDocument) + "\n";
        out += "  tablas: " + tablesText(backup) + "\n";
    }
    return out;
}

std::string listedJson(const std::vector<intake::Backup>& backups, const std::filesystem::path& folder,
                       const std::filesystem::path& store)
{
    std::string out = "{\"workdir\":" + text::jsonString(pathText(folder))
        + ",\"store\":" + text::jsonString(pathText(store)) + ",\"backups\":[";
    for (std::size_t i = 0; i < backups.size(); ++i)
        out += (i ? "," : "") + backupJson(backups[i]);
    return out + "]}\n";
}

} // namespace

int backupsCommand(const CommandLine& line)
{
    return reportOutcome("", [&] {
        const std::filesystem::path folder = workingFolder(line);
        const std::filesystem::path store = platform::backupFolder();
        const std::vector<intake::Backup> backups = intake::listBackups(store, folder);
        return line.json ? listedJson(backups, folder, store) : listed(backups, folder, store);
    });
}

} // namespace quelvane::cli

#include "cli/BackupText.h"
#include "cli/Commands.h"
#include "cli/Outcome.h"
#include "common/text/Json.h"
#include "intake/Restore.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace quelvane::cli {

namespace {

std::string upperAscii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::vector<std::string> names(const intake::Backup& backup)
{
    std::vector<std::string> out;
    for (const intake::BackedUpFile& file : backup.files)
        out.push_back(file.name);
    return out;
}

// The files that were there before the restore and that the restored backup does not have.
std::vector<std::string> removedFiles(const intake::RestoreResult& result)
{
    std::set<std::string> restored;
    for (const std::string& name : names(result.restored))
        restored.insert(upperAscii(name));
    std::vector<std::string> removed;
    for (const std::string& name : names(result.previous))
        if (!restored.contains(upperAscii(name)))
            removed.push_back(name);
    return removed;
}

std::string joined(const std::vector<std::string>& values)
{
    std::string out;
    for (const std::string& value : values)
        out += (out.empty() ? "" : ", ") + value;
    return out.empty() ? std::string("ninguno") : out;
}

std::string jsonArray(const std::vector<std::string>& values)
{
    std::string out = "[";
    for (std::size_t i = 0; i < values.size(); ++i)
        out += (i ? "," : "") + text::jsonString(values[i]);
    return out + "]";
}

std::string described(const intake::RestoreResult& result)
{
    const intake::Backup& restored = result.restored;
    std::string out = "Restaurada la copia de seguridad " + restored.id + " (" + localTimeText(restored);
    if (!restored.centreDocument.empty())
        out += ", anterior a la carga de " + pathText(restored.centreDocument);
    out += ") en la carpeta de trabajo " + pathText(restored.workingFolder) + ".\n";
    out += "Archivos devueltos: " + joined(names(restored)) + "\n";
    out += "Archivos quitados: " + joined(removedFiles(result)) + "\n";
    out += "Los archivos de antes de restaurar están en la copia " + result.previous.id
        + "; para volver a ellos: quelvane-cli restore " + result.previous.id + " --workdir \""
        + pathText(restored.workingFolder) + "\"\n";
    return out;
}

} // namespace

int restoreCommand(const CommandLine& line)
{
    return reportOutcome("", [&] {
        const intake::RestoreResult result = intake::restoreBackup(workingFolder(line), line.backupId);
        if (!line.json)
            return described(result);
        return "{\"restored\":" + backupJson(result.restored) + ",\"previous\":" + backupJson(result.previous)
            + ",\"restoredFiles\":" + jsonArray(names(result.restored))
            + ",\"removedFiles\":" + jsonArray(removedFiles(result)) + "}\n";
    });
}

} // namespace quelvane::cli

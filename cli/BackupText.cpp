#include "cli/BackupText.h"

#include "common/platform/RegionalTime.h"
#include "common/text/Json.h"
#include "intake/BackupManifest.h"

#include <algorithm>
#include <cctype>
#include <ctime>

namespace quelvane::cli {

using text::jsonString;

std::string pathText(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string localTimeText(const intake::Backup& backup)
{
    return platform::regionalDateTime(static_cast<std::time_t>(backup.createdMs / 1000));
}

std::string tablesText(const intake::Backup& backup)
{
    std::string out;
    for (const intake::BackedUpFile& file : backup.files) {
        const std::filesystem::path name(file.name);
        std::string extension = name.extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (extension == ".DBF")
            out += (out.empty() ? "" : ", ") + name.stem().string();
    }
    return out.empty() ? std::string("ninguna") : out;
}

std::string backupJson(const intake::Backup& backup)
{
    std::string files = "[";
    for (std::size_t i = 0; i < backup.files.size(); ++i)
        files += (i ? "," : "") + jsonString(backup.files[i].name);
    files += "]";
    return "{\"id\":" + jsonString(backup.id) + ",\"time\":" + jsonString(intake::isoUtcTime(backup.createdMs))
        + ",\"folder\":" + jsonString(pathText(backup.folder))
        + ",\"workdir\":" + jsonString(pathText(backup.workingFolder))
        + ",\"centreDocument\":" + jsonString(pathText(backup.centreDocument))
        + ",\"centreDocumentSha256\":" + jsonString(backup.centreDocumentSha256)
        + ",\"restoring\":" + jsonString(backup.restoring) + ",\"files\":" + files + "}";
}

} // namespace quelvane::cli

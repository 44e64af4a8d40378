#include "intake/TableSwap.h"

#include "common/Error.h"
#include "common/platform/ExclusiveFile.h"
#include "common/platform/Files.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <random>
#include <set>
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

std::string randomSuffix()
{
    static constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::random_device device;
    std::uniform_int_distribution<int> pick(0, 35);
    std::string suffix;
    for (int i = 0; i < 12; ++i)
        suffix += digits[pick(device)];
    return suffix;
}

} // namespace

std::vector<std::string> filesToReplace(const fs::path& workingFolder, const std::vector<std::string>& fileNames)
{
    std::set<std::string> wanted;
    for (const std::string& name : fileNames)
        wanted.insert(upperAscii(name));
    std::vector<std::string> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(workingFolder, error)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && wanted.contains(upperAscii(name)))
            found.push_back(name);
    }
    if (error)
        throw Error("No se pudo leer la carpeta de trabajo " + workingFolder.string() + ": " + error.message() + ".");
    std::sort(found.begin(), found.end());
    return found;
}

// Held open for exclusive use, none of them can be in use by another program; they are let go
// before anything moves, as a file held open cannot be renamed everywhere.
void checkNotInUse(const fs::path& workingFolder, const std::vector<std::string>& names)
{
    std::vector<platform::ExclusiveFile> held;
    held.reserve(names.size());
    for (const std::string& name : names)
        held.emplace_back(workingFolder / name);
}

void removeAbandonedStaging(const fs::path& workingFolder)
{
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    std::vector<fs::path> abandoned;
    std::error_code error;
    for (fs::directory_iterator it(workingFolder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code entryError;
        if (!(name.starts_with(intakeStagingPrefix) || name.starts_with(restoreStagingPrefix))
            || !it->is_directory(entryError) || it->is_symlink(entryError))
            continue;
        const auto written = fs::last_write_time(it->path(), entryError);
        if (!entryError && written < hourAgo)
            abandoned.push_back(it->path());
    }
    for (const fs::path& folder : abandoned)
        platform::discardFolder(folder);
}

ScratchFolder::ScratchFolder(const fs::path& parent, std::string_view prefix)
{
    for (int attempt = 0;; ++attempt) {
        path_ = parent / (std::string(prefix) + randomSuffix());
        if (platform::createFolder(path_))
            return;
        if (attempt == 10)
            throw Error("No se pudo crear la carpeta temporal " + path_.string() + ": ya existe.");
    }
}

ScratchFolder::~ScratchFolder()
{
    if (!keep_)
        platform::discardFolder(path_);
}

void swapTables(const fs::path& workingFolder, const fs::path& stagingFolder, const std::vector<std::string>& fileNames,
                const RenameFile& rename)
{
    const std::vector<std::string> oldFiles = filesToReplace(workingFolder, fileNames);
    checkNotInUse(workingFolder, oldFiles);

    std::vector<std::string> newFiles;
    for (const std::string& name : fileNames) {
        std::error_code error;
        if (fs::is_regular_file(stagingFolder / name, error))
            newFiles.push_back(name);
    }

    ScratchFolder aside(workingFolder, ".quelvane-aside-");
    std::vector<std::string> movedAside;
    std::vector<std::string> placed;
    try {
        for (const std::string& name : oldFiles) {
            rename(workingFolder / name, aside.path() / name);
            movedAside.push_back(name);
        }
        for (const std::string& name : newFiles) {
            rename(stagingFolder / name, workingFolder / name);
            placed.push_back(name);
        }
        platform::syncFolder(workingFolder);
    } catch (const std::exception& failure) {
        try {
            for (const std::string& name : placed)
                platform::removeFile(workingFolder / name);
            for (auto name = movedAside.rbegin(); name != movedAside.rend(); ++name)
                rename(aside.path() / *name, workingFolder / *name);
            platform::syncFolder(workingFolder);
        } catch (const std::exception&) {
            aside.keep();
            throw Error(std::string(failure.what())
                        + " No se pudieron devolver las tablas anteriores a su sitio: están en " + aside.path().string()
                        + ".");
        }
        throw;
    }
}

void swapTables(const fs::path& workingFolder, const fs::path& stagingFolder, const std::vector<std::string>& fileNames)
{
    swapTables(workingFolder, stagingFolder, fileNames, platform::renameFile);
}

} // namespace quelvane::intake

#include "intake/Backup.h"

#include "common/Error.h"
#include "common/hash/Sha256.h"
#include "common/platform/ExclusiveFile.h"
#include "common/platform/Files.h"
#include "intake/BackupManifest.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <random>
#include <system_error>

namespace quelvane::intake {

namespace fs = std::filesystem;

namespace {

std::string utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// One spelling of a path, so that backups of one folder reached by different paths group.
fs::path absolutePath(const fs::path& path)
{
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error)
        return path;
    const fs::path canonical = fs::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal() : canonical;
}

std::string randomSuffix()
{
    static constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::random_device device;
    std::uniform_int_distribution<int> pick(0, 35);
    std::string suffix;
    for (int i = 0; i < 4; ++i)
        suffix += digits[pick(device)];
    return suffix;
}

std::int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// Folders of the store named like a backup; anything else there is left alone.
std::vector<fs::path> backupFolders(const fs::path& store)
{
    std::vector<fs::path> folders;
    std::error_code error;
    for (fs::directory_iterator it(store, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (it->is_directory(typeError) && idTimeMs(it->path().filename().string()))
            folders.push_back(it->path());
    }
    return folders;
}

// Backup ids sort by age even when the clock goes back or two backups fall in one millisecond.
std::int64_t creationTime(const fs::path& store)
{
    std::int64_t created = nowMs();
    for (const fs::path& folder : backupFolders(store))
        if (const auto earlier = idTimeMs(folder.filename().string()); earlier && *earlier >= created)
            created = *earlier + 1;
    return created;
}

// Creates the folder and those above it that are missing.
void ensureFolder(const fs::path& folder)
{
    std::error_code error;
    if (fs::is_directory(folder, error))
        return;
    if (folder.has_parent_path() && folder.parent_path() != folder)
        ensureFolder(folder.parent_path());
    if (!platform::createFolder(folder) && !fs::is_directory(folder, error))
        throw Error("No se pudo crear la carpeta " + utf8(folder) + ": ya hay un archivo con ese nombre.");
}

// Removes a backup left unfinished, unless it was completed.
class UnfinishedBackup {
public:
    explicit UnfinishedBackup(fs::path folder)
        : folder_(std::move(folder))
    {
    }
    ~UnfinishedBackup()
    {
        if (!complete_)
            platform::discardFolder(folder_);
    }
    UnfinishedBackup(const UnfinishedBackup&) = delete;
    UnfinishedBackup& operator=(const UnfinishedBackup&) = delete;
    void complete() { complete_ = true; }

private:
    fs::path folder_;
    bool complete_ = false;
};

// Whether the working file has no name but this one, so that a second name in the backup
// leaves it to the backup alone once the swap has deleted the working name. A file with other
// names already (or a symbolic link) may be written through them, and is copied instead.
bool soleName(const fs::path& file)
{
    std::error_code error;
    const bool plainFile = fs::symlink_status(file, error).type() == fs::file_type::regular;
    return !error && plainFile && fs::hard_link_count(file, error) == 1 && !error;
}

// The working file into the backup: by a second name where the store's file system allows, as
// nothing then needs writing; otherwise as a copy, a new file flushed once. Either way its bytes
// are on disk when this returns, and the digest is of the bytes the backup holds.
BackedUpFile keepFile(const fs::path& source, const fs::path& kept, const std::string& name)
{
    if (soleName(source) && platform::linkFile(source, kept)) {
        hash::Sha256 digest;
        const std::uintmax_t size
            = platform::readFilePieces(kept, [&digest](std::string_view piece) { digest.update(piece); });
        // The host may have written the table without flushing it; the backup must not lose that
        // to a power cut.
        platform::syncFileData(kept);
        return {name, digest.finishHex(), size};
    }
    const std::string bytes = platform::readFile(source);
    platform::ExclusiveFile copy(kept, platform::ExclusiveFile::Mode::CreateNew);
    copy.replaceContent(bytes);
    copy.close();
    return {name, hash::sha256Hex(bytes), bytes.size()};
}

std::optional<Backup> readBackup(const fs::path& folder)
{
    std::error_code error;
    if (!fs::is_regular_file(folder / manifestName, error))
        return std::nullopt;
    std::optional<Backup> backup;
    try {
        backup = readManifest(platform::readFile(folder / manifestName));
    } catch (const Error&) {
        return std::nullopt;
    }
    if (backup) {
        backup->id = folder.filename().string();
        backup->folder = folder;
    }
    return backup;
}

} // namespace

Backup makeBackup(const fs::path& store, const fs::path& workingFolder, const std::vector<std::string>& fileNames,
                  const BackupReason& reason)
{
    try {
        ensureFolder(store);
        Backup backup;
        backup.createdMs = creationTime(store);
        for (int attempt = 0;; ++attempt) {
            backup.id = idTime(backup.createdMs) + "-" + randomSuffix();
            backup.folder = store / backup.id;
            if (platform::createFolder(backup.folder))
                break;
            if (attempt == 10)
                throw Error("No se pudo crear la carpeta " + utf8(backup.folder) + ": ya existe.");
        }
        UnfinishedBackup unfinished(backup.folder);

        backup.workingFolder = absolutePath(workingFolder);
        backup.restoring = reason.restoring;
        if (!reason.centreDocument.empty()) {
            backup.centreDocument = absolutePath(reason.centreDocument);
            backup.centreDocumentSha256 = !reason.centreDocumentSha256.empty()
                ? reason.centreDocumentSha256
                : hash::sha256Hex(platform::readFile(reason.centreDocument));
        }
        // Each file's bytes are on disk by now; one flush of the folder then keeps all their
        // names, before the manifest that says the backup is whole.
        for (const std::string& name : fileNames)
            backup.files.push_back(keepFile(workingFolder / name, backup.folder / name, name));
        platform::syncFolder(backup.folder);
        platform::atomicWriteFile(backup.folder / manifestName, manifestText(backup));
        platform::syncFolder(store);
        unfinished.complete();
        return backup;
    } catch (const std::exception& failure) {
        throw Error("No se ha cambiado ninguna tabla, porque no se pudo hacer la copia de seguridad de las tablas "
                    "en "
                    + utf8(store) + ": " + failure.what());
    }
}

void discardBackup(const Backup& backup) noexcept
{
    // The manifest first: should the rest not all go, what stays is an unfinished backup, never
    // listed or restored, and pruned in time.
    std::error_code ignored;
    fs::remove(backup.folder / manifestName, ignored);
    platform::discardFolder(backup.folder);
}

std::vector<Backup> listBackups(const fs::path& store)
{
    std::vector<Backup> backups;
    for (const fs::path& folder : backupFolders(store))
        if (std::optional<Backup> backup = readBackup(folder))
            backups.push_back(std::move(*backup));
    std::sort(backups.begin(), backups.end(), [](const Backup& a, const Backup& b) { return a.id > b.id; });
    return backups;
}

std::vector<Backup> listBackups(const fs::path& store, const fs::path& workingFolder)
{
    std::vector<Backup> backups = listBackups(store);
    std::erase_if(backups, [&](const Backup& backup) { return !sameFolder(backup.workingFolder, workingFolder); });
    return backups;
}

void pruneBackups(const fs::path& store, std::string_view spared)
{
    // Every folder of the store read once: the complete backups, newest first, and the others.
    std::vector<Backup> backups;
    std::vector<fs::path> unfinished;
    for (const fs::path& folder : backupFolders(store)) {
        if (std::optional<Backup> backup = readBackup(folder))
            backups.push_back(std::move(*backup));
        else
            unfinished.push_back(folder);
    }
    std::sort(backups.begin(), backups.end(), [](const Backup& a, const Backup& b) { return a.id > b.id; });

    // The store holds the backups of a few working folders: each one's spelling and presence is
    // looked up once, not once per backup.
    struct FolderFacts {
        fs::path absolute;
        bool exists = false;
    };
    std::map<fs::path, FolderFacts> facts;
    std::map<fs::path, std::size_t> perFolder;
    for (std::size_t i = 0; i < backups.size(); ++i) {
        const Backup& backup = backups[i];
        auto [known, added] = facts.try_emplace(backup.workingFolder);
        if (added) {
            std::error_code error;
            known->second.absolute = absolutePath(backup.workingFolder);
            known->second.exists = fs::is_directory(backup.workingFolder, error);
        }
        const std::size_t newer = perFolder[known->second.absolute]++;
        if (backup.id == spared || (newer < keptBackups && (known->second.exists || i < keptBackups)))
            continue;
        platform::discardFolder(backup.folder);
    }

    // An unfinished backup is one that a run stopped writing (another run may be writing one
    // right now, hence the hour).
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const fs::path& folder : unfinished) {
        std::error_code error;
        if (folder.filename() == spared)
            continue;
        const auto written = fs::last_write_time(folder, error);
        if (!error && written < hourAgo)
            platform::discardFolder(folder);
    }
}

bool sameFolder(const fs::path& a, const fs::path& b)
{
    std::error_code error;
    if (fs::equivalent(a, b, error))
        return true;
    return absolutePath(a) == absolutePath(b);
}

} // namespace quelvane::intake

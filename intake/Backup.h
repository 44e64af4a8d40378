#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Copies of the working files that an intake or a restore is about to replace, so that a wrong
// centre document does not cost the school what the host had added to its tables.
//
// A backup is a folder of the store named by its id (UTC time and a short random suffix, so that
// names sort by age), holding the copies under the names they had in the working folder and a
// manifest written last: a folder without a readable manifest is an unfinished backup and is
// never listed or restored.
namespace quelvane::intake {

// How many backups of each working folder are kept.
inline constexpr std::size_t keptBackups = 10;

struct BackedUpFile {
    std::string name; // as it was in the working folder
    std::string sha256;
    std::uintmax_t size = 0;
};

struct Backup {
    std::string id;
    std::filesystem::path folder;
    std::int64_t createdMs = 0; // milliseconds since 1970-01-01 UTC
    std::filesystem::path workingFolder; // absolute
    std::filesystem::path centreDocument; // absolute; empty for a backup made before a restore
    std::string centreDocumentSha256;
    std::string restoring; // for a backup made before a restore, the id of the backup restored
    std::vector<BackedUpFile> files;
};

struct BackupReason {
    std::filesystem::path centreDocument; // the document of the intake about to run
    std::string centreDocumentSha256; // its digest, where the intake took it as it read the document
    std::string restoring; // or the backup about to be restored
};

// Keeps the named files of the working folder in a new backup in the store (created if
// missing) and returns it. Throws quelvane::Error saying that nothing was replaced when the
// backup cannot be completed; what it had written by then is removed.
//
// Where the store's file system allows, a file is kept by a second name (a hard link) rather than
// copied: until the swap that follows deletes the working name, the backup and the working folder
// share that file. So the backup is good only once that swap has succeeded; when it fails, the
// caller must discardBackup().
Backup makeBackup(const std::filesystem::path& store, const std::filesystem::path& workingFolder,
                  const std::vector<std::string>& fileNames, const BackupReason& reason);

// Removes a backup made for a swap that then failed. The working files are still in place, so it
// keeps nothing that is not there; and the files it shares with them would change with the
// host's next write.
void discardBackup(const Backup& backup) noexcept;

// The complete backups in the store, newest first; all of them, or those of one working folder.
std::vector<Backup> listBackups(const std::filesystem::path& store);
std::vector<Backup> listBackups(const std::filesystem::path& store, const std::filesystem::path& workingFolder);

// Keeps the newest keptBackups of each working folder that still exists, and of the others only
// those among the newest keptBackups of all; removes unfinished backups left for an hour or more.
// `spared` is never removed. Failures are ignored: the backups are a safety net, not a result.
void pruneBackups(const std::filesystem::path& store, std::string_view spared);

// Whether two paths name the same working folder.
bool sameFolder(const std::filesystem::path& a, const std::filesystem::path& b);

} // namespace quelvane::intake

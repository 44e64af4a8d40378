#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// How a whole intake lands in the working folder at once: the tables are built in a staging
// folder and swapped in only when every loader has finished.
namespace quelvane::intake {

using RenameFile = std::function<void(const std::filesystem::path& from, const std::filesystem::path& to)>;

// Replaces the named files of the working folder by those of the staging folder, all or nothing.
// A name that the staging folder holds replaces (or adds) that file; a name it does not hold is
// removed from the working folder. Names are matched ignoring letter case in the working folder,
// where the host may have written them in either case.
//
// Every file to be replaced or removed is first opened for exclusive use, so a table that another
// program holds stops the swap before anything moves. The old files are moved into a hidden
// folder beside them and deleted only once the new ones are in place; a failure half-way puts
// them back and rethrows. Should even that fail, the error says where the old files are.
//
// `rename` is the one file operation that moves files; tests make it fail on purpose.
void swapTables(const std::filesystem::path& workingFolder, const std::filesystem::path& stagingFolder,
                const std::vector<std::string>& fileNames, const RenameFile& rename);
void swapTables(const std::filesystem::path& workingFolder, const std::filesystem::path& stagingFolder,
                const std::vector<std::string>& fileNames);

// The files of the working folder that a swap of these names replaces or removes, under their
// actual names, sorted.
std::vector<std::string> filesToReplace(const std::filesystem::path& workingFolder,
                                        const std::vector<std::string>& fileNames);

// Throws platform::FileInUse naming the first of these files of the working folder that another
// holder has open.
void checkNotInUse(const std::filesystem::path& workingFolder, const std::vector<std::string>& fileNames);

// The hidden folders in which an intake and a restore build what they swap in.
inline constexpr std::string_view intakeStagingPrefix = ".quelvane-intake-";
inline constexpr std::string_view restoreStagingPrefix = ".quelvane-restore-";

// Removes the staging folders that a run stopped by force left in the working folder, once they
// are an hour old, so that a run still going is never touched. They hold only what can be made
// again. The folders in which a failed swap left the old tables are never removed: they may hold
// the only copy. Failures are ignored: this is tidying, not part of the run.
void removeAbandonedStaging(const std::filesystem::path& workingFolder);

// A hidden folder of our own inside `parent`, removed with all it holds when the object goes.
class ScratchFolder {
public:
    ScratchFolder(const std::filesystem::path& parent, std::string_view prefix);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Leaves the folder and its files in place when the object goes.
    void keep() { keep_ = true; }

private:
    std::filesystem::path path_;
    bool keep_ = false;
};

} // namespace quelvane::intake

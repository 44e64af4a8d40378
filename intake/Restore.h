#pragma once

#include "intake/Backup.h"

#include <filesystem>
#include <string_view>

// Undoing an intake: the working files that it replaced or removed come back from its backup.
namespace quelvane::intake {

struct RestoreResult {
    Backup restored;
    Backup previous; // the files that the restore replaced, backed up in their turn
};

// Puts a backup of this working folder back, all or nothing: its files replace those of the same
// names, and the files that an intake writes but the backup lacks (tables that did not exist
// before that intake) are removed, so the folder is as it was when the backup was made. An empty
// id takes the newest backup of the folder. The files about to be replaced are backed up first,
// so that a restore can be undone in its turn.
//
// Throws MissingInput when there is no such backup, and quelvane::Error when a file is held by
// another program, the backup is of another working folder or damaged, or a file cannot be
// written; the working folder is then as it was.
RestoreResult restoreBackup(const std::filesystem::path& store, const std::filesystem::path& workingFolder,
                            std::string_view id);
// The same with the user's backup store.
RestoreResult restoreBackup(const std::filesystem::path& workingFolder, std::string_view id);

} // namespace quelvane::intake

#pragma once

#include <filesystem>

namespace quelvane::platform {

// The user's own data folder for this program: %APPDATA%\Quelvane on Windows;
// $XDG_DATA_HOME/Quelvane elsewhere, else ~/.local/share/Quelvane. Throws quelvane::Error when
// the environment names no such place.
std::filesystem::path applicationDataFolder();

// Where the backups of the working tables go: QUELVANE_BACKUP_DIR, else the "backups" folder of
// applicationDataFolder().
std::filesystem::path backupFolder();

} // namespace quelvane::platform

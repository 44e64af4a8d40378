#pragma once

#include "intake/Backup.h"

#include <string>

// How the backups commands show a backup.
namespace quelvane::cli {

std::string pathText(const std::filesystem::path& path);
std::string localTimeText(const intake::Backup& backup);
// "ASIGNOMT, PROFT, ...", the tables whose .DBF the backup holds; "ninguna" when none.
std::string tablesText(const intake::Backup& backup);
// {"id":...,"time":...,"folder":...,"workdir":...,"centreDocument":...,"centreDocumentSha256":...,
//  "restoring":...,"files":[...]}
std::string backupJson(const intake::Backup& backup);

} // namespace quelvane::cli

#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quelvane::cli {

// Exit codes shared by every command.
enum ExitCode : int { Success = 0, Failure = 1, Usage = 2, MissingInput = 3 };

struct CommandLine {
    std::string command; // "intake", "check", "deliver", "backups", "restore"
    std::string document; // the centre document, as given
    std::string backupId; // restore: the backup to put back; empty for the newest
    std::optional<std::filesystem::path> workdir; // --workdir
    bool json = false; // --json
};

// The working folder: --workdir, else QUELVANE_WORKDIR, else the host's.
std::filesystem::path workingFolder(const CommandLine& line);

int intakeCommand(const CommandLine& line);
int checkCommand(const CommandLine& line);
int deliverCommand(const CommandLine& line);
int backupsCommand(const CommandLine& line);
int restoreCommand(const CommandLine& line);

} // namespace quelvane::cli

#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quelvane::cli {

// Exit codes shared by every command.
enum ExitCode : int { Success = 0, Failure = 1, Usage = 2, MissingInput = 3 };

struct CommandLine {
    std::string command; // "intake", "deliver"
    std::string document; // the centre document, as given
    std::optional<std::filesystem::path> workdir; // --workdir
    bool json = false; // --json
};

// The working folder: --workdir, else QUELVANE_WORKDIR, else the host's.
std::filesystem::path workingFolder(const CommandLine& line);

int intakeCommand(const CommandLine& line);
int deliverCommand(const CommandLine& line);

} // namespace quelvane::cli

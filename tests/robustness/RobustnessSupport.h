#pragma once

#include "TestFiles.h"

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <sys/types.h>

// What the robustness tests share: folders that clean up after themselves, pictures of a folder
// to compare before and after a run, work done in a child process under limits, and a table held
// open by another process.
namespace quelvane::robustness {

using quelvane::testsupport::readFile;
using quelvane::testsupport::snapshot;
using quelvane::testsupport::TempFolder;
using quelvane::testsupport::writeFile;

std::filesystem::path exampleDocument(); // examples/centro-ejemplo.xml

// Whether the bytes are well-formed UTF-8.
bool validUtf8(std::string_view text);

// How work done in a child process ended.
struct ChildOutcome {
    bool finished = false; // exited by itself (rather than killed by a signal or the time limit)
    int exitCode = -1;
    std::chrono::milliseconds elapsed {0};
    std::string output; // what the work wrote into the pipe it was given
};

// Runs `work` in a forked child with its address space limited to `memoryLimit` bytes (0: no
// limit), killed after `timeLimit`. The work writes its findings through the callback; the child exits with 0
// when the work returns, 1 when it throws.
ChildOutcome runLimited(const std::function<void(const std::function<void(std::string_view)>& say)>& work,
                        std::size_t memoryLimit, std::chrono::seconds timeLimit);

// A table opened by another process (a forked child using the table engine) until destroyed.
class HeldByAnotherProcess {
public:
    explicit HeldByAnotherProcess(const std::filesystem::path& dbfFile);
    ~HeldByAnotherProcess();
    HeldByAnotherProcess(const HeldByAnotherProcess&) = delete;
    HeldByAnotherProcess& operator=(const HeldByAnotherProcess&) = delete;

private:
    pid_t child_ = -1;
    int release_ = -1; // closing it lets the child go
};

} // namespace quelvane::robustness

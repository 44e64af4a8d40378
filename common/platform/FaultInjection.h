#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

// A seam under the engine's file operations, through which a test makes one of them fail as a
// failing disk would, to show that no such failure costs data. Every operation of the platform
// layer (Files.h, ExclusiveFile.h) asks injectedFailure() before it calls the system.
namespace quelvane::platform {

enum class FileOperation { Create, Open, Read, Write, Flush, Rename, Delete, Close, Link };

const char* operationName(FileOperation operation); // "create", "open", ...

struct FileOperationSeen {
    FileOperation operation;
    std::filesystem::path file;
};

// While alive, counts the file operations of the thread that made it, and makes the one numbered
// `failing` (from 1) fail with EIO; 0 fails none and only counts. A failing write first writes
// half of its bytes, as a disk that fills up does. Only tests make one.
//
// The plan reaches the platform layer through a thread_local pointer that only this guard sets
// and restores. Passing it down explicitly would add a parameter to every loader and run for the
// sake of tests; the pointer is invisible to normal callers, costs one load of a null pointer
// per file operation when no test is running, and keeps tests on other threads unaffected.
class FaultInjection {
public:
    explicit FaultInjection(std::size_t failing = 0);
    ~FaultInjection();
    FaultInjection(const FaultInjection&) = delete;
    FaultInjection& operator=(const FaultInjection&) = delete;

    // Operations seen so far, the failing one included.
    std::size_t count() const { return seen_.size(); }
    const std::vector<FileOperationSeen>& seen() const { return seen_; }
    // Whether the failing operation has been reached.
    bool injected() const { return failing_ != 0 && seen_.size() >= failing_; }

    // Records the operation; true when it is the one that must fail.
    bool fails(FileOperation operation, const std::filesystem::path& file);

private:
    std::size_t failing_;
    std::vector<FileOperationSeen> seen_;
    FaultInjection* previous_;
};

namespace detail {
extern constinit thread_local FaultInjection* activeFaultInjection;
}

// Whether the operation about to run must fail because a test said so.
inline bool injectedFailure(FileOperation operation, const std::filesystem::path& file)
{
    FaultInjection* active = detail::activeFaultInjection;
    return active != nullptr && active->fails(operation, file);
}

} // namespace quelvane::platform

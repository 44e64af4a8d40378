#pragma once

#include <filesystem>
#ifdef _WIN32
#include <fstream>
#endif
#include <string>
#include <string_view>

// File operations of the engine. Everything that creates, replaces or deletes a file goes
// through here, so that one place decides how a file is made durable, and so that a test can
// make any of them fail (FaultInjection.h).
namespace quelvane::platform {

// Writes the bytes beside the target, flushes them to disk and renames over the target: the
// file is then either complete with the new bytes or as it was before. Throws quelvane::Error.
void atomicWriteFile(const std::filesystem::path& target, std::string_view bytes);

// atomicWriteFile for bytes that come in pieces, so that a large file need never be whole in
// memory: the pieces go beside the target, and commit() flushes them and renames over it.
// Until then the target is as it was; a writer dropped without commit() removes what it wrote.
// Every failure throws quelvane::Error naming the target.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const std::filesystem::path& target);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void write(std::string_view bytes);
    void commit();

private:
    void discard() noexcept;

    std::filesystem::path target_;
    std::filesystem::path folder_;
    std::filesystem::path aside_;
    std::string failure_;
#ifdef _WIN32
    std::ofstream out_;
#else
    int fd_ = -1;
#endif
    bool pending_ = false; // the aside file exists and is not yet in place
};

// Whole file into memory. Throws quelvane::Error naming the file.
std::string readFile(const std::filesystem::path& file);

// Removes the file if it exists. Throws when it exists and cannot be removed.
void removeFile(const std::filesystem::path& file);

// Renames, replacing the target. Throws quelvane::Error naming both.
void renameFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Creates the folder (its parent must exist). Returns false when something of that name is
// already there; throws quelvane::Error naming the folder for any other failure.
bool createFolder(const std::filesystem::path& folder);

// Removes a folder of our own with everything in it, as far as it can, and never throws: for
// cleaning up in destructors and after another failure, where nobody could act on its error.
void discardFolder(const std::filesystem::path& folder) noexcept;

// fsync of a folder, so that renames in it survive a power cut (a no-op where unsupported).
void syncFolder(const std::filesystem::path& folder);

} // namespace quelvane::platform

#pragma once

#include "common/Error.h"
#include "common/platform/Files.h"

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace quelvane::platform {

// The file exists but another holder (this process or another) has it open.
class FileInUse : public Error {
public:
    using Error::Error;
};

// A file opened for reading and writing that no other holder may open meanwhile: on Windows a
// share mode of none; elsewhere an advisory lock (flock) that every open of this engine takes.
// Throws quelvane::Error when the file is missing, FileInUse when it is already held.
class ExclusiveFile {
public:
    // CreateNew makes the file, empty, and holds it for reading and writing; it fails when a
    // file of that name exists already.
    enum class Mode { ReadWrite, ReadOnly, CreateNew };
    ExclusiveFile(const std::filesystem::path& file, Mode mode = Mode::ReadWrite);
    ~ExclusiveFile();
    ExclusiveFile(ExclusiveFile&& other) noexcept;
    ExclusiveFile& operator=(ExclusiveFile&& other) noexcept;
    ExclusiveFile(const ExclusiveFile&) = delete;
    ExclusiveFile& operator=(const ExclusiveFile&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The whole file; the position afterwards is unspecified.
    std::string readAll();
    // Replaces the whole content in place (truncate, write, flush to disk, unless the caller
    // flushes it later): writeAt(0, bytes), then finish(bytes.size()).
    void replaceContent(std::string_view bytes, Flush flush = Flush::Now);
    // A file written in pieces: each piece at its position (the file grows as needed), then
    // finish() cuts the file to its length and flushes it (or leaves that to the caller).
    void writeAt(std::uint64_t position, std::string_view bytes);
    void finish(std::uint64_t size, Flush flush = Flush::Now);
    // Releases the file. Throws when the system reports that closing failed (the file is
    // released all the same); the destructor releases it without a word.
    void close();
    bool isOpen() const;

private:
    void release() noexcept;

    std::filesystem::path path_;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

} // namespace quelvane::platform

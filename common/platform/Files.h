#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// File operations of the engine. Everything that creates, replaces or deletes a file goes
// through here, so that one place decides how a file is made durable, and so that a test can
// make any of them fail (FaultInjection.h).
namespace quelvane::platform {

// When written bytes reach the disk: before the write returns, or when the caller flushes the
// file (syncFileData), so that the flushes of many new files wait together, all at once. With
// Later the system starts writing at once where it can, while the program goes on; until the
// caller's flush a power cut may lose the bytes.
enum class Flush { Now, Later };

// Writes the bytes beside the target, flushes them to disk and renames over the target: the
// file is then either complete with the new bytes or as it was before. With Flush::Later that
// holds for a power cut only once the caller has flushed the target and its folder. Throws
// quelvane::Error.
void atomicWriteFile(const std::filesystem::path& target, std::string_view bytes, Flush flush = Flush::Now);

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
    void commit(Flush flush = Flush::Now);

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

// A file read from start to end in pieces of the reader's choosing, for a parser that pulls its
// input, so that a large file is never whole in memory. Opening and the first read are seen by
// the fault seam as readFile's are; every failure throws quelvane::Error naming the file.
class FileReader {
public:
    explicit FileReader(const std::filesystem::path& file);
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // Up to `size` bytes into `buffer`; fewer only at the end of the file, 0 after it.
    std::size_t read(char* buffer, std::size_t size);
    const std::filesystem::path& path() const { return file_; }

private:
    std::filesystem::path file_;
    // The stream's own buffer: larger than the few kilobytes a parser asks for at a time, so
    // that a large file takes few reads of the system.
    std::vector<char> buffer_;
    std::ifstream in_;
    bool started_ = false;
};

// The whole file in pieces, each handed to `use` as it is read, so that a large file is never
// whole in memory (to hash it, say). Returns the number of bytes read. Throws quelvane::Error
// naming the file.
std::uintmax_t readFilePieces(const std::filesystem::path& file, const std::function<void(std::string_view)>& use);

// Flushes the file's bytes to disk (not its name: that is syncFolder's). Throws quelvane::Error
// naming the file.
void syncFileData(const std::filesystem::path& file);

// Gives the file a second name, a hard link, so that keeping it costs no bytes written. Returns
// false where the file system cannot (another file system, none or too many links, not
// permitted), for the caller to copy instead; throws quelvane::Error naming both for any other
// failure. While both names exist they are one file: a write through either changes both.
bool linkFile(const std::filesystem::path& from, const std::filesystem::path& to);

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

#ifndef _WIN32
// Asks the system to start writing the file's changed bytes to disk, without waiting for them
// (a no-op where it cannot): for Flush::Later, so that the flush that comes later waits less.
void startWriting(int fd) noexcept;
#endif

// fsync of a folder, so that renames in it survive a power cut (a no-op where unsupported).
void syncFolder(const std::filesystem::path& folder);

} // namespace quelvane::platform

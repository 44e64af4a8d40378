#include "common/platform/Files.h"

#include "common/Error.h"
#include "common/platform/FaultInjection.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace quelvane::platform {

namespace fs = std::filesystem;

namespace {

std::string shown(const fs::path& file)
{
    return file.string();
}

std::string systemReason(int error)
{
    return std::strerror(error);
}

std::string randomSuffix()
{
    std::random_device device;
    std::uniform_int_distribution<unsigned> digit(0, 35);
    std::string suffix;
    for (int i = 0; i < 8; ++i) {
        const unsigned d = digit(device);
        suffix += static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10);
    }
    return suffix;
}

// True, with errno set as the system would, when a test makes this operation fail.
bool refused(FileOperation operation, const fs::path& file)
{
    if (!injectedFailure(operation, file))
        return false;
    errno = EIO;
    return true;
}

std::string injectedReason()
{
    return std::make_error_code(std::errc::io_error).message();
}

#ifndef _WIN32
// Writes all bytes to fd, retrying short writes and interruptions. A failure injected by a test
// comes after half of the bytes, as on a disk that fills up.
bool writeAll(int fd, std::string_view bytes, const fs::path& file)
{
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    if (injectedFailure(FileOperation::Write, file)) {
        left /= 2;
        while (left > 0) {
            const ssize_t written = ::write(fd, data, left);
            if (written <= 0)
                break;
            data += written;
            left -= static_cast<std::size_t>(written);
        }
        errno = EIO;
        return false;
    }
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}
#endif

} // namespace

void atomicWriteFile(const fs::path& target, std::string_view bytes, Flush flush)
{
    AtomicFileWriter writer(target);
    writer.write(bytes);
    writer.commit(flush);
}

AtomicFileWriter::AtomicFileWriter(const fs::path& target)
    : target_(target)
    , folder_(target.has_parent_path() ? target.parent_path() : fs::path("."))
    , aside_(folder_ / ("." + target.filename().string() + "." + randomSuffix() + ".tmp"))
    , failure_("No se pudo escribir el archivo " + shown(target) + ": ")
{
#ifdef _WIN32
    if (refused(FileOperation::Create, aside_))
        throw Error(failure_ + injectedReason() + ".");
    out_.open(aside_, std::ios::binary | std::ios::trunc);
#else
    fd_ = refused(FileOperation::Create, aside_)
        ? -1
        : ::open(aside_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0)
        throw Error(failure_ + systemReason(errno));
#endif
    pending_ = true;
}

AtomicFileWriter::~AtomicFileWriter()
{
    discard();
}

void AtomicFileWriter::discard() noexcept
{
    if (!pending_)
        return;
    pending_ = false;
#ifdef _WIN32
    out_.close();
    std::error_code ignored;
    fs::remove(aside_, ignored);
#else
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    ::unlink(aside_.c_str());
#endif
}

void AtomicFileWriter::write(std::string_view bytes)
{
    if (!pending_)
        throw Error(failure_ + "la escritura ya había terminado.");
#ifdef _WIN32
    // A failed write leaves the stream failed; commit() reports it.
    if (!refused(FileOperation::Write, aside_))
        out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    else
        out_.setstate(std::ios::badbit);
#else
    if (!writeAll(fd_, bytes, aside_)) {
        const int writeError = errno;
        discard();
        throw Error(failure_ + systemReason(writeError));
    }
#endif
}

void AtomicFileWriter::commit(Flush flush)
{
    if (!pending_)
        throw Error(failure_ + "la escritura ya había terminado.");
#ifdef _WIN32
    out_.flush();
    if (flush == Flush::Now && refused(FileOperation::Flush, aside_))
        out_.setstate(std::ios::badbit);
    out_.close();
    if (!out_ || refused(FileOperation::Close, aside_)) {
        discard();
        throw Error(failure_ + "no se pudo escribir en la carpeta.");
    }
    if (refused(FileOperation::Rename, target_)
        || !MoveFileExW(aside_.c_str(), target_.c_str(),
                        MOVEFILE_REPLACE_EXISTING | (flush == Flush::Now ? MOVEFILE_WRITE_THROUGH : 0))) {
        discard();
        throw Error(failure_ + "no se pudo reemplazar.");
    }
    pending_ = false;
#else
    if (flush == Flush::Later)
        startWriting(fd_);
    const bool flushed = flush == Flush::Later || (!refused(FileOperation::Flush, aside_) && ::fsync(fd_) == 0);
    const int flushError = errno;
    // The descriptor is released whatever close reports.
    const bool closed = ::close(fd_) == 0 && !refused(FileOperation::Close, aside_);
    fd_ = -1;
    if (!flushed || !closed) {
        const int error = flushed ? errno : flushError;
        discard();
        throw Error(failure_ + systemReason(error));
    }
    if (refused(FileOperation::Rename, target_) || ::rename(aside_.c_str(), target_.c_str()) != 0) {
        const int renameError = errno;
        discard();
        throw Error(failure_ + systemReason(renameError));
    }
    pending_ = false;
    if (flush == Flush::Now)
        syncFolder(folder_);
#endif
}

std::string readFile(const fs::path& file)
{
    if (refused(FileOperation::Open, file))
        throw Error("No se pudo abrir el archivo " + shown(file) + ": " + injectedReason() + ".");
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw Error("No se pudo abrir el archivo " + shown(file) + ".");
    std::string bytes;
    in.seekg(0, std::ios::end);
    const auto size = in.tellg();
    if (size > 0) {
        bytes.resize(static_cast<std::size_t>(size));
        in.seekg(0);
        in.read(bytes.data(), size);
    }
    if (!in || refused(FileOperation::Read, file))
        throw Error("No se pudo leer el archivo " + shown(file) + ".");
    return bytes;
}

FileReader::FileReader(const fs::path& file)
    : file_(file)
    , buffer_(64 * 1024)
{
    if (refused(FileOperation::Open, file))
        throw Error("No se pudo abrir el archivo " + shown(file) + ": " + injectedReason() + ".");
    in_.rdbuf()->pubsetbuf(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    in_.open(file, std::ios::binary);
    if (!in_)
        throw Error("No se pudo abrir el archivo " + shown(file) + ".");
}

std::size_t FileReader::read(char* buffer, std::size_t size)
{
    if (!started_) {
        started_ = true;
        if (refused(FileOperation::Read, file_))
            throw Error("No se pudo leer el archivo " + shown(file_) + ".");
    }
    if (size == 0 || in_.eof())
        return 0;
    in_.read(buffer, static_cast<std::streamsize>(size));
    if (in_.bad() || (!in_ && !in_.eof()))
        throw Error("No se pudo leer el archivo " + shown(file_) + ".");
    return static_cast<std::size_t>(in_.gcount());
}

std::uintmax_t readFilePieces(const fs::path& file, const std::function<void(std::string_view)>& use)
{
    FileReader reader(file);
    // Small enough to come from the heap that the rest of the run reuses, rather than from pages
    // of its own that the system maps and clears for every file.
    std::string piece(64 * 1024, '\0');
    std::uintmax_t total = 0;
    while (const std::size_t count = reader.read(piece.data(), piece.size())) {
        use(std::string_view(piece.data(), count));
        total += count;
    }
    return total;
}

void syncFileData(const fs::path& file)
{
    const std::string failure = "No se pudo guardar en el disco el archivo " + shown(file) + ": ";
    if (refused(FileOperation::Flush, file))
        throw Error(failure + injectedReason() + ".");
#ifndef _WIN32
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw Error(failure + systemReason(errno) + ".");
    const bool flushed = ::fdatasync(fd) == 0;
    const int flushError = errno;
    ::close(fd);
    if (!flushed)
        throw Error(failure + systemReason(flushError) + ".");
#else
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw Error(failure + "no se pudo abrir.");
    const bool flushed = FlushFileBuffers(handle) != 0;
    CloseHandle(handle);
    if (!flushed)
        throw Error(failure + "el sistema no lo confirmó.");
#endif
}

bool linkFile(const fs::path& from, const fs::path& to)
{
    std::error_code error;
    if (injectedFailure(FileOperation::Link, to))
        error = std::make_error_code(std::errc::io_error);
    else
        fs::create_hard_link(from, to, error);
    if (!error)
        return true;
    if (error == std::errc::cross_device_link || error == std::errc::operation_not_permitted
        || error == std::errc::not_supported || error == std::errc::operation_not_supported
        || error == std::errc::function_not_supported || error == std::errc::too_many_links)
        return false;
    throw Error("No se pudo enlazar el archivo " + shown(from) + " como " + shown(to) + ": " + error.message());
}

void removeFile(const fs::path& file)
{
    std::error_code error;
    if (injectedFailure(FileOperation::Delete, file))
        error = std::make_error_code(std::errc::io_error);
    else
        fs::remove(file, error);
    if (error)
        throw Error("No se pudo borrar el archivo " + shown(file) + ": " + error.message());
}

void renameFile(const fs::path& from, const fs::path& to)
{
    std::error_code error;
    if (injectedFailure(FileOperation::Rename, from))
        error = std::make_error_code(std::errc::io_error);
    else
        fs::rename(from, to, error);
    if (error)
        throw Error("No se pudo mover el archivo " + shown(from) + " a " + shown(to) + ": " + error.message());
}

bool createFolder(const fs::path& folder)
{
    std::error_code error;
    bool created = false;
    if (injectedFailure(FileOperation::Create, folder))
        error = std::make_error_code(std::errc::io_error);
    else
        created = fs::create_directory(folder, error);
    if (error)
        throw Error("No se pudo crear la carpeta " + shown(folder) + ": " + error.message() + ".");
    return created;
}

void discardFolder(const fs::path& folder) noexcept
{
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

#ifndef _WIN32
void startWriting([[maybe_unused]] int fd) noexcept
{
#ifdef __linux__
    ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}
#endif

void syncFolder(const fs::path& folder)
{
#ifndef _WIN32
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    (void)folder;
#endif
}

} // namespace quelvane::platform

#include "common/platform/ExclusiveFile.h"

#include "common/platform/FaultInjection.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quelvane::platform {

namespace fs = std::filesystem;

namespace {

std::string shown(const fs::path& file)
{
    return file.string();
}

std::string missingMessage(const fs::path& file)
{
    return "No existe el archivo " + shown(file) + ".";
}

std::string existingMessage(const fs::path& file)
{
    return "No se pudo crear el archivo " + shown(file) + ": ya existe.";
}

std::string heldMessage(const fs::path& file)
{
    return "El archivo " + shown(file) + " está abierto por otro programa.";
}

std::string closedMessage(const fs::path& file)
{
    return "El archivo " + shown(file) + " ya está cerrado.";
}

std::string closeFailedMessage(const fs::path& file)
{
    return "No se pudo cerrar el archivo " + shown(file) + ".";
}

} // namespace

#ifdef _WIN32

ExclusiveFile::ExclusiveFile(const fs::path& file, Mode mode)
    : path_(file)
{
    const DWORD access = mode == Mode::ReadOnly ? GENERIC_READ : (GENERIC_READ | GENERIC_WRITE);
    const bool create = mode == Mode::CreateNew;
    // Share mode 0: no other handle, of this process or another, may open the file meanwhile.
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (injectedFailure(create ? FileOperation::Create : FileOperation::Open, file))
        SetLastError(ERROR_READ_FAULT);
    else
        handle = CreateFileW(file.c_str(), access, 0, nullptr, create ? CREATE_NEW : OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS)
            throw Error(existingMessage(file));
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            throw Error(missingMessage(file));
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
            throw FileInUse(heldMessage(file));
        throw Error("No se pudo abrir el archivo " + shown(file) + " (error " + std::to_string(error) + ").");
    }
    handle_ = handle;
}

ExclusiveFile::~ExclusiveFile()
{
    release();
}

ExclusiveFile::ExclusiveFile(ExclusiveFile&& other) noexcept
    : path_(std::move(other.path_))
    , handle_(std::exchange(other.handle_, nullptr))
{
}

ExclusiveFile& ExclusiveFile::operator=(ExclusiveFile&& other) noexcept
{
    if (this != &other) {
        release();
        path_ = std::move(other.path_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

std::string ExclusiveFile::readAll()
{
    if (!handle_)
        throw Error(closedMessage(path_));
    LARGE_INTEGER size {};
    if (injectedFailure(FileOperation::Read, path_) || !GetFileSizeEx(handle_, &size)
        || SetFilePointer(handle_, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        throw Error("No se pudo leer el archivo " + shown(path_) + ".");
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!ReadFile(handle_, bytes.data() + done, chunk, &read, nullptr))
            throw Error("No se pudo leer el archivo " + shown(path_) + ".");
        if (read == 0)
            break;
        done += read;
    }
    bytes.resize(done);
    return bytes;
}

void ExclusiveFile::replaceContent(std::string_view bytes, Flush flush)
{
    writeAt(0, bytes);
    finish(bytes.size(), flush);
}

void ExclusiveFile::writeAt(std::uint64_t position, std::string_view bytes)
{
    if (!handle_)
        throw Error(closedMessage(path_));
    const std::string failure = "No se pudo escribir el archivo " + shown(path_) + ".";
    LARGE_INTEGER at {};
    at.QuadPart = static_cast<LONGLONG>(position);
    if (!SetFilePointerEx(handle_, at, nullptr, FILE_BEGIN))
        throw Error(failure);
    const bool injected = injectedFailure(FileOperation::Write, path_);
    if (injected)
        bytes = bytes.substr(0, bytes.size() / 2);
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!WriteFile(handle_, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            throw Error(failure);
        done += written;
    }
    if (injected)
        throw Error(failure);
}

void ExclusiveFile::finish(std::uint64_t size, Flush flush)
{
    if (!handle_)
        throw Error(closedMessage(path_));
    const std::string failure = "No se pudo escribir el archivo " + shown(path_) + ".";
    LARGE_INTEGER at {};
    at.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(handle_, at, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_))
        throw Error(failure);
    if (flush == Flush::Now && (injectedFailure(FileOperation::Flush, path_) || !FlushFileBuffers(handle_)))
        throw Error(failure);
}

void ExclusiveFile::close()
{
    if (!handle_)
        return;
    const bool closed = CloseHandle(std::exchange(handle_, nullptr)) != 0;
    if (!closed || injectedFailure(FileOperation::Close, path_))
        throw Error(closeFailedMessage(path_));
}

void ExclusiveFile::release() noexcept
{
    if (handle_)
        CloseHandle(std::exchange(handle_, nullptr));
}

bool ExclusiveFile::isOpen() const
{
    return handle_ != nullptr;
}

#else

ExclusiveFile::ExclusiveFile(const fs::path& file, Mode mode)
    : path_(file)
{
    const bool create = mode == Mode::CreateNew;
    const int flags = (mode == Mode::ReadOnly ? O_RDONLY : O_RDWR) | (create ? O_CREAT | O_EXCL : 0) | O_CLOEXEC;
    int fd = -1;
    if (injectedFailure(create ? FileOperation::Create : FileOperation::Open, file))
        errno = EIO;
    else {
        do {
            fd = ::open(file.c_str(), flags, 0666);
        } while (fd < 0 && errno == EINTR);
    }
    if (fd < 0) {
        const int error = errno;
        if (error == EEXIST)
            throw Error(existingMessage(file));
        if (error == ENOENT || error == ENOTDIR)
            throw Error(missingMessage(file));
        throw Error("No se pudo abrir el archivo " + shown(file) + ": " + std::strerror(error) + ".");
    }
    // flock belongs to the open file description, so a second open in this same process
    // conflicts as one in another process does.
    int locked = -1;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            throw FileInUse(heldMessage(file));
        throw Error("No se pudo reservar el archivo " + shown(file) + ": " + std::strerror(error) + ".");
    }
    fd_ = fd;
}

ExclusiveFile::~ExclusiveFile()
{
    release();
}

ExclusiveFile::ExclusiveFile(ExclusiveFile&& other) noexcept
    : path_(std::move(other.path_))
    , fd_(std::exchange(other.fd_, -1))
{
}

ExclusiveFile& ExclusiveFile::operator=(ExclusiveFile&& other) noexcept
{
    if (this != &other) {
        release();
        path_ = std::move(other.path_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

std::string ExclusiveFile::readAll()
{
    if (fd_ < 0)
        throw Error(closedMessage(path_));
    const std::string failure = "No se pudo leer el archivo " + shown(path_) + ".";
    struct stat status { };
    if (injectedFailure(FileOperation::Read, path_) || ::fstat(fd_, &status) != 0)
        throw Error(failure);
    // The size is a hint only: the loop stops at the real end, and grows when the file did. The
    // byte beyond it lets the read that finds the end land in place, where growing the string
    // would copy a large table once more.
    std::string bytes(static_cast<std::size_t>(status.st_size) + 1, '\0');
    std::size_t done = 0;
    while (true) {
        if (done == bytes.size())
            bytes.resize(bytes.size() + 4096);
        const ssize_t read = ::pread(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (read < 0) {
            if (errno == EINTR)
                continue;
            throw Error(failure);
        }
        if (read == 0)
            break;
        done += static_cast<std::size_t>(read);
    }
    bytes.resize(done);
    return bytes;
}

void ExclusiveFile::replaceContent(std::string_view bytes, Flush flush)
{
    // Written over the old bytes and only then cut to length: a failure half-way leaves the old
    // tail in place instead of an empty file.
    writeAt(0, bytes);
    finish(bytes.size(), flush);
}

void ExclusiveFile::writeAt(std::uint64_t position, std::string_view bytes)
{
    if (fd_ < 0)
        throw Error(closedMessage(path_));
    const std::string failure = "No se pudo escribir el archivo " + shown(path_) + ": ";
    // A failure injected by a test comes after half of the bytes, as on a disk that fills up.
    const bool injected = injectedFailure(FileOperation::Write, path_);
    if (injected)
        bytes = bytes.substr(0, bytes.size() / 2);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written
            = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(position + done));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw Error(failure + std::strerror(errno) + ".");
        }
        done += static_cast<std::size_t>(written);
    }
    if (injected)
        throw Error(failure + std::strerror(EIO) + ".");
}

void ExclusiveFile::finish(std::uint64_t size, Flush flush)
{
    if (fd_ < 0)
        throw Error(closedMessage(path_));
    const std::string failure = "No se pudo escribir el archivo " + shown(path_) + ": ";
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
        throw Error(failure + std::strerror(errno) + ".");
    if (flush == Flush::Later) {
        startWriting(fd_);
        return;
    }
    if (injectedFailure(FileOperation::Flush, path_))
        throw Error(failure + std::strerror(EIO) + ".");
    if (::fsync(fd_) != 0)
        throw Error(failure + std::strerror(errno) + ".");
}

void ExclusiveFile::close()
{
    if (fd_ < 0)
        return;
    // Closing the last descriptor of the open file description releases the lock; on this
    // system the descriptor is gone whatever close reports.
    const bool closed = ::close(std::exchange(fd_, -1)) == 0;
    if (!closed || injectedFailure(FileOperation::Close, path_))
        throw Error(closeFailedMessage(path_));
}

void ExclusiveFile::release() noexcept
{
    if (fd_ >= 0)
        ::close(std::exchange(fd_, -1));
}

bool ExclusiveFile::isOpen() const
{
    return fd_ >= 0;
}

#endif

} // namespace quelvane::platform

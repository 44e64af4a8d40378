#include "RobustnessSupport.h"

#include "common/dbase/Table.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quelvane::robustness {

namespace fs = std::filesystem;

fs::path exampleDocument()
{
    return fs::path(QUELVANE_EXAMPLES) / "centro-ejemplo.xml";
}

bool validUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF)
            length = 2;
        else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else
            return false;
        if (i + length > text.size())
            return false;
        const auto second = static_cast<unsigned char>(text[i + 1]);
        if (second < low || second > high)
            return false;
        for (std::size_t k = 2; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

ChildOutcome runLimited(const std::function<void(const std::function<void(std::string_view)>& say)>& work,
                        std::size_t memoryLimit, std::chrono::seconds timeLimit)
{
    int channel[2];
    if (::pipe(channel) != 0)
        throw std::runtime_error("pipe");
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork");
    if (child == 0) {
        ::close(channel[0]);
        if (memoryLimit != 0) {
            const rlimit limit {memoryLimit, memoryLimit};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        int code = 0;
        try {
            work([&](std::string_view text) {
                if (::write(channel[1], text.data(), text.size()) < 0)
                    ::_exit(3);
            });
        } catch (...) {
            code = 1;
        }
        ::_exit(code);
    }
    ::close(channel[1]);
    ChildOutcome outcome;
    const auto deadline = start + timeLimit;
    char buffer[4096];
    while (true) {
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ::kill(child, SIGKILL);
            break;
        }
        pollfd reading {channel[0], POLLIN, 0};
        if (::poll(&reading, 1, static_cast<int>(left.count())) <= 0)
            continue;
        const ssize_t got = ::read(channel[0], buffer, sizeof buffer);
        if (got <= 0)
            break; // the child is gone, or closed the pipe on its way out
        outcome.output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    outcome.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    outcome.finished = WIFEXITED(status);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

HeldByAnotherProcess::HeldByAnotherProcess(const fs::path& dbfFile)
{
    int ready[2];
    int release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0)
        throw std::runtime_error("pipe");
    child_ = ::fork();
    if (child_ < 0)
        throw std::runtime_error("fork");
    if (child_ == 0) {
        ::close(ready[0]);
        ::close(release[1]);
        char held = 'n';
        try {
            dbase::Table table = dbase::Table::open(dbfFile);
            held = 'y';
            if (::write(ready[1], &held, 1) != 1)
                ::_exit(2);
            char ignored = 0;
            while (::read(release[0], &ignored, 1) > 0) { }
        } catch (...) {
            if (::write(ready[1], &held, 1) != 1)
                ::_exit(2);
        }
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    release_ = release[1];
    char held = 'n';
    const bool told = ::read(ready[0], &held, 1) == 1;
    ::close(ready[0]);
    if (!told || held != 'y')
        throw std::runtime_error("the other process could not open " + dbfFile.string());
}

HeldByAnotherProcess::~HeldByAnotherProcess()
{
    ::close(release_);
    int status = 0;
    ::waitpid(child_, &status, 0);
}

} // namespace quelvane::robustness

#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

// What the dBase tests share: a folder of their own per test (ctest runs tests as parallel
// processes, and a table opened by one would be refused to another), the data folder, and the
// golden hex dumps.
namespace quelvane::dbase::testing {

inline std::filesystem::path dataFolder()
{
    return std::filesystem::path(QUELVANE_TEST_DATA) / "dbase";
}

class ScratchFolder {
public:
    ScratchFolder()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info ? std::string(info->test_suite_name()) + "-" + info->name() : "dbase";
        for (char& c : name)
            if (c == '/')
                c = '-';
        path_ = std::filesystem::temp_directory_path() / ("quelvane-dbase-" + std::to_string(::getpid()) + "-" + name);
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // A copy of a file of the data folder, so that opening it locks nothing shared.
    std::filesystem::path copy(const std::string& relative) const
    {
        const std::filesystem::path source = dataFolder() / relative;
        const std::filesystem::path target = path_ / source.filename();
        std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::permissions(target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
        return target;
    }

private:
    std::filesystem::path path_;
};

inline std::string readBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void writeBytes(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A golden hex dump: bytes in hex, "??" for a byte that is not compared, "XX*N" for N equal
// bytes, "@offset" (hex) to pad with zeros up to an offset, "#" to end of line a comment.
struct HexDump {
    std::string bytes;
    std::vector<bool> compared;
};

inline HexDump parseHexDump(const std::filesystem::path& file)
{
    std::istringstream lines(readBytes(file));
    HexDump dump;
    std::string line;
    while (std::getline(lines, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream tokens(line);
        std::string token;
        while (tokens >> token) {
            if (token[0] == '@') {
                const std::size_t offset = std::stoul(token.substr(1), nullptr, 16);
                if (offset < dump.bytes.size())
                    throw std::runtime_error("offset going back in " + file.string() + ": " + token);
                dump.bytes.resize(offset, '\0');
                dump.compared.resize(offset, true);
                continue;
            }
            const std::size_t star = token.find('*');
            const std::size_t count = star == std::string::npos ? 1 : std::stoul(token.substr(star + 1));
            const std::string byte = token.substr(0, star);
            const bool any = byte == "??";
            const auto value = any ? 0 : static_cast<char>(std::stoul(byte, nullptr, 16));
            if (byte.size() != 2)
                throw std::runtime_error("bad token in " + file.string() + ": " + token);
            dump.bytes.append(count, value);
            dump.compared.insert(dump.compared.end(), count, !any);
        }
    }
    return dump;
}

// Compares with a golden dump; the message lists the first differing offsets.
inline ::testing::AssertionResult matchesDump(const std::string& actual, const HexDump& expected)
{
    std::ostringstream differences;
    int shown = 0;
    for (std::size_t i = 0; i < std::min(actual.size(), expected.bytes.size()) && shown < 8; ++i) {
        if (expected.compared[i] && actual[i] != expected.bytes[i]) {
            differences << " offset 0x" << std::hex << i << ": got 0x" << (static_cast<unsigned>(actual[i]) & 0xFF)
                        << " expected 0x" << (static_cast<unsigned>(expected.bytes[i]) & 0xFF) << ";" << std::dec;
            ++shown;
        }
    }
    if (actual.size() != expected.bytes.size())
        differences << " size " << actual.size() << " instead of " << expected.bytes.size() << ";";
    if (differences.str().empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differences.str();
}

} // namespace quelvane::dbase::testing

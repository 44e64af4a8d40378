#pragma once

#include "common/Error.h"
#include "common/xml/Document.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace quelvane::xml::testing {

inline std::filesystem::path xmlFixture(const std::string& name)
{
    return std::filesystem::path(QUELVANE_TEST_DATA) / "xml" / name;
}

inline std::string bytesOf(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary) << bytes;
}

inline Document parseText(const std::string& text)
{
    return Document::parse(text, "prueba.xml");
}

// The message of the quelvane::Error that `action` throws; "(no error)" when it throws none.
template <typename Action> std::string errorOf(Action action)
{
    try {
        action();
    } catch (const quelvane::Error& error) {
        return error.what();
    }
    return "(no error)";
}

// A folder of its own for one test, removed afterwards.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& purpose)
        : path_(std::filesystem::temp_directory_path() / ("quelvane-xml-" + purpose + "-" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace quelvane::xml::testing

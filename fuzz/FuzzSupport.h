#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

// What the harnesses share. Each harness is a libFuzzer target (LLVMFuzzerTestOneInput) and,
// in the normal build, a program that replays its seeds (ReplaySeeds.cpp).
namespace quelvane::fuzz {

// A folder of the harness's own under the temporary folder ($TMPDIR), made once per process and
// removed when the process ends normally; emptied before each input so that inputs do not see
// each other's files.
class ScratchFolder {
public:
    explicit ScratchFolder(std::string_view name);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Removes everything inside, leaving the folder itself.
    void empty() const;

private:
    std::filesystem::path path_;
};

std::string_view bytesOf(const std::uint8_t* data, std::size_t size);

void writeFile(const std::filesystem::path& file, std::string_view bytes);

// Every entry under a folder (hidden ones too), a file with its bytes, a folder as "<folder>".
std::map<std::string, std::string> snapshot(const std::filesystem::path& folder);

// Opens the table and reads every field of every row in every way the engine offers, then finds
// a row by its first field; what a foreign table may make fail with quelvane::Error does so.
// Returns the number of live rows.
std::size_t walkTable(const std::filesystem::path& dbfFile);

// Whether the bytes are well-formed UTF-8 (what every message and summary must be).
bool validUtf8(std::string_view text);

// A property of the engine that an input broke: reported on standard error and aborted, so that
// libFuzzer keeps the input as a crash.
[[noreturn]] void broken(const std::string& what);

} // namespace quelvane::fuzz

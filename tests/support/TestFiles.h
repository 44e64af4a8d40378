#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

// Files and folders for every test program: folders that clean up after themselves, files
// written from strings, and a picture of a folder to compare before and after a run.
namespace quelvane::testsupport {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

void writeFile(const std::filesystem::path& file, std::string_view bytes);
std::string readFile(const std::filesystem::path& file);

// Every file and folder under a folder, by path relative to it: a file with its bytes, a folder
// as "<carpeta>". Hidden entries count too, so a scratch folder left behind shows.
std::map<std::string, std::string> snapshot(const std::filesystem::path& folder);

} // namespace quelvane::testsupport

#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

// Helpers of the command-line tests: the program is run as a user would run it.
namespace quelvane::cli::testsupport {

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

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs quelvane-cli with the arguments (each quoted for the shell) and an optional environment
// assignment ("NAME=value") in front.
Outcome runCli(const std::string& arguments, const std::string& environment = "");
std::string quoted(const std::string& argument);

// Every file under a folder with its bytes.
std::map<std::string, std::string> snapshot(const std::filesystem::path& folder);

// Whether the text is exactly one JSON value (RFC 8259), with blanks around it allowed.
bool isJson(std::string_view text);

} // namespace quelvane::cli::testsupport

#pragma once

#include "TestFiles.h"

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

// Helpers of the command-line tests: the program is run as a user would run it.
namespace quelvane::cli::testsupport {

using quelvane::testsupport::snapshot;
using quelvane::testsupport::TempFolder;
using quelvane::testsupport::writeFile;

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs quelvane-cli with the arguments (each quoted for the shell) and an optional environment
// assignment ("NAME=value") in front.
Outcome runCli(const std::string& arguments, const std::string& environment = "");
std::string quoted(const std::string& argument);

// Whether the text is exactly one JSON value (RFC 8259), with blanks around it allowed.
bool isJson(std::string_view text);

} // namespace quelvane::cli::testsupport

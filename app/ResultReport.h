#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// The result report the host reads when the window closes: Transformado in section
// Transformadores of Vortimo.ini. The host and its users keep their own settings in the same
// file, so the report edits one line and leaves every other byte as it was.
namespace quelvane::app {

inline constexpr std::string_view reportFileName = "Vortimo.ini";
inline constexpr std::string_view reportSection = "Transformadores";
inline constexpr std::string_view reportKey = "Transformado";

// The bytes of an INI file with `key` set to `value` in `section`. Section and key are found
// ignoring letter case (first occurrence, as the Windows profile functions read them); an
// existing key keeps its spelling, its place and whatever stands before its value; a missing
// key goes after the last entry of its section (or its header); a missing section goes at the
// end. New lines take the file's own line ending, CR LF for a file that has none yet.
std::string setIniValue(std::string_view ini, std::string_view section, std::string_view key, std::string_view value);

// Writes the code into <folder>/Vortimo.ini, creating the file if needed, through a write
// aside and rename so that the host never reads half a file. Throws quelvane::Error.
void writeResultReport(const std::filesystem::path& folder, int code);

} // namespace quelvane::app

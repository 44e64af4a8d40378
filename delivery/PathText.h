#pragma once

#include <filesystem>
#include <string>

namespace quelvane::delivery {

// A path as UTF-8 for messages and summaries, also where the system's narrow code page is not.
inline std::string pathText(const std::filesystem::path& path)
{
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

} // namespace quelvane::delivery

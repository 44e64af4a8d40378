#include "common/platform/WorkingFolder.h"

#include <cstdlib>

namespace quelvane::platform {

std::filesystem::path defaultWorkingFolder()
{
    if (const char* overridden = std::getenv("QUELVANE_WORKDIR"); overridden && *overridden)
        return overridden;
#ifdef _WIN32
    return "C:\\VTEMP";
#else
    std::filesystem::path prefix;
    if (const char* wine = std::getenv("WINEPREFIX"); wine && *wine)
        prefix = wine;
    else if (const char* home = std::getenv("HOME"); home && *home)
        prefix = std::filesystem::path(home) / ".wine";
    else
        prefix = ".wine";
    return prefix / "drive_c" / "VTEMP";
#endif
}

} // namespace quelvane::platform

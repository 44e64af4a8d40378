#pragma once

#include <filesystem>

namespace quelvane::platform {

// The host's working folder: C:\VTEMP on Windows; elsewhere drive_c/VTEMP of the Wine prefix
// ($WINEPREFIX, else ~/.wine), where the host program lives. QUELVANE_WORKDIR overrides both.
std::filesystem::path defaultWorkingFolder();

} // namespace quelvane::platform

#include "common/platform/ApplicationData.h"

#include "common/Error.h"

#include <cstdlib>

namespace quelvane::platform {

namespace fs = std::filesystem;

fs::path applicationDataFolder()
{
#ifdef _WIN32
    if (const wchar_t* appData = _wgetenv(L"APPDATA"); appData && *appData)
        return fs::path(appData) / "Quelvane";
    throw Error("No se sabe dónde guardar los datos del programa: la variable de entorno APPDATA está vacía.");
#else
    // A relative XDG_DATA_HOME is invalid and to be ignored, as the XDG base directory rules say.
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data && fs::path(data).is_absolute())
        return fs::path(data) / "Quelvane";
    if (const char* home = std::getenv("HOME"); home && *home)
        return fs::path(home) / ".local" / "share" / "Quelvane";
    throw Error("No se sabe dónde guardar los datos del programa: las variables de entorno XDG_DATA_HOME y HOME "
                "están vacías.");
#endif
}

fs::path backupFolder()
{
    if (const char* overridden = std::getenv("QUELVANE_BACKUP_DIR"); overridden && *overridden)
        return overridden;
    return applicationDataFolder() / "backups";
}

} // namespace quelvane::platform

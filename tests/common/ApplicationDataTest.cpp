#include "common/platform/ApplicationData.h"

#include "common/Error.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace quelvane::platform {
namespace {

namespace fs = std::filesystem;

// Sets or clears an environment variable for one test and puts the old value back.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value)
        : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedVariable()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(ApplicationData, DataHomeThenHome)
{
    ScopedVariable home("HOME", "/home/ana");
    {
        ScopedVariable data("XDG_DATA_HOME", "/srv/datos");
        EXPECT_EQ(applicationDataFolder(), fs::path("/srv/datos/Quelvane"));
    }
    {
        ScopedVariable data("XDG_DATA_HOME", "relativa");
        EXPECT_EQ(applicationDataFolder(), fs::path("/home/ana/.local/share/Quelvane"));
    }
    ScopedVariable data("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(applicationDataFolder(), fs::path("/home/ana/.local/share/Quelvane"));
    ScopedVariable noHome("HOME", "");
    EXPECT_THROW(applicationDataFolder(), Error);
}

TEST(ApplicationData, BackupFolderOverridable)
{
    ScopedVariable home("HOME", "/home/ana");
    ScopedVariable data("XDG_DATA_HOME", nullptr);
    {
        ScopedVariable backups("QUELVANE_BACKUP_DIR", "/tmp/copias");
        EXPECT_EQ(backupFolder(), fs::path("/tmp/copias"));
    }
    ScopedVariable backups("QUELVANE_BACKUP_DIR", nullptr);
    EXPECT_EQ(backupFolder(), fs::path("/home/ana/.local/share/Quelvane/backups"));
}

} // namespace
} // namespace quelvane::platform

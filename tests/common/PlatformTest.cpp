#include "common/Error.h"
#include "common/platform/Files.h"
#include "common/platform/RegionalTime.h"
#include "common/platform/WorkingFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace quelvane;
namespace fs = std::filesystem;

namespace {

class TemporaryFolder {
public:
    TemporaryFolder()
        : path_(fs::temp_directory_path() / ("quelvane-platform-" + std::to_string(::getpid())))
    {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TemporaryFolder() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::size_t filesIn(const fs::path& folder)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(AtomicWrite, ReplacesTheWholeFileAndLeavesNothingAside)
{
    TemporaryFolder folder;
    const fs::path target = folder.path() / "Vortimo.ini";
    platform::atomicWriteFile(target, "old content that is longer");
    platform::atomicWriteFile(target, std::string("new\0bytes", 9));
    EXPECT_EQ(platform::readFile(target), std::string("new\0bytes", 9));
    EXPECT_EQ(filesIn(folder.path()), 1u);
}

TEST(AtomicWrite, AFailureLeavesTheOldFileAsItWas)
{
    TemporaryFolder folder;
    const fs::path target = folder.path() / "out.xml";
    platform::atomicWriteFile(target, "kept");
    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
    if (::geteuid() == 0) {
        // root writes into read-only folders: make the target a folder instead, which no
        // rename of a file can replace.
        fs::permissions(folder.path(), fs::perms::owner_all);
        const fs::path blocked = folder.path() / "blocked";
        fs::create_directories(blocked / "inner");
        EXPECT_THROW(platform::atomicWriteFile(blocked, "new"), Error);
        EXPECT_TRUE(fs::is_directory(blocked / "inner"));
        EXPECT_EQ(filesIn(folder.path()), 2u);
    } else {
        EXPECT_THROW(platform::atomicWriteFile(target, "new"), Error);
        fs::permissions(folder.path(), fs::perms::owner_all);
    }
    EXPECT_EQ(platform::readFile(target), "kept");
}

TEST(AtomicWrite, AMissingFolderIsAClearError)
{
    TemporaryFolder folder;
    try {
        platform::atomicWriteFile(folder.path() / "no" / "such.xml", "x");
        FAIL();
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("such.xml"), std::string::npos);
    }
}

TEST(Files, ReadingAMissingFileNamesIt)
{
    try {
        platform::readFile("/nonexistent/centro.xml");
        FAIL();
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("centro.xml"), std::string::npos);
    }
}

TEST(WorkingFolder, OverrideThenWinePrefixThenHome)
{
    {
        ScopedEnv work("QUELVANE_WORKDIR", "/data/vtemp");
        ScopedEnv wine("WINEPREFIX", "/opt/wine");
        EXPECT_EQ(platform::defaultWorkingFolder(), fs::path("/data/vtemp"));
    }
    {
        ScopedEnv work("QUELVANE_WORKDIR", nullptr);
        ScopedEnv wine("WINEPREFIX", "/opt/wine");
        EXPECT_EQ(platform::defaultWorkingFolder(), fs::path("/opt/wine/drive_c/VTEMP"));
    }
    {
        ScopedEnv work("QUELVANE_WORKDIR", "");
        ScopedEnv wine("WINEPREFIX", nullptr);
        ScopedEnv home("HOME", "/home/jefatura");
        EXPECT_EQ(platform::defaultWorkingFolder(), fs::path("/home/jefatura/.wine/drive_c/VTEMP"));
    }
}

TEST(RegionalTime, FollowsTheTimeLocale)
{
    ScopedEnv zone("TZ", "UTC");
    ::tzset();
    const std::time_t when = 1796947200 + 9 * 3600 + 5 * 60 + 7; // 2026-12-11 09:05:07 UTC
    {
        ScopedEnv all("LC_ALL", "C");
        EXPECT_EQ(platform::regionalDateTime(when), "12/11/26 09:05:07");
    }
    {
        // A locale this machine lacks falls back to the neutral one rather than failing.
        ScopedEnv all("LC_ALL", "xx_NOWHERE.UTF-8");
        EXPECT_EQ(platform::regionalDateTime(when), "12/11/26 09:05:07");
    }
    ::tzset();
}

} // namespace

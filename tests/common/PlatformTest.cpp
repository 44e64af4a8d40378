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

// Pieces of a file longer than one read, and of an empty one, add up to the file.
TEST(Files, ReadInPiecesGivesTheWholeFile)
{
    TemporaryFolder folder;
    std::string large(200 * 1024 + 5, '\0');
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>(i * 7 % 251);
    for (const std::string& bytes : {large, std::string()}) {
        platform::atomicWriteFile(folder.path() / "tabla.dbf", bytes);
        std::string joined;
        std::size_t pieces = 0;
        const std::uintmax_t size = platform::readFilePieces(folder.path() / "tabla.dbf", [&](std::string_view piece) {
            joined += piece;
            ++pieces;
        });
        EXPECT_EQ(size, bytes.size());
        EXPECT_EQ(joined, bytes);
        EXPECT_EQ(pieces > 1, bytes.size() == large.size());
    }
    EXPECT_THROW(platform::readFilePieces(folder.path() / "no-esta.dbf", [](std::string_view) {}), Error);
}

// A second name is the same file, which is what makes a backup by link cheap, and dangerous
// while the working name still exists.
TEST(Files, LinkGivesTheSameFileASecondName)
{
    TemporaryFolder folder;
    platform::atomicWriteFile(folder.path() / "ASIGT.DBF", "rows");
    ASSERT_TRUE(platform::linkFile(folder.path() / "ASIGT.DBF", folder.path() / "copia.dbf"));
    EXPECT_EQ(fs::hard_link_count(folder.path() / "ASIGT.DBF"), 2u);
    std::ofstream(folder.path() / "ASIGT.DBF", std::ios::binary | std::ios::app) << " more";
    EXPECT_EQ(platform::readFile(folder.path() / "copia.dbf"), "rows more");
    platform::syncFileData(folder.path() / "copia.dbf");
    try {
        platform::linkFile(folder.path() / "ASIGT.DBF", folder.path() / "copia.dbf");
        FAIL() << "a name that exists is no place for a link";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("copia.dbf"), std::string::npos) << error.what();
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

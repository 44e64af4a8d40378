#include "intake/TableSwap.h"

#include "IntakeTestSupport.h"
#include "common/Error.h"
#include "common/platform/ExclusiveFile.h"
#include "common/platform/Files.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace quelvane::intake {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

const std::vector<std::string> names {"ASIGNOMT.DBF", "ASIGNOMT.MDX", "PROFT.DBF",    "PROFT.MDX",
                                      "CURSOST.DBF",  "CURSOST.MDX",  "COUNTSES.DBF", "COUNTSES.MDX"};

// Old tables (one with a stale index, one only the host has, one with a name in small letters)
// and new ones (one with an index the old one lacked).
void prepare(const fs::path& work, const fs::path& staging)
{
    writeFile(work / "ASIGNOMT.DBF", "old subjects");
    writeFile(work / "ASIGNOMT.MDX", "old subjects index");
    writeFile(work / "proft.dbf", "old teachers");
    writeFile(work / "CURSOST.DBF", "old courses");
    writeFile(work / "SOLUC.DBF", "solution");
    writeFile(staging / "ASIGNOMT.DBF", "new subjects");
    writeFile(staging / "PROFT.DBF", "new teachers");
    writeFile(staging / "COUNTSES.DBF", "new lengths");
    writeFile(staging / "COUNTSES.MDX", "new lengths index");
}

class Swap : public testing::Test {
protected:
    void SetUp() override { prepare(work.path(), staging.path()); }

    TempFolder work;
    TempFolder staging;
};

TEST_F(Swap, NewFilesInOldOnesGone)
{
    int renames = 0;
    swapTables(work.path(), staging.path(), names, [&renames](const fs::path& from, const fs::path& to) {
        ++renames;
        platform::renameFile(from, to);
    });
    EXPECT_EQ(renames, 4 + 4); // four old files aside, four new ones in
    const std::map<std::string, std::string> expected {{"ASIGNOMT.DBF", "new subjects"},
                                                       {"COUNTSES.DBF", "new lengths"},
                                                       {"COUNTSES.MDX", "new lengths index"},
                                                       {"PROFT.DBF", "new teachers"},
                                                       {"SOLUC.DBF", "solution"}};
    EXPECT_EQ(snapshot(work.path()), expected);
}

// Every rename of the swap in turn fails: the folder is put back as it was each time, and no
// folder of ours is left behind.
TEST(SwapFailure, AtAnyMovePutsTheOldFilesBack)
{
    for (int failing = 1; failing <= 8; ++failing) {
        SCOPED_TRACE("rename " + std::to_string(failing) + " fails");
        TempFolder work;
        TempFolder staging;
        prepare(work.path(), staging.path());
        const auto before = snapshot(work.path());

        int count = 0;
        const RenameFile failOnce = [&](const fs::path& from, const fs::path& to) {
            if (++count == failing)
                throw Error("disco lleno");
            platform::renameFile(from, to);
        };
        EXPECT_THROW(swapTables(work.path(), staging.path(), names, failOnce), Error);
        EXPECT_EQ(snapshot(work.path()), before);
    }
}

TEST_F(Swap, FileInUseStopsBeforeAnythingMoves)
{
    const auto before = snapshot(work.path());
    platform::ExclusiveFile held(work.path() / "CURSOST.DBF");
    EXPECT_THROW(swapTables(work.path(), staging.path(), names), Error);
    held.close();
    EXPECT_EQ(snapshot(work.path()), before);
}

// When even putting back fails, nothing is deleted and the message says where the old files are.
TEST_F(Swap, FailedRollbackKeepsTheOldFilesAndSaysWhere)
{
    int count = 0;
    const RenameFile failFromThird = [&](const fs::path& from, const fs::path& to) {
        if (++count >= 3)
            throw Error("disco lleno");
        platform::renameFile(from, to);
    };
    try {
        swapTables(work.path(), staging.path(), names, failFromThird);
        FAIL() << "the swap should have failed";
    } catch (const Error& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("disco lleno"), std::string::npos) << message;
        const auto at = message.find(".quelvane-aside-");
        ASSERT_NE(at, std::string::npos) << message;
        std::string folder = message.substr(message.rfind(' ', at) + 1);
        folder.pop_back(); // the full stop
        const fs::path aside(folder);
        EXPECT_EQ(platform::readFile(aside / "ASIGNOMT.DBF"), "old subjects");
        EXPECT_EQ(platform::readFile(aside / "ASIGNOMT.MDX"), "old subjects index");
    }
}

} // namespace
} // namespace quelvane::intake

#include "DbaseTestSupport.h"
#include "common/Error.h"
#include "common/dbase/Table.h"
#include "common/platform/ExclusiveFile.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quelvane;
using namespace quelvane::dbase;
using namespace quelvane::dbase::testing;

namespace {

class DbaseExclusive : public ::testing::Test {
protected:
    DbaseExclusive() { createTable(file, {{"COD", FieldType::Character, 10, 0}}); }

    // Runs `attempt` in a child process and tells how it ended: 0 refused with FileInUse, 1 got
    // through, 2 failed otherwise.
    static int inChild(const std::function<void()>& attempt)
    {
        const pid_t child = ::fork();
        if (child == 0) {
            int code = 1;
            try {
                attempt();
            } catch (const platform::FileInUse&) {
                code = 0;
            } catch (...) {
                code = 2;
            }
            ::_exit(code);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    ScratchFolder folder;
    std::filesystem::path file = folder / "PROFT.DBF";
};

TEST_F(DbaseExclusive, SecondOpenInThisProcessIsRefusedWithTheTableName)
{
    Table first = Table::open(file);
    try {
        Table second = Table::open(file);
        FAIL() << "opened twice";
    } catch (const platform::FileInUse& error) {
        EXPECT_EQ(std::string(error.what()), "La tabla PROFT (" + file.string() + ") está abierta por otro programa.");
    }
    EXPECT_THROW(createTable(file, {{"X", FieldType::Logical, 1, 0}}), platform::FileInUse);
    EXPECT_THROW(deleteTableFiles(folder.path(), "PROFT"), platform::FileInUse);
    EXPECT_TRUE(std::filesystem::exists(file));

    first.close();
    Table again = Table::open(file);
    EXPECT_TRUE(again.isOpen());
}

TEST_F(DbaseExclusive, OpenInAnotherProcessIsRefused)
{
    {
        Table held = Table::open(file);
        EXPECT_EQ(inChild([&] { (void)Table::open(file); }), 0);
    }
    EXPECT_EQ(inChild([&] { (void)Table::open(file); }), 1); // released on close
}

TEST_F(DbaseExclusive, TableHeldByAnotherProcessIsRefusedHere)
{
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        int code = 0;
        try {
            Table held = Table::open(file);
            char byte = 1;
            if (::write(ready[1], &byte, 1) != 1 || ::read(release[0], &byte, 1) != 1)
                code = 3;
        } catch (...) {
            code = 2;
        }
        ::_exit(code);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    EXPECT_THROW((void)Table::open(file), platform::FileInUse);
    ASSERT_EQ(::write(release[1], &byte, 1), 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        ::close(fd);
    Table now = Table::open(file); // the child's exit released it
    EXPECT_TRUE(now.isOpen());
}

TEST(ExclusiveFile, ReplacesTheWholeContentInPlace)
{
    ScratchFolder folder;
    const auto path = folder / "DATA.BIN";
    writeBytes(path, std::string(5000, 'x'));
    platform::ExclusiveFile file(path);
    EXPECT_EQ(file.readAll(), std::string(5000, 'x'));
    file.replaceContent("short");
    EXPECT_EQ(file.readAll(), "short");
    EXPECT_EQ(readBytes(path), "short");
    file.close();
    EXPECT_FALSE(file.isOpen());
    EXPECT_THROW(file.readAll(), Error);
}

TEST(ExclusiveFile, MissingFileIsAnErrorNamingIt)
{
    ScratchFolder folder;
    try {
        platform::ExclusiveFile file(folder / "NONE.DBF");
        FAIL() << "opened";
    } catch (const platform::FileInUse&) {
        FAIL() << "reported as held";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("No existe el archivo"), std::string::npos);
        EXPECT_NE(std::string(error.what()).find("NONE.DBF"), std::string::npos);
    }
}

} // namespace

#include "CliSafetySupport.h"
#include "common/platform/ExclusiveFile.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace quelvane::cli {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

class BackupCommands : public SafetyCommand, public testing::Test {
protected:
    // The id that the intake's summary names in its undo line.
    static std::string undoId(const std::string& summary)
    {
        const std::string marker = "quelvane-cli restore ";
        const std::size_t at = summary.find(marker);
        if (at == std::string::npos)
            return {};
        const std::size_t start = at + marker.size();
        return summary.substr(start, summary.find(' ', start) - start);
    }
};

TEST_F(BackupCommands, IntakeListRestore)
{
    const auto before = snapshot(work.path());
    const Outcome intake = run("intake " + document("centro.xml"));
    ASSERT_EQ(intake.exitCode, 0) << intake.err;
    const std::string id = undoId(intake.out);
    ASSERT_FALSE(id.empty()) << intake.out;
    EXPECT_NE(intake.out.find("Copia de seguridad de los archivos anteriores: " + (store() / id).string()),
              std::string::npos)
        << intake.out;

    const Outcome listed = run("backups");
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_NE(listed.out.find(id), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("documento del centro: " + (documents.path() / "centro.xml").string()), std::string::npos)
        << listed.out;
    EXPECT_NE(listed.out.find("tablas: ASIGNOMT, ASIGT, AULAT, COUNTSES, CURSOST, DIASHORAST, GRUPOST, PROFT"),
              std::string::npos)
        << listed.out;
    const Outcome listedJson = run("backups --json");
    EXPECT_TRUE(isJson(listedJson.out)) << listedJson.out;
    EXPECT_NE(listedJson.out.find("\"id\":\"" + id + "\""), std::string::npos) << listedJson.out;

    const Outcome restored = run("restore --json");
    EXPECT_EQ(restored.exitCode, 0) << restored.err;
    EXPECT_TRUE(isJson(restored.out)) << restored.out;
    EXPECT_NE(restored.out.find("\"restored\":{\"id\":\"" + id + "\""), std::string::npos) << restored.out;
    EXPECT_EQ(snapshot(work.path()), before);
}

TEST_F(BackupCommands, NothingToRestoreIsAMissingInput)
{
    const Outcome none = run("restore");
    EXPECT_EQ(none.exitCode, 3);
    EXPECT_NE(none.err.find("No hay ninguna copia de seguridad"), std::string::npos) << none.err;
    run("intake " + document("centro.xml"));
    const Outcome unknown = run("restore 20200101-000000-000-zzzz");
    EXPECT_EQ(unknown.exitCode, 3);
    EXPECT_NE(unknown.err.find("20200101-000000-000-zzzz"), std::string::npos) << unknown.err;
    const Outcome listed = run("backups");
    EXPECT_EQ(listed.exitCode, 0);
}

TEST_F(BackupCommands, RestoreOfATableHeldOpenChangesNothing)
{
    const std::string id = undoId(run("intake " + document("centro.xml")).out);
    const auto before = snapshot(work.path());
    const platform::ExclusiveFile held(work.path() / "AULAT.DBF");
    const Outcome outcome = run("restore " + id);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find("AULAT"), std::string::npos) << outcome.err;
    EXPECT_EQ(snapshot(work.path()), before);
}

} // namespace
} // namespace quelvane::cli

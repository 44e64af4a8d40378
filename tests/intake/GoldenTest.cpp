#include "IntakeTestSupport.h"
#include "common/dbase/Table.h"
#include "common/platform/Files.h"
#include "intake/Intake.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace quelvane::intake {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

// A whole intake against a document whose every table was worked out by hand: the expected
// dumps sit beside the document in tests/data/intake/golden.
class Golden : public testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite()
    {
        work = new TempFolder;
        summary = new IntakeSummary(runIntake(folder() / "centro.xml", work->path()));
    }
    static void TearDownTestSuite()
    {
        delete summary;
        delete work;
    }
    static fs::path folder() { return fs::path(QUELVANE_TEST_DATA) / "intake" / "golden"; }

    static inline TempFolder* work = nullptr;
    static inline IntakeSummary* summary = nullptr;
};

TEST_P(Golden, TableAsExpected)
{
    const std::string table = GetParam();
    EXPECT_EQ(dumpTable(dbase::tableFile(work->path(), table)), platform::readFile(folder() / (table + ".txt")));
}

INSTANTIATE_TEST_SUITE_P(Intake, Golden,
                         testing::Values("ASIGNOMT", "PROFT", "AULAT", "GRUPOST", "DIASHORAST", "COUNTSES", "ASIGT"),
                         [](const testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

TEST_F(Golden, SummaryAsExpected)
{
    // The note of the backup names a folder that changes with every run; the backup tests see to it.
    IntakeSummary withoutBackup = *summary;
    withoutBackup.backup.reset();
    EXPECT_EQ(describe(withoutBackup), platform::readFile(folder() / "resumen.txt"));
}

} // namespace
} // namespace quelvane::intake

// Working tables that another program holds open or has damaged, met by whole runs: a clear
// error that names the table and changes nothing, or the right result.
#include "RobustnessSupport.h"
#include "common/Error.h"
#include "common/WorkingTables.h"
#include "common/dbase/Table.h"
#include "common/platform/ExclusiveFile.h"
#include "delivery/Delivery.h"
#include "intake/Intake.h"
#include "tests/host/FillSoluc.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace quelvane::robustness {
namespace {

namespace fs = std::filesystem;

constexpr std::time_t someMoment = 1'726'000'000;
constexpr std::string_view earlierTimetable = "<?xml version=\"1.0\"?>\n<Centro><horario/></Centro>\n";

fs::path dbaseData()
{
    return fs::path(QUELVANE_TEST_DATA) / "dbase";
}

std::vector<fs::path> malformedTables()
{
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(dbaseData() / "malformed"))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// A working folder after an intake of the example and a timetable from the host, and the
// example beside an earlier timetable document.
class WorkingFolder : public testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("QUELVANE_BACKUP_DIR", (scratch.path() / "copias").c_str(), 1);
        fs::create_directories(work);
        fs::create_directories(documents);
        intake::runIntake(exampleDocument(), work);
        testhost::fillSoluc(work);
        dbase::createTable(dbase::tableFile(work, tables::CURSOST), {{"ABREV", dbase::FieldType::Character, 10, 0}});
        fs::copy_file(exampleDocument(), document);
        writeFile(output, earlierTimetable);
    }

    // The run's error message; empty, with a test failure, when it succeeded.
    template <class Run> static std::string errorOf(Run run)
    {
        try {
            run();
        } catch (const Error& error) {
            return error.what();
        }
        ADD_FAILURE() << "the run should have stopped";
        return {};
    }

    TempFolder scratch;
    fs::path work = scratch.path() / "vtemp";
    fs::path documents = scratch.path() / "documentos";
    fs::path document = documents / "centro-ejemplo.xml";
    fs::path output = delivery::outputPathFor(document);
};

class HeldByAnother : public WorkingFolder, public testing::WithParamInterface<std::string_view> { };

TEST_P(HeldByAnother, StopsIntakeNamingTheTableAndChangesNothing)
{
    const std::string table(GetParam());
    const auto before = snapshot(work);
    {
        HeldByAnotherProcess held(dbase::tableFile(work, table));
        const std::string message = errorOf([&] { intake::runIntake(document, work); });
        EXPECT_NE(message.find(table), std::string::npos) << message;
        EXPECT_NE(message.find("abierto por otro programa"), std::string::npos) << message;
        EXPECT_TRUE(snapshot(work) == before);
    }
    // Once the other program lets go, the same run goes through.
    intake::runIntake(document, work);
}

TEST_P(HeldByAnother, StopsDeliveryNamingTheTableAndKeepsTheEarlierTimetable)
{
    const std::string table(GetParam());
    const auto before = snapshot(documents);
    const auto tables = snapshot(work);
    {
        HeldByAnotherProcess held(dbase::tableFile(work, table));
        const std::string message = errorOf([&] { delivery::runDelivery(document, work, someMoment); });
        EXPECT_NE(message.find(table), std::string::npos) << message;
        EXPECT_NE(message.find("abierta por otro programa"), std::string::npos) << message;
        EXPECT_TRUE(snapshot(documents) == before);
    }
    EXPECT_TRUE(snapshot(work) == tables);
    delivery::runDelivery(document, work, someMoment);
    EXPECT_NE(readFile(output), earlierTimetable);
}

// Delivery reads all of these; intake replaces the built ones and removes CURSOST.
INSTANTIATE_TEST_SUITE_P(Robustness, HeldByAnother, testing::Values(tables::ASIGT, tables::GRUPOST, tables::DIASHORAST),
                         [](const testing::TestParamInfo<std::string_view>& info) { return std::string(info.param); });

TEST_F(WorkingFolder, IntakeStopsWhileAnotherProcessHoldsTheCourseTable)
{
    const auto before = snapshot(work);
    {
        HeldByAnotherProcess held(dbase::tableFile(work, tables::CURSOST));
        const std::string message = errorOf([&] { intake::runIntake(document, work); });
        EXPECT_NE(message.find("CURSOST"), std::string::npos) << message;
    }
    EXPECT_TRUE(snapshot(work) == before);
}

TEST_F(WorkingFolder, DeliveryStopsWhileAnotherProcessHoldsSoluc)
{
    const auto before = snapshot(documents);
    HeldByAnotherProcess held(dbase::tableFile(work, tables::SOLUC));
    const std::string message = errorOf([&] { delivery::runDelivery(document, work, someMoment); });
    EXPECT_NE(message.find("SOLUC"), std::string::npos) << message;
    EXPECT_TRUE(snapshot(documents) == before);
}

// Every damaged table of the fixtures, as the host's timetable and as a lookup table of
// delivery: refused at open with the table's name, the earlier timetable document kept and
// every table released.
TEST_F(WorkingFolder, DeliveryRefusesEachDamagedTableByName)
{
    const auto before = snapshot(documents);
    for (const std::string_view table : {tables::SOLUC, tables::GRUPOST}) {
        const fs::path file = dbase::tableFile(work, table);
        const std::string good = readFile(file);
        for (const fs::path& damaged : malformedTables()) {
            SCOPED_TRACE(std::string(table) + " as " + damaged.filename().string());
            writeFile(file, readFile(damaged));
            const std::string message = errorOf([&] { delivery::runDelivery(document, work, someMoment); });
            EXPECT_EQ(message.rfind("La tabla " + std::string(table) + " (" + file.string() + ")", 0), 0u) << message;
            EXPECT_TRUE(validUtf8(message)) << message;
            EXPECT_TRUE(snapshot(documents) == before);
            for (const std::string_view name : {tables::SOLUC, tables::GRUPOST, tables::PROFT})
                platform::ExclusiveFile released(dbase::tableFile(work, name));
        }
        writeFile(file, good);
    }
}

// Intake reads none of the old tables: damaged ones are replaced like any other, and a damaged
// course table goes.
TEST_F(WorkingFolder, IntakeReplacesDamagedTables)
{
    const std::vector<fs::path> damaged = malformedTables();
    const std::vector<std::string_view> names {tables::ASIGNOMT, tables::PROFT, tables::ASIGT, tables::CURSOST};
    for (std::size_t i = 0; i < names.size(); ++i)
        writeFile(dbase::tableFile(work, names[i]), readFile(damaged[i % damaged.size()]));

    const intake::IntakeSummary summary = intake::runIntake(document, work);

    for (const intake::TableRows& built : summary.tables) {
        dbase::Table table = dbase::Table::open(dbase::tableFile(work, built.table));
        EXPECT_EQ(table.recordCount(), static_cast<std::size_t>(built.rows)) << built.table;
    }
    EXPECT_FALSE(fs::exists(dbase::tableFile(work, tables::CURSOST)));
}

// Bytes after the counted rows (a row written by a program that stopped before updating the
// count) are not part of the table.
TEST(DamagedTable, RowsPastTheCountAreNotRead)
{
    TempFolder folder;
    const fs::path file = folder.path() / "TABLA.DBF";
    fs::copy_file(dbaseData() / "uncounted-row-after-records.dbf", file);

    dbase::Table table = dbase::Table::open(file);
    EXPECT_EQ(table.recordCount(), 1u);
    std::vector<std::string> codes;
    for (table.first(); !table.eof(); table.next())
        codes.push_back(table.text("CODE"));
    EXPECT_EQ(codes, std::vector<std::string> {"ABCD"});
    EXPECT_FALSE(table.locate("CODE", "EFGH"));
}

} // namespace
} // namespace quelvane::robustness

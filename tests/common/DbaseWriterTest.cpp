#include "DbaseTestSupport.h"
#include "common/Error.h"
#include "common/dbase/Table.h"
#include "common/platform/FaultInjection.h"
#include "common/platform/Files.h"

#include <algorithm>
#include <ctime>
#include <gtest/gtest.h>

using namespace quelvane;
using namespace quelvane::dbase;
using namespace quelvane::dbase::testing;

namespace {

std::vector<FieldDef> everyKind()
{
    return {{"NAME", FieldType::Character, 5, 0},
            {"ACTIVE", FieldType::Logical, 1, 0},
            {"COUNT", FieldType::Integer, 4, 0},
            {"PRICE", FieldType::Double, 8, 0}};
}

std::vector<FieldDef> countses()
{
    return {{"DURACION", FieldType::Character, 10, 0}, {"NSES", FieldType::Integer, 4, 0}};
}

std::string dateBytes(std::time_t when)
{
    std::tm local {};
    localtime_r(&when, &local);
    return {static_cast<char>(local.tm_year), static_cast<char>(local.tm_mon + 1), static_cast<char>(local.tm_mday)};
}

TEST(DbaseWriter, WritesLevel7TableByteForByte)
{
    ScratchFolder folder;
    const auto file = folder / "KINDS.DBF";
    const std::time_t before = std::time(nullptr);
    createTable(file, everyKind());
    {
        Table table = Table::open(file);
        // Room for fewer rows than follow: a reservation changes nothing in the file.
        table.reserve(2);
        table.append();
        table.setText("NAME", "Ana");
        table.setLogical("ACTIVE", true);
        table.setInteger("COUNT", 1);
        table.setDouble("PRICE", 9.0);
        table.post();
        table.append();
        table.post();
        table.append();
        table.setText("name", "Zo\xEB Long");
        table.setLogical("Active", false);
        table.setInteger("COUNT", -1);
        table.setDouble("PRICE", -74.5);
        table.post();
        table.append();
        table.setText("NAME", "12345");
        table.setLogical("ACTIVE", true);
        table.setInteger("COUNT", 2147483647);
        table.setDouble("PRICE", 0.0);
        table.post();
        table.close();
    }
    const std::time_t after = std::time(nullptr);
    const std::string bytes = readBytes(file);
    EXPECT_TRUE(matchesDump(bytes, parseHexDump(dataFolder() / "golden/every-kind.hex")));
    const std::string date = bytes.substr(1, 3);
    EXPECT_TRUE(date == dateBytes(before) || date == dateBytes(after));
}

TEST(DbaseWriter, CreatesIndexedTableAndItsEmptyIndex)
{
    ScratchFolder folder;
    const std::time_t before = std::time(nullptr);
    createTable(folder / "COUNTSES.DBF", countses(), IndexDef {"NSES", "NSES"});
    const std::time_t after = std::time(nullptr);

    const std::string dbf = readBytes(folder / "COUNTSES.DBF");
    EXPECT_TRUE(matchesDump(dbf, parseHexDump(dataFolder() / "golden/countses-empty.dbf.hex")));
    const std::string mdx = readBytes(folder / "COUNTSES.MDX");
    EXPECT_TRUE(matchesDump(mdx, parseHexDump(dataFolder() / "golden/countses-empty.mdx.hex")));
    for (const std::string& date : {dbf.substr(1, 3), mdx.substr(1, 3), mdx.substr(44, 3)})
        EXPECT_TRUE(date == dateBytes(before) || date == dateBytes(after));
}

// Table::create stores on closing what createTable, open, the same rows and close store.
TEST(DbaseWriter, CreateAndOpenInOneStoresTheSameTable)
{
    ScratchFolder folder;
    {
        Table empty = Table::create(folder / "COUNTSES.DBF", countses(), IndexDef {"NSES", "NSES"});
        EXPECT_EQ(empty.recordCount(), 0u);
        empty.close();
    }
    EXPECT_TRUE(
        matchesDump(readBytes(folder / "COUNTSES.DBF"), parseHexDump(dataFolder() / "golden/countses-empty.dbf.hex")));
    EXPECT_TRUE(
        matchesDump(readBytes(folder / "COUNTSES.MDX"), parseHexDump(dataFolder() / "golden/countses-empty.mdx.hex")));

    Table table = Table::create(folder / "KINDS.DBF", everyKind());
    table.append();
    table.setText("NAME", "Ana");
    table.setLogical("ACTIVE", true);
    table.setInteger("COUNT", 1);
    table.setDouble("PRICE", 9.0);
    table.post();
    table.append();
    table.post();
    table.append();
    table.setText("name", "Zo\xEB Long");
    table.setLogical("Active", false);
    table.setInteger("COUNT", -1);
    table.setDouble("PRICE", -74.5);
    table.post();
    table.append();
    table.setText("NAME", "12345");
    table.setLogical("ACTIVE", true);
    table.setInteger("COUNT", 2147483647);
    table.setDouble("PRICE", 0.0);
    table.post();
    table.close();
    EXPECT_TRUE(matchesDump(readBytes(folder / "KINDS.DBF"), parseHexDump(dataFolder() / "golden/every-kind.hex")));
}

// Intake builds its tables without waiting for the disk and flushes them all at the end: the
// same bytes, with no flush until the caller's.
TEST(DbaseWriter, FlushLaterWritesTheSameTableAndLeavesTheFlushToTheCaller)
{
    ScratchFolder folder;
    std::vector<platform::FileOperation> operations;
    {
        platform::FaultInjection counting;
        Table table
            = Table::create(folder / "COUNTSES.DBF", countses(), IndexDef {"NSES", "NSES"}, platform::Flush::Later);
        table.close();
        for (const platform::FileOperationSeen& seen : counting.seen())
            operations.push_back(seen.operation);
    }
    EXPECT_EQ(std::count(operations.begin(), operations.end(), platform::FileOperation::Flush), 0) << operations.size();
    EXPECT_TRUE(
        matchesDump(readBytes(folder / "COUNTSES.DBF"), parseHexDump(dataFolder() / "golden/countses-empty.dbf.hex")));
    EXPECT_TRUE(
        matchesDump(readBytes(folder / "COUNTSES.MDX"), parseHexDump(dataFolder() / "golden/countses-empty.mdx.hex")));

    platform::FaultInjection flushing(2);
    platform::syncFileData(folder / "COUNTSES.DBF");
    EXPECT_THROW(platform::syncFileData(folder / "COUNTSES.MDX"), Error);
    EXPECT_EQ(flushing.seen().at(1).operation, platform::FileOperation::Flush);
}

// A large new table writes its rows to the file in pieces as they are appended; the file it
// leaves is the one a table held whole in memory leaves, also after reading, finding, editing
// and appending once rows were written ahead.
TEST(DbaseWriter, ALargeNewTableWrittenAheadIsTheSameTable)
{
    ScratchFolder folder;
    const std::vector<FieldDef> fields {{"NAME", FieldType::Character, 50, 0}, {"COUNT", FieldType::Integer, 4, 0}};
    const auto fill = [](Table& table, int from, int to) {
        for (int i = from; i < to; ++i) {
            table.append();
            table.setText("NAME", "row " + std::to_string(i));
            table.setInteger("COUNT", i);
            table.post();
        }
    };
    const auto work = [&](Table& table) {
        fill(table, 0, 20000); // a megabyte of rows
        table.first();
        EXPECT_EQ(table.text("NAME"), "row 0");
        EXPECT_TRUE(table.locate("NAME", "row 15000"));
        EXPECT_EQ(table.integer("COUNT"), 15000);
        table.edit();
        table.setText("NAME", "edited");
        table.post();
        fill(table, 20000, 30000);
    };

    createTable(folder / "WHOLE.DBF", fields);
    {
        Table whole = Table::open(folder / "WHOLE.DBF");
        work(whole);
        whole.close();
    }
    {
        Table ahead = Table::create(folder / "AHEAD.DBF", fields);
        platform::FaultInjection counting;
        fill(ahead, 0, 20000);
        EXPECT_GT(counting.count(), 2u) << "no rows were written ahead";
        ahead.close();
    }
    {
        Table ahead = Table::create(folder / "AHEAD2.DBF", fields);
        work(ahead);
        ahead.close();
    }
    const std::string whole = readBytes(folder / "WHOLE.DBF");
    EXPECT_EQ(readBytes(folder / "AHEAD2.DBF"), whole);
    Table reread = Table::open(folder / "AHEAD.DBF");
    EXPECT_EQ(reread.recordCount(), 20000u);
    ASSERT_TRUE(reread.locate("COUNT", "19999"));
    EXPECT_EQ(reread.text("NAME"), "row 19999");

    // A failing write ahead is an error that names the table.
    Table failing = Table::create(folder / "FALLA.DBF", fields);
    platform::FaultInjection faults(1);
    try {
        fill(failing, 0, 20000);
        ADD_FAILURE() << "the write should have failed";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("FALLA.DBF"), std::string::npos) << error.what();
    }
}

TEST(DbaseWriter, CreateAndOpenInOneRefusesAnExistingFile)
{
    ScratchFolder folder;
    const auto file = folder / "PROFT.DBF";
    createTable(file, everyKind());
    const std::string before = readBytes(file);
    try {
        Table::create(file, everyKind());
        FAIL() << "created over an existing table";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("ya existe"), std::string::npos) << error.what();
    }
    EXPECT_EQ(readBytes(file), before);
}

TEST(DbaseWriter, CreateReplacesAnOldTable)
{
    ScratchFolder folder;
    const auto file = folder / "PROFT.DBF";
    createTable(file, everyKind());
    {
        Table table = Table::open(file);
        table.append();
        table.setText("NAME", "Old");
        table.post();
    }
    createTable(file, {{"COD", FieldType::Character, 10, 0}});
    Table table = Table::open(file);
    EXPECT_EQ(table.recordCount(), 0u);
    ASSERT_EQ(table.fields().size(), 1u);
    EXPECT_EQ(table.fields()[0].name, "COD");
}

struct BadDefinition {
    std::string what;
    std::vector<FieldDef> fields;
    std::optional<IndexDef> index;
    std::string messagePart;
};

void PrintTo(const BadDefinition& definition, std::ostream* out)
{
    *out << definition.what;
}

class DbaseBadDefinition : public ::testing::TestWithParam<BadDefinition> { };

TEST_P(DbaseBadDefinition, IsRefusedAndNothingIsWritten)
{
    ScratchFolder folder;
    const auto file = folder / "T.DBF";
    // Both ways of creating a table check the definition before touching the folder.
    for (const bool openToo : {false, true}) {
        try {
            if (openToo)
                Table::create(file, GetParam().fields, GetParam().index);
            else
                createTable(file, GetParam().fields, GetParam().index);
            FAIL() << "created";
        } catch (const Error& error) {
            EXPECT_NE(std::string(error.what()).find(GetParam().messagePart), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find("T ("), std::string::npos) << error.what();
        }
        EXPECT_FALSE(std::filesystem::exists(file));
        EXPECT_FALSE(std::filesystem::exists(folder / "T.MDX"));
    }
}

const FieldDef code {"COD", FieldType::Character, 10, 0};

INSTANTIATE_TEST_SUITE_P(
    Dbase, DbaseBadDefinition,
    ::testing::Values(
        BadDefinition {"NoFields", {}, {}, "sin campos"},
        BadDefinition {"EmptyName", {{"", FieldType::Character, 5, 0}}, {}, "no es válido"},
        BadDefinition {"NameTooLong", {{std::string(32, 'A'), FieldType::Character, 5, 0}}, {}, "no es válido"},
        BadDefinition {"NameWithBlank", {{"MY FIELD", FieldType::Character, 5, 0}}, {}, "no es válido"},
        BadDefinition {"DuplicateName", {code, {"cod", FieldType::Logical, 1, 0}}, {}, "dos campos llamados COD"},
        BadDefinition {"WidthZero", {{"COD", FieldType::Character, 0, 0}}, {}, "anchura no válida (0)"},
        BadDefinition {"WidthTooBig", {{"COD", FieldType::Character, 255, 0}}, {}, "anchura no válida (255)"},
        BadDefinition {"KindNotWritten", {{"QTY", FieldType::Numeric, 5, 0}}, {}, "tipo ('N')"},
        BadDefinition {"IndexOnText", {code}, IndexDef {"COD", "COD"}, "no es numérico"},
        BadDefinition {"IndexOnMissingField", {code}, IndexDef {"NSES", "NSES"}, "que la tabla no tiene"},
        BadDefinition {
            "TagNameTooLong", {{"NSES", FieldType::Integer, 4, 0}}, IndexDef {"ELEVENCHARS", "NSES"}, "no es válido"}),
    [](const ::testing::TestParamInfo<BadDefinition>& info) { return info.param.what; });

} // namespace

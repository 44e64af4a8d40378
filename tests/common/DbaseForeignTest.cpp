#include "DbaseTestSupport.h"
#include "common/Error.h"
#include "common/dbase/Table.h"

#include <gtest/gtest.h>

using namespace quelvane;
using namespace quelvane::dbase;
using namespace quelvane::dbase::testing;

namespace {

// One live row of a table others wrote, and what each named field reads as text.
struct ForeignRow {
    std::string file; // under tests/data/dbase
    std::size_t liveRows;
    std::size_t row; // 0-based among the live rows
    std::vector<std::pair<std::string, std::string>> texts;
};

void PrintTo(const ForeignRow& row, std::ostream* out)
{
    *out << row.file << " row " << row.row;
}

class DbaseForeign : public ::testing::TestWithParam<ForeignRow> { };

TEST_P(DbaseForeign, ReadsWhatTheWriterStored)
{
    ScratchFolder folder;
    Table table = Table::open(folder.copy(GetParam().file));
    EXPECT_EQ(table.recordCount(), GetParam().liveRows);
    table.first();
    for (std::size_t i = 0; i < GetParam().row; ++i)
        table.next();
    ASSERT_FALSE(table.eof());
    for (const auto& [field, text] : GetParam().texts)
        EXPECT_EQ(table.text(field), text) << field;
}

INSTANTIATE_TEST_SUITE_P(
    Dbase, DbaseForeign,
    ::testing::Values(
        // dBase III, 32-byte descriptors
        ForeignRow {"foreign/dBaseIII_nomemo.dbf",
                    10,
                    0,
                    {{"REGN", "1"}, {"NUM_SC", "10605"}, {"VR", "223717"}, {"VITG", "223717"}, {"DT", "20190801"}}},
        ForeignRow {"foreign/dBaseIII_nomemo.dbf", 10, 6, {{"ORA", "6006110792"}, {"OITGA", "6006110792"}}},
        // dBase IV with memo fields (the memo file is not there: memos read empty)
        ForeignRow {"foreign/dBaseIV.dbf",
                    3,
                    0,
                    {{"NAME", "Groot"},
                     {"BIRTHDAY", "19601101"},
                     {"IS_MAN", "F"},
                     {"BIO", ""},
                     {"MONEY", "12.1235"},
                     {"RATE", "1.2"}}},
        ForeignRow {"foreign/dBaseIV.dbf", 3, 1, {{"NAME", "Rocket Raccoon"}, {"MONEY", "325.32"}, {"RATE", "1.23"}}},
        ForeignRow {"foreign/dBaseIV.dbf",
                    3,
                    2,
                    {{"NAME", "Star-Lord"}, {"IS_MAN", "T"}, {"MONEY", "0"}, {"RATE", "15.16"}, {"IMAGE", ""}}},
        // level 7 with memo, written by dBase itself
        ForeignRow {"foreign/dBaseVII.dbf",
                    3,
                    0,
                    {{"NAME", "Groot"},
                     {"INTEGER", "1"},
                     {"AUTO_INC", "0"},
                     {"MONEY", "12.1235"},
                     {"LARGE_INT", "4"},
                     {"DATETIME", "1800-01-01 01:01:01"},
                     {"BIO", ""},
                     {"BLOB", ""},
                     {"DBASE_OLE", ""}}},
        ForeignRow {
            "foreign/dBaseVII.dbf", 3, 1, {{"INTEGER", "2"}, {"AUTO_INC", "1"}, {"DATETIME", "1970-01-01 00:00:00"}}},
        ForeignRow {
            "foreign/dBaseVII.dbf", 3, 2, {{"INTEGER", "3"}, {"AUTO_INC", "2"}, {"DATETIME", "2020-02-20 20:20:20"}}},
        ForeignRow {"foreign/dBaseVII_int.dbf", 6, 0, {{"INT", "1"}}},
        ForeignRow {"foreign/dBaseVII_int.dbf", 6, 1, {{"INT", "-1"}}},
        ForeignRow {"foreign/dBaseVII_int.dbf", 6, 2, {{"INT", "5000000"}}},
        ForeignRow {"foreign/dBaseVII_int.dbf", 6, 3, {{"INT", "-5000000"}}},
        ForeignRow {"foreign/dBaseVII_int.dbf", 6, 4, {{"INT", "2147483647"}}},
        ForeignRow {"foreign/dBaseVII_int.dbf", 6, 5, {{"INT", "-2147483647"}}},
        ForeignRow {"foreign/dBaseVII_double.dbf", 5, 0, {{"double", "-199.99"}}},
        ForeignRow {"foreign/dBaseVII_double.dbf", 5, 1, {{"DOUBLE", "-74.62"}}},
        ForeignRow {"foreign/dBaseVII_double.dbf", 5, 2, {{"DOUBLE", "43.65"}}},
        ForeignRow {"foreign/dBaseVII_double.dbf", 5, 3, {{"DOUBLE", "150.48"}}},
        ForeignRow {"foreign/dBaseVII_double.dbf", 5, 4, {{"DOUBLE", "0"}}},
        // the first six rows are deleted
        ForeignRow {"foreign/dBaseVII_ts.dbf", 9, 0, {{"TS", "1900-01-01 00:00:00"}}},
        ForeignRow {"foreign/dBaseVII_ts.dbf", 9, 1, {{"TS", "1900-01-02 00:00:00"}}},
        // another library's dBase IV table; its ninth row is deleted
        ForeignRow {"foreign/XB4.DBF",
                    8,
                    0,
                    {{"NAME", "Carmen"},
                     {"QTY", "42"},
                     {"PRICE", "19.99"},
                     {"RATE", "1.5"},
                     {"ACTIVE", "T"},
                     {"BORN", "19800105"}}},
        ForeignRow {"foreign/XB4.DBF", 8, 1, {{"QTY", "-7"}, {"PRICE", "0.05"}, {"RATE", "-2.25"}, {"ACTIVE", "F"}}},
        ForeignRow {"foreign/XB4.DBF", 8, 3, {{"QTY", "1000000"}, {"PRICE", "-3.5"}, {"RATE", "12345.6789"}}},
        ForeignRow {"foreign/XB4.DBF", 8, 5, {{"QTY", "2147483647"}, {"RATE", "10000000000"}}},
        ForeignRow {"foreign/XB4.DBF", 8, 6, {{"NAME", "Ana"}, {"QTY", "-2147483647"}, {"PRICE", "0"}}},
        ForeignRow {"foreign/XB4.DBF",
                    8,
                    7,
                    {{"NAME", "Blanko"}, {"QTY", ""}, {"PRICE", ""}, {"RATE", ""}, {"ACTIVE", ""}, {"BORN", ""}}},
        // FoxPro family: little-endian I and B, the 263-byte block after the descriptors
        ForeignRow {"foxpro.dbf", 3, 0, {{"NAME", "Ana"}, {"COUNT", "1"}, {"PRICE", "2.5"}, {"FLAG", "T"}}},
        ForeignRow {"foxpro.dbf", 3, 1, {{"NAME", "Bob"}, {"COUNT", "-5"}, {"PRICE", "-0.125"}, {"FLAG", "F"}}},
        ForeignRow {
            "foxpro.dbf", 3, 2, {{"NAME", "Se\xF1or"}, {"COUNT", "2147483647"}, {"PRICE", "1000000"}, {"FLAG", ""}}}));

TEST(DbaseForeign, NumbersOfBlankAndFilledNumericFields)
{
    ScratchFolder folder;
    Table table = Table::open(folder.copy("foreign/XB4.DBF"));
    ASSERT_TRUE(table.locate("NAME", "Diego"));
    EXPECT_EQ(table.integer("QTY"), 1000000);
    EXPECT_EQ(table.number("PRICE"), -3.5);
    EXPECT_EQ(table.integer("PRICE"), -3);
    EXPECT_EQ(table.number("RATE"), 12345.6789);
    EXPECT_FALSE(table.logical("ACTIVE"));
    ASSERT_TRUE(table.locate("NAME", "Blanko"));
    EXPECT_TRUE(table.isBlank("QTY"));
    EXPECT_EQ(table.integer("QTY"), 0);
    EXPECT_EQ(table.number("RATE"), 0);
    EXPECT_FALSE(table.logical("ACTIVE"));
    EXPECT_FALSE(table.locate("NAME", "Deleted")); // deleted rows are not there
    EXPECT_TRUE(table.locate("QTY", "0"));
    EXPECT_EQ(table.text("NAME"), "Beatriz");
}

TEST(DbaseForeign, ReportsFieldsAsStored)
{
    ScratchFolder folder;
    Table table = Table::open(folder.copy("foreign/dBaseIV.dbf"));
    std::vector<std::string> names;
    for (const FieldDef& field : table.fields())
        names.push_back(field.name);
    EXPECT_EQ(names, (std::vector<std::string> {"NAME", "BIRTHDAY", "IS_MAN", "BIO", "MONEY", "IMAGE", "RATE"}));
    EXPECT_EQ(table.fields()[4].type, FieldType::Numeric);
    EXPECT_EQ(table.fields()[4].width, 20);
    EXPECT_EQ(table.fields()[4].decimals, 4);
    EXPECT_TRUE(table.hasField("money"));
    EXPECT_FALSE(table.hasField("MONE"));
}

TEST(DbaseForeign, TablesOfOtherFormatsAreNotChangedButStayReadable)
{
    for (const char* file : {"foreign/dBaseIV.dbf", "foreign/dBaseVII.dbf", "foxpro.dbf"}) {
        ScratchFolder folder;
        const auto copy = folder.copy(file);
        const std::string before = readBytes(copy);
        {
            Table table = Table::open(copy);
            EXPECT_THROW(table.append(), Error) << file;
            table.first();
            EXPECT_THROW(table.edit(), Error) << file;
            table.close();
        }
        EXPECT_EQ(readBytes(copy), before) << file;
    }
}

} // namespace

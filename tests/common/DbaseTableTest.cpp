#include "DbaseTestSupport.h"
#include "common/Error.h"
#include "common/dbase/Table.h"

#include <gtest/gtest.h>

using namespace quelvane;
using namespace quelvane::dbase;
using namespace quelvane::dbase::testing;

namespace {

std::vector<FieldDef> everyKind()
{
    return {{"NAME", FieldType::Character, 8, 0},
            {"ACTIVE", FieldType::Logical, 1, 0},
            {"COUNT", FieldType::Integer, 4, 0},
            {"PRICE", FieldType::Double, 8, 0}};
}

std::vector<std::string> column(Table& table, std::string_view field)
{
    std::vector<std::string> values;
    for (table.first(); !table.eof(); table.next())
        values.push_back(table.text(field));
    return values;
}

std::string messageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "(no error)";
}

class DbaseTable : public ::testing::Test {
protected:
    void appendRow(std::string_view name, bool active, std::int32_t count, double price)
    {
        table.append();
        table.setText("NAME", name);
        table.setLogical("ACTIVE", active);
        table.setInteger("COUNT", count);
        table.setDouble("PRICE", price);
        table.post();
    }

    void reopen()
    {
        table.close();
        table = Table::open(file);
    }

    ScratchFolder folder;
    std::filesystem::path file = folder / "KINDS.DBF";
    Table table = (createTable(file, everyKind()), Table::open(file));
};

TEST_F(DbaseTable, ReadsBackEveryKindAfterReopening)
{
    appendRow("Ana", true, 1, 9.0);
    table.append();
    table.post();
    appendRow("Zo\xEB", false, -2147483647, -74.5);
    appendRow("  lead", true, 2147483647, 2.5);
    reopen();

    EXPECT_EQ(table.name(), "KINDS");
    EXPECT_EQ(table.recordCount(), 4u);
    table.first();
    EXPECT_EQ(table.text("NAME"), "Ana");
    EXPECT_EQ(table.text("ACTIVE"), "T");
    EXPECT_TRUE(table.logical("ACTIVE"));
    EXPECT_EQ(table.text("COUNT"), "1");
    EXPECT_EQ(table.integer("COUNT"), 1);
    EXPECT_EQ(table.text("PRICE"), "9");
    EXPECT_EQ(table.number("PRICE"), 9.0);
    EXPECT_EQ(table.integer("PRICE"), 9);
    for (const char* field : {"NAME", "ACTIVE", "COUNT", "PRICE"})
        EXPECT_FALSE(table.isBlank(field)) << field;

    table.next(); // the row appended without values
    for (const char* field : {"NAME", "ACTIVE", "COUNT", "PRICE"}) {
        EXPECT_TRUE(table.isBlank(field)) << field;
        EXPECT_EQ(table.text(field), "") << field;
        EXPECT_EQ(table.number(field), 0) << field;
    }
    EXPECT_FALSE(table.logical("ACTIVE"));
    EXPECT_EQ(table.integer("COUNT"), 0);

    table.next();
    EXPECT_EQ(table.text("NAME"), "Zo\xEB");
    EXPECT_EQ(table.text("ACTIVE"), "F");
    EXPECT_FALSE(table.logical("ACTIVE"));
    EXPECT_EQ(table.integer("COUNT"), -2147483647);
    EXPECT_EQ(table.text("COUNT"), "-2147483647");
    EXPECT_EQ(table.text("PRICE"), "-74.5");
    EXPECT_EQ(table.integer("PRICE"), -74); // truncated toward zero

    table.next();
    EXPECT_EQ(table.text("NAME"), "  lead"); // only the filling blanks go
    EXPECT_EQ(table.text("COUNT"), "2147483647");
    EXPECT_EQ(table.text("PRICE"), "2.5");

    table.next();
    EXPECT_TRUE(table.eof());
    table.next(); // stays at the end
    EXPECT_TRUE(table.eof());
}

TEST_F(DbaseTable, EmptyTableIsAtItsEnd)
{
    EXPECT_TRUE(table.eof());
    EXPECT_EQ(table.recordCount(), 0u);
    table.first();
    EXPECT_TRUE(table.eof());
    EXPECT_FALSE(table.locate("NAME", ""));
    EXPECT_NE(messageOf([&] { (void)table.text("NAME"); }).find("al final"), std::string::npos);
}

TEST_F(DbaseTable, TextIsCutToTheWidthSilently)
{
    table.append();
    table.setText("NAME", "Matem\xE1ticas avanzadas");
    table.post();
    reopen();
    EXPECT_EQ(table.text("NAME"), "Matem\xE1ti");
}

TEST_F(DbaseTable, ConvertsBetweenKindsOnSet)
{
    table.append();
    table.setText("COUNT", "42");
    table.setText("PRICE", "3,5");
    table.setText("ACTIVE", "T");
    table.setInteger("NAME", -12);
    table.post();
    EXPECT_EQ(table.integer("COUNT"), 42);
    EXPECT_EQ(table.number("PRICE"), 3.5);
    EXPECT_TRUE(table.logical("ACTIVE"));
    EXPECT_EQ(table.text("NAME"), "-12");
    EXPECT_EQ(table.integer("NAME"), -12);

    table.edit();
    table.setDouble("COUNT", 6.6); // rounded into an integer field
    table.setText("PRICE", "0.25");
    table.post();
    EXPECT_EQ(table.integer("COUNT"), 7);
    EXPECT_EQ(table.text("PRICE"), "0.25");
}

TEST_F(DbaseTable, EditsAreStoredWhenPostedOnly)
{
    appendRow("Ana", true, 1, 1.0);
    appendRow("Bea", true, 2, 2.0);
    table.first();
    table.edit();
    table.setInteger("COUNT", 10);
    table.post();
    table.next();
    table.edit();
    table.setText("NAME", "Bego");
    table.next(); // moving stores the pending row, as the platform does
    EXPECT_TRUE(table.eof());
    table.append();
    table.setText("NAME", "Lost"); // never posted: dropped on close
    reopen();
    EXPECT_EQ(column(table, "NAME"), (std::vector<std::string> {"Ana", "Bego"}));
    EXPECT_EQ(column(table, "COUNT"), (std::vector<std::string> {"10", "2"}));
}

TEST_F(DbaseTable, LocatesFirstExactMatchAfterAppendsAndEdits)
{
    appendRow("55", true, 1, 0);
    appendRow("60", true, 2, 0);
    appendRow("55", true, 3, 0);
    appendRow("ab", true, 4, 0);

    ASSERT_TRUE(table.locate("NAME", "55"));
    EXPECT_EQ(table.integer("COUNT"), 1);
    EXPECT_FALSE(table.locate("NAME", "AB")); // letter case counts
    EXPECT_EQ(table.integer("COUNT"), 1); // position unchanged
    EXPECT_FALSE(table.locate("NAME", "5"));
    EXPECT_FALSE(table.locate("NAME", "55 "));
    ASSERT_TRUE(table.locate("name", "ab"));
    EXPECT_EQ(table.integer("COUNT"), 4);

    appendRow("60", true, 5, 0); // a later duplicate does not win
    ASSERT_TRUE(table.locate("NAME", "60"));
    EXPECT_EQ(table.integer("COUNT"), 2);
    appendRow("new", true, 6, 0);
    ASSERT_TRUE(table.locate("NAME", "new"));
    EXPECT_EQ(table.integer("COUNT"), 6);

    ASSERT_TRUE(table.locate("NAME", "55"));
    table.edit(); // the first holder of 55 changes: the next one is found
    table.setText("NAME", "30");
    table.post();
    ASSERT_TRUE(table.locate("NAME", "55"));
    EXPECT_EQ(table.integer("COUNT"), 3);
    ASSERT_TRUE(table.locate("NAME", "30"));
    EXPECT_EQ(table.integer("COUNT"), 1);

    ASSERT_TRUE(table.locate("NAME", "55"));
    table.edit(); // the last holder goes
    table.setText("NAME", "ab");
    table.post();
    EXPECT_FALSE(table.locate("NAME", "55"));
    ASSERT_TRUE(table.locate("NAME", "ab")); // now row 3 precedes row 4
    EXPECT_EQ(table.integer("COUNT"), 3);

    ASSERT_TRUE(table.locate("COUNT", "5")); // any field, compared as its text
    EXPECT_EQ(table.text("NAME"), "60");
    ASSERT_TRUE(table.locate("PRICE", "0"));
    EXPECT_EQ(table.integer("COUNT"), 1);

    reopen();
    ASSERT_TRUE(table.locate("NAME", "ab"));
    EXPECT_EQ(table.integer("COUNT"), 3);
}

TEST_F(DbaseTable, MisuseGivesErrorsNamingTableAndField)
{
    appendRow("Ana", true, 1, 0);
    EXPECT_NE(messageOf([&] { (void)table.text("MISSING"); }).find("KINDS"), std::string::npos);
    EXPECT_NE(messageOf([&] { (void)table.text("MISSING"); }).find("MISSING"), std::string::npos);
    EXPECT_NE(messageOf([&] { table.setText("NAME", "x"); }).find("no está en edición"), std::string::npos);
    EXPECT_NE(messageOf([&] { table.post(); }).find("KINDS"), std::string::npos);
    table.edit();
    EXPECT_NE(messageOf([&] { table.setInteger("COUNT", INT32_MIN); }).find("-2147483648"), std::string::npos);
    EXPECT_NE(messageOf([&] { table.setDouble("COUNT", 3e9); }).find("COUNT"), std::string::npos);
    EXPECT_NE(messageOf([&] { table.setText("COUNT", "12a"); }).find("'12a' no es un valor entero válido"),
              std::string::npos);
    EXPECT_NE(messageOf([&] { table.setLogical("COUNT", true); }).find("COUNT"), std::string::npos);
    table.post();
    table.next();
    EXPECT_NE(messageOf([&] { table.edit(); }).find("al final"), std::string::npos);
    table.close();
    EXPECT_FALSE(table.isOpen());
    EXPECT_NE(messageOf([&] { table.first(); }).find("cerrada"), std::string::npos);
    EXPECT_NE(messageOf([] { (void)Table::open("/nonexistent/folder/PROFT.DBF"); }).find("No existe la tabla PROFT"),
              std::string::npos);
}

TEST(DbaseFiles, TableFileAndDeleteTableFiles)
{
    ScratchFolder folder;
    EXPECT_EQ(tableFile(folder.path(), "proft"), folder.path() / "PROFT.DBF");
    createTable(tableFile(folder.path(), "COUNTSES"), {{"NSES", FieldType::Integer, 4, 0}}, IndexDef {"NSES", "NSES"});
    ASSERT_TRUE(std::filesystem::exists(folder / "COUNTSES.MDX"));
    deleteTableFiles(folder.path(), "COUNTSES");
    EXPECT_FALSE(std::filesystem::exists(folder / "COUNTSES.DBF"));
    EXPECT_FALSE(std::filesystem::exists(folder / "COUNTSES.MDX"));
    deleteTableFiles(folder.path(), "COUNTSES"); // nothing left to delete is fine
}

} // namespace

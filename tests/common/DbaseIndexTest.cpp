#include "DbaseMdxReader.h"
#include "DbaseTestSupport.h"
#include "common/dbase/NumericKey.h"
#include "common/dbase/Table.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

using namespace quelvane;
using namespace quelvane::dbase;
using namespace quelvane::dbase::testing;

namespace {

std::string hex(std::string_view bytes)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        if (!out.empty())
            out += ' ';
        out += digits[(c >> 4) & 0x0F];
        out += digits[c & 0x0F];
    }
    return out;
}

std::string keyHex(const NumericKey& key)
{
    std::size_t used = key.size();
    while (used > 2 && key[used - 1] == 0)
        --used; // the zero padding after the digits
    return hex(std::string_view(reinterpret_cast<const char*>(key.data()), used));
}

struct KeyCase {
    std::string decimal;
    std::string key; // without the zero padding
};

void PrintTo(const KeyCase& keyCase, std::ostream* out)
{
    *out << keyCase.decimal;
}

class DbaseNumericKey : public ::testing::TestWithParam<KeyCase> { };

TEST_P(DbaseNumericKey, EncodesAsTheFormatSaysAndReadsBack)
{
    const auto key = numericKey(GetParam().decimal);
    ASSERT_TRUE(key);
    EXPECT_EQ(keyHex(*key), GetParam().key);
    const double value = std::stod(GetParam().decimal);
    EXPECT_EQ(keyHex(numericKey(value)), GetParam().key);
    if (value == static_cast<std::int64_t>(value)) {
        EXPECT_EQ(keyHex(numericKey(static_cast<std::int64_t>(value))), GetParam().key);
    }
    EXPECT_DOUBLE_EQ(numericKeyValue(std::string_view(reinterpret_cast<const char*>(key->data()), key->size())), value);
}

INSTANTIATE_TEST_SUITE_P(
    Dbase, DbaseNumericKey,
    ::testing::Values(KeyCase {"0", "34 01"}, KeyCase {"5", "35 05 50"}, KeyCase {"-7", "35 85 70"},
                      KeyCase {"42", "36 09 42"}, KeyCase {"100", "37 05 10"}, KeyCase {"19.99", "36 11 19 99"},
                      KeyCase {"2147483647", "3E 29 21 47 48 36 47"}, KeyCase {"-2147483647", "3E A9 21 47 48 36 47"},
                      KeyCase {"1000000", "3B 05 10"}, KeyCase {"-3.5", "35 89 35"}, KeyCase {"0.05", "33 05 50"},
                      KeyCase {"-0.5", "34 85 50"}, KeyCase {"12345.6789", "39 25 12 34 56 78 90"}));

TEST(DbaseNumericKey, RefusesWhatIsNotANumber)
{
    EXPECT_FALSE(numericKey(std::string_view("")));
    EXPECT_FALSE(numericKey(std::string_view("1e5")));
    EXPECT_FALSE(numericKey(std::string_view("-")));
}

TEST(DbaseMdxReader, ReadsTheIndependentFixture)
{
    const std::string file = readBytes(dataFolder() / "foreign/XB4.MDX");

    const MdxTag quantity = readMdxTag(file, "QTY");
    EXPECT_EQ(quantity.keyType, 'N');
    EXPECT_EQ(quantity.expression, "QTY");
    std::vector<std::uint32_t> records;
    std::vector<double> values;
    for (const MdxItem& item : quantity.items) {
        records.push_back(item.record);
        values.push_back(numericKeyValue(item.key));
    }
    EXPECT_EQ(records, (std::vector<std::uint32_t> {7, 2, 3, 8, 9, 5, 1, 4, 6}));
    EXPECT_EQ(values, (std::vector<double> {-2147483647, -7, 0, 0, 3, 5, 42, 1000000, 2147483647}));

    const MdxTag name = readMdxTag(file, "NAME");
    EXPECT_EQ(name.keyType, 'C');
    std::vector<std::pair<std::uint32_t, std::string>> names;
    for (const MdxItem& item : name.items)
        names.emplace_back(item.record, item.key.substr(0, item.key.find(' ')));
    EXPECT_EQ(names,
              (std::vector<std::pair<std::uint32_t, std::string>> {{2, "Alvaro"},
                                                                   {7, "Ana"},
                                                                   {3, "Beatriz"},
                                                                   {8, "Blanko"},
                                                                   {1, "Carmen"},
                                                                   {9, "Deleted"},
                                                                   {4, "Diego"},
                                                                   {5, "Elena"},
                                                                   {6, "Zoe"}}));

    // The fixture's descending tag on PRICE starts with 100.00, stored in the other convention
    // for trailing zeros (37 0D 10).
    const MdxTag price = readMdxTag(file, "PRICED");
    ASSERT_FALSE(price.items.empty());
    EXPECT_EQ(hex(price.items.front().key.substr(0, 3)), "37 0D 10");
    EXPECT_EQ(numericKeyValue(price.items.front().key), 100);
}

// The (value, record) pairs a correct index holds for the table's live rows: ascending by value,
// equal values by record number.
std::vector<std::pair<double, std::uint32_t>> expectedEntries(Table& table, std::string_view field)
{
    std::vector<std::pair<double, std::uint32_t>> entries;
    std::uint32_t record = 0;
    for (table.first(); !table.eof(); table.next())
        entries.emplace_back(table.number(field), ++record);
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::vector<std::pair<double, std::uint32_t>> indexedEntries(const MdxTag& tag)
{
    std::vector<std::pair<double, std::uint32_t>> entries;
    for (const MdxItem& item : tag.items)
        entries.emplace_back(numericKeyValue(item.key), item.record);
    return entries;
}

class DbaseIndex : public ::testing::Test {
protected:
    void create()
    {
        createTable(dbf, {{"DURACION", FieldType::Character, 10, 0}, {"NSES", FieldType::Integer, 4, 0}},
                    IndexDef {"NSES", "NSES"});
    }

    MdxTag index() const { return readMdxTag(readBytes(folder / "COUNTSES.MDX"), "NSES"); }

    ScratchFolder folder;
    std::filesystem::path dbf = folder / "COUNTSES.DBF";
};

TEST_F(DbaseIndex, HoldsEveryRowInKeyOrderAfterAppendsAndEdits)
{
    create();
    const std::vector<std::optional<int>> values {4, -3, 4, 0, 12, -3, 7, std::nullopt, 4, -2147483647, 2147483647};
    {
        Table table = Table::open(dbf);
        for (std::size_t i = 0; i < values.size(); ++i) {
            table.append();
            table.setText("DURACION", std::to_string(i));
            if (values[i])
                table.setInteger("NSES", *values[i]);
            table.post();
        }
        ASSERT_TRUE(table.locate("DURACION", "1"));
        table.edit();
        table.setInteger("NSES", 9);
        table.post();
        ASSERT_TRUE(table.locate("DURACION", "4"));
        table.edit();
        table.setInteger("NSES", -100);
        table.post();
        table.close();
    }
    const MdxTag tag = index();
    EXPECT_EQ(tag.keyType, 'N');
    EXPECT_EQ(tag.expression, "NSES");
    EXPECT_EQ(tag.depth, 1);
    Table table = Table::open(dbf);
    EXPECT_EQ(indexedEntries(tag), expectedEntries(table, "NSES"));
    EXPECT_EQ(indexedEntries(tag).front(), (std::pair<double, std::uint32_t> {-2147483647, 10}));
}

TEST_F(DbaseIndex, IsRewrittenWhenAReopenedTableChangesOnly)
{
    create();
    {
        Table table = Table::open(dbf);
        table.append();
        table.setInteger("NSES", 5);
        table.post();
    }
    ASSERT_EQ(index().items.size(), 1u);

    // Marked so that a rewrite would show.
    std::string marked = readBytes(folder / "COUNTSES.MDX");
    marked[30] = 'M';
    writeBytes(folder / "COUNTSES.MDX", marked);
    {
        Table table = Table::open(dbf);
        for (table.first(); !table.eof(); table.next())
            (void)table.text("NSES");
        ASSERT_TRUE(table.locate("NSES", "5"));
    }
    EXPECT_EQ(readBytes(folder / "COUNTSES.MDX"), marked);

    {
        Table table = Table::open(dbf);
        table.append();
        table.setInteger("NSES", 1);
        table.post();
    }
    const MdxTag tag = index();
    Table table = Table::open(dbf);
    EXPECT_EQ(indexedEntries(tag), (std::vector<std::pair<double, std::uint32_t>> {{1, 2}, {5, 1}}));
}

class DbaseLargeIndex : public DbaseIndex, public ::testing::WithParamInterface<std::pair<int, int>> { };

TEST_P(DbaseLargeIndex, BuildsInteriorLevelsAsNeeded)
{
    const auto [rows, depth] = GetParam();
    create();
    {
        Table table = Table::open(dbf);
        std::mt19937 random(static_cast<unsigned>(rows));
        std::uniform_int_distribution<int> value(-50, 200); // many duplicates, some negative
        for (int i = 0; i < rows; ++i) {
            table.append();
            table.setInteger("NSES", value(random));
            table.post();
        }
    }
    const MdxTag tag = index();
    EXPECT_EQ(tag.depth, depth);
    EXPECT_EQ(tag.items.size(), static_cast<std::size_t>(rows));
    Table table = Table::open(dbf);
    EXPECT_EQ(indexedEntries(tag), expectedEntries(table, "NSES"));
}

// 63 keys fill a leaf, and a node has at most 64 children: 4032 keys fit under one interior level.
INSTANTIATE_TEST_SUITE_P(Dbase, DbaseLargeIndex,
                         ::testing::Values(std::pair {63, 1}, std::pair {64, 2}, std::pair {1000, 2},
                                           std::pair {4032, 2}, std::pair {4033, 3}, std::pair {10000, 3}));

} // namespace

#include "IntakeTestSupport.h"
#include "common/WorkingTables.h"
#include "common/dbase/Table.h"
#include "intake/IntakeContext.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quelvane::intake {
namespace {

using namespace testsupport;
namespace field = tables::field;

struct Room {
    std::string code;
    std::string name;
};

struct RoomsCase {
    const char* title;
    std::vector<Room> rooms;
    std::vector<std::string> abrev;
    std::vector<std::string> abrevGestion;
};

class CargarAulasKeys : public testing::TestWithParam<RoomsCase> { };

TEST_P(CargarAulasKeys, ShortCodeAndManagementCode)
{
    std::string body = "<Aulas>";
    for (const Room& room : GetParam().rooms)
        body += "<Aula Codigo=\"" + room.code + "\" Denominacion=\"" + room.name + "\"/>";
    LoaderRun run(centre(body + "</Aulas>"));
    CargarAulas(run.context);
    EXPECT_EQ(column(run.folder.path(), tables::AULAT, field::ABREV), GetParam().abrev);
    EXPECT_EQ(column(run.folder.path(), tables::AULAT, field::ABREV_GESTION), GetParam().abrevGestion);
}

INSTANTIATE_TEST_SUITE_P(
    CargarAulas, CargarAulasKeys,
    testing::Values(
        RoomsCase {"plain_codes", {{"A12", "Aula 12"}, {"B1", "Aula B1"}}, {"A12", "B1"}, {"A12", "B1"}},
        RoomsCase {
            "same_code_numbered", {{"A1", "x"}, {"A1", "y"}, {"A1", "z"}}, {"A1", "A11", "A12"}, {"A1", "A1", "A1"}},
        RoomsCase {"case_ignored", {{"A12", "x"}, {"a12", "y"}}, {"A12", "a121"}, {"A12", "a12"}},
        RoomsCase {"long_code", {{"ABCDEFGHIJKL", "x"}, {"B", "y"}}, {"ABCDEFGHKL", "B"}, {"ABCDEFGHIJKL", "B"}},
        RoomsCase {"ten_characters_twice",
                   {{"AULA-GRAND", "x"}, {"AULA-GRAND", "y"}},
                   {"AULA-GRAND", "AULA-GRAD1"},
                   {"AULA-GRAND", "AULA-GRAND"}},
        RoomsCase {"named_rooms_without_code",
                   {{"", "Laboratorio de Física"}, {"", "Laboratorio de Química"}},
                   {"Laboratori", "Laboratoi1"},
                   {"", ""}},
        // The name is taken as it stands: blanks up to the tenth place stay in the source value, so
        // it differs from the same text without them.
        RoomsCase {"blanks_before_tenth_place",
                   {{"", "Aula de   1"}, {"Aula de", "x"}, {"", "Aula de   2"}},
                   {"Aula de", "Aula de", "Aula de1"},
                   {"", "Aula de", ""}},
        RoomsCase {"neither_code_nor_name", {{"", ""}, {"", ""}, {"", ""}}, {"", "1", "2"}, {"", "", ""}},
        RoomsCase {"code_of_25_characters",
                   {{std::string(25, 'C'), "x"}, {"B", "y"}},
                   {"CCCCCCCCCC", "B"},
                   {std::string(20, 'C'), "B"}},
        RoomsCase {"one_room_loads_nothing", {{"A1", "x"}}, {}, {}}),
    [](const testing::TestParamInfo<RoomsCase>& info) { return std::string(info.param.title); });

TEST(CargarAulas, TableLayoutAndHostFieldsLeftEmpty)
{
    LoaderRun run(centre("<Aulas><Aula Codigo=\"A12\" Denominacion=\"Aula 12\"/>"
                         "<Aula Denominacion=\"Laboratorio de Física\"/></Aulas>"));
    CargarAulas(run.context);
    const auto file = dbase::tableFile(run.folder.path(), tables::AULAT);
    EXPECT_EQ(dumpTable(file),
              "ABREV C10, NOMBRE C80, EDIFICIO C1, MAXALUM I4, ABREV_GESTION C20\n"
              "ABREV=A12|NOMBRE=Aula 12|EDIFICIO=|MAXALUM=|ABREV_GESTION=A12\n"
              "ABREV=Laboratori|NOMBRE=Laboratorio de Física|EDIFICIO=|MAXALUM=|ABREV_GESTION=\n");
    dbase::Table table = dbase::Table::open(file);
    for (table.first(); !table.eof(); table.next())
        EXPECT_TRUE(table.isBlank(field::MAXALUM));
}

TEST(CargarAulas, SummaryShowsRoomsKeyedOtherwise)
{
    LoaderRun run(centre("<Aulas><Aula Codigo=\"A12\" Denominacion=\"Aula 12\"/>"
                         "<Aula Denominacion=\"Laboratorio de Física\"/></Aulas>"));
    CargarAulas(run.context);
    ASSERT_EQ(run.summary.shortCodes.size(), 1u);
    EXPECT_EQ(run.summary.shortCodes[0].code, "");
    EXPECT_EQ(run.summary.shortCodes[0].shortCode, "Laboratori");
    EXPECT_EQ(run.summary.shortCodes[0].name, "Laboratorio de Física");
}

} // namespace
} // namespace quelvane::intake

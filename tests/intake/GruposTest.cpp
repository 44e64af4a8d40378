#include "IntakeTestSupport.h"
#include "common/Error.h"
#include "common/WorkingTables.h"
#include "common/dbase/Table.h"
#include "intake/IntakeContext.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quelvane::intake {
namespace {

using namespace testsupport;
namespace field = tables::field;
namespace fs = std::filesystem;

struct Group {
    std::string code;
    std::string teaching = "ESO";
    std::string tutor = "";
    std::string name = "1º ESO A";
};

const std::string teachings = "<Ensenanzas>"
                              "<Ensenanza Codigo=\"ESO\" Denominacion=\"Educación Secundaria Obligatoria\"/>"
                              "<Ensenanza Codigo=\"BAC\" Denominacion=\"Bachillerato\"/>"
                              "<Ensenanza Codigo=\"BACHCT\" Denominacion=\"Bachillerato de Ciencias\"/>"
                              "<Ensenanza Codigo=\"ESO\" Denominacion=\"Segunda\"/>"
                              "</Ensenanzas>";

const std::string teachers = "<Profesores>"
                             "<Profesor Codigo=\"P7\" Nombre=\"Ana\"/>"
                             "<Profesor Codigo=\"TUTORLARGO12\" Nombre=\"Luis\"/>"
                             "</Profesores>";

std::string groupsDocument(const std::vector<Group>& groups, const std::string& rest)
{
    std::string body = "<Grupos>";
    for (const Group& g : groups)
        body += "<Grupo Codigo=\"" + g.code + "\" Denominacion=\"" + g.name + "\" CodigoEnsenanza=\"" + g.teaching
            + "\" Turno=\"Mañana\" Curso=\"1\" Letra=\"A\" CodigoTutor=\"" + g.tutor + "\"/>";
    return centre(body + "</Grupos>" + rest);
}

// The groups loader needs the teachers' table of the same run.
void loadGroups(LoaderRun& run)
{
    CargarProfesores(run.context);
    CargarGrupos(run.context);
}

struct GroupCase {
    const char* title;
    std::vector<Group> groups;
    std::string rest;
    std::string column;
    std::vector<std::string> expected;
};

class CargarGruposValues : public testing::TestWithParam<GroupCase> { };

TEST_P(CargarGruposValues, Column)
{
    LoaderRun run(groupsDocument(GetParam().groups, GetParam().rest));
    loadGroups(run);
    EXPECT_EQ(column(run.folder.path(), tables::GRUPOST, GetParam().column), GetParam().expected);
}

const std::string withBoth = teachings + teachers;

INSTANTIATE_TEST_SUITE_P(
    CargarGrupos, CargarGruposValues,
    testing::Values(
        GroupCase {
            "same_code_numbered", {{"1ESOA"}, {"1ESOA"}, {"1esoa"}}, withBoth, "ABREV", {"1ESOA", "1ESOA1", "1esoa2"}},
        GroupCase {"long_code_shortened", {{"GRUPOLARGO12"}, {"B"}}, withBoth, "ABREV", {"GRUPOLAR12", "B"}},
        GroupCase {"empty_codes_numbered", {{""}, {""}}, withBoth, "ABREV", {"", "1"}},
        GroupCase {"one_group_loads_nothing", {{"1ESOA"}}, withBoth, "ABREV", {}},
        GroupCase {"teaching_name_in_brackets",
                   {{"1ESOA", "ESO"}, {"1BAC", "BAC"}},
                   withBoth,
                   "DESCRIP",
                   {"1º ESO A (Educación Secundaria Obligatoria)", "1º ESO A (Bachillerato)"}},
        GroupCase {
            "teaching_case_counts", {{"1ESOA", "eso"}, {"X", ""}}, withBoth, "DESCRIP", {"1º ESO A", "1º ESO A"}},
        GroupCase {"no_teachings", {{"1ESOA", "ESO"}, {"X", "BAC"}}, teachers, "DESCRIP", {"1º ESO A", "1º ESO A"}},
        GroupCase {"one_teaching_never_matches",
                   {{"1ESOA", "ESO"}, {"X", "ESO"}},
                   "<Ensenanzas><Ensenanza Codigo=\"ESO\" Denominacion=\"Secundaria\"/></Ensenanzas>",
                   "DESCRIP",
                   {"1º ESO A", "1º ESO A"}},
        // NIVEL is cut to five, while the lookup compares the whole code.
        GroupCase {"long_teaching_code",
                   {{"1BCT", "BACHCT"}, {"1BCX", "BACHCX"}},
                   withBoth,
                   "DESCRIP",
                   {"1º ESO A (Bachillerato de Ciencias)", "1º ESO A"}},
        GroupCase {"level_cut_to_five", {{"1BCT", "BACHCT"}, {"1ESOA", "eso"}}, withBoth, "NIVEL", {"BACHC", "eso"}},
        GroupCase {"tutors_checked_against_the_teachers",
                   {{"A", "ESO", "P7"},
                    {"B", "ESO", "p7"},
                    {"C", "ESO", "TUTORLARGO12"},
                    {"D", "ESO", ""},
                    {"E", "ESO", "P9"}},
                   withBoth,
                   "TUTOR",
                   {"P7", "", "", "", ""}},
        GroupCase {"one_teacher_leaves_no_tutor",
                   {{"A", "ESO", "P7"}, {"B", "ESO", "P7"}},
                   teachings + "<Profesores><Profesor Codigo=\"P7\"/></Profesores>",
                   "TUTOR",
                   {"", ""}}),
    [](const testing::TestParamInfo<GroupCase>& info) { return std::string(info.param.title); });

TEST(CargarGrupos, TableLayout)
{
    LoaderRun run(groupsDocument({{"1ESOA", "ESO", "P7"}, {"1ESOB", "", ""}}, withBoth));
    loadGroups(run);
    EXPECT_EQ(dumpTable(dbase::tableFile(run.folder.path(), tables::GRUPOST)),
              "ABREV C10, TURNO C1, NIVEL C5, CURSO C3, GRUPO C2, DESCRIP C80, MARCO C1, TUTOR C10\n"
              "ABREV=1ESOA|TURNO=M|NIVEL=ESO|CURSO=1|GRUPO=A|DESCRIP=1º ESO A (Educación Secundaria "
              "Obligatoria)|MARCO=0|TUTOR=P7\n"
              "ABREV=1ESOB|TURNO=M|NIVEL=|CURSO=1|GRUPO=A|DESCRIP=1º ESO A|MARCO=0|TUTOR=\n");
}

TEST(CargarGrupos, LeavesTheGroupKeysByPosition)
{
    LoaderRun run(groupsDocument({{"1ESOA"}, {"GRUPOLARGO12"}, {"1ESOA"}}, withBoth));
    loadGroups(run);
    EXPECT_EQ(run.context.groupShortCodes, (std::vector<std::string> {"1ESOA", "GRUPOLAR12", "1ESOA1"}));
}

TEST(CargarGrupos, OneGroupLeavesEmptyKeys)
{
    LoaderRun run(groupsDocument({{"1ESOA"}}, withBoth));
    loadGroups(run);
    EXPECT_EQ(run.context.groupShortCodes, (std::vector<std::string> {""}));
}

TEST(CargarGrupos, RemovesTheCourseTable)
{
    LoaderRun run(groupsDocument({{"1ESOA"}}, withBoth));
    writeFile(run.folder.path() / "CURSOST.DBF", "old");
    writeFile(run.folder.path() / "CURSOST.MDX", "old");
    loadGroups(run);
    EXPECT_FALSE(fs::exists(run.folder.path() / "CURSOST.DBF"));
    EXPECT_FALSE(fs::exists(run.folder.path() / "CURSOST.MDX"));
}

TEST(CargarGrupos, NeedsTheTeachersTable)
{
    LoaderRun run(groupsDocument({{"1ESOA"}, {"1ESOB"}}, withBoth));
    EXPECT_THROW(CargarGrupos(run.context), Error);
}

} // namespace
} // namespace quelvane::intake

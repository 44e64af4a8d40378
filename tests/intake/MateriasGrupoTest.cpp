#include "IntakeTestSupport.h"
#include "common/Error.h"
#include "common/dbase/Table.h"
#include "common/xml/Document.h"
#include "intake/IntakeContext.h"
#include "intake/SessionRules.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace quelvane::intake {
namespace {

namespace fs = std::filesystem;

// CargarMateriasGrupo on its own, on a document of <Grupo> elements, with the slot lengths that
// CargarSesiones would have left.
struct GroupSubjectsRun : testsupport::LoaderRun {
    GroupSubjectsRun(const std::string& groups, std::array<std::int32_t, 3> slotLengths)
        : LoaderRun(testsupport::centre("<Grupos>" + groups + "</Grupos>"))
    {
        context.DuracionesSesion = slotLengths;
    }

    std::vector<std::vector<std::string>> rows(const std::vector<std::string>& fields) const
    {
        dbase::Table table = dbase::Table::open(dbase::tableFile(folder.path(), "ASIGT"));
        std::vector<std::vector<std::string>> result;
        for (table.first(); !table.eof(); table.next()) {
            std::vector<std::string> row;
            for (const std::string& field : fields)
                row.push_back(table.text(field));
            result.push_back(std::move(row));
        }
        return result;
    }
};

using Rows = std::vector<std::vector<std::string>>;

std::string group(const std::string& attributes, const std::string& subjects)
{
    return "<Grupo " + attributes + "><MateriasGrupo>" + subjects + "</MateriasGrupo></Grupo>";
}

std::string subject(const std::string& code, const std::string& hours)
{
    return "<MateriaGrupo Codigo=\"" + code + "\" Horas=\"" + hours + "\"/>";
}

struct SessionsCase {
    std::string horas;
    std::array<std::int32_t, 3> slotLengths;
    float count;
};

class WeeklySessions : public testing::TestWithParam<SessionsCase> { };

TEST_P(WeeklySessions, FromHoursAndSlotLengths)
{
    EXPECT_EQ(weeklySessions(GetParam().horas, GetParam().slotLengths), GetParam().count);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WeeklySessions,
    testing::Values(
        // Whole hours: as many sessions as hours, whatever the slots.
        SessionsCase {"03,00", {55, 0, 0}, 3.0F}, SessionsCase {"02,00", {30, 0, 0}, 2.0F},
        SessionsCase {"00,00", {55, 0, 0}, 1.0F},
        // Fractional hours: the first slot length that divides the minutes, else whole hours rounded up.
        SessionsCase {"02,75", {55, 0, 0}, 3.0F}, SessionsCase {"02,50", {55, 0, 0}, 3.0F},
        SessionsCase {"01,50", {55, 60, 45}, 2.0F}, SessionsCase {"01,25", {0, 25, 0}, 3.0F},
        SessionsCase {"02,50", {0, 0, 0}, 3.0F}, SessionsCase {"01,33", {0, 0, 0}, 2.0F},
        // "2,00" has no "00" at characters 4 and 5, so it goes through the minutes.
        SessionsCase {"2,00", {30, 0, 0}, 4.0F}, SessionsCase {"0,00", {30, 0, 0}, 0.0F},
        // In 32 bits 1,05 h is 62.9999962 minutes, which 21 does not divide (2, where exact
        // arithmetic gives 3), and 4,10 h is exactly 246 minutes, which 41 does (6, not 5).
        SessionsCase {"01,05", {21, 0, 0}, 2.0F}, SessionsCase {"04,10", {41, 0, 0}, 6.0F},
        SessionsCase {"-01,50", {45, 0, 0}, -2.0F}));

TEST(WeeklySessions, TextsThatAreNoHours)
{
    const auto message = [](std::string_view horas) {
        try {
            weeklySessions(horas, {55, 0, 0});
        } catch (const Error& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message("2.5"), "'2.5' no es un valor punto flotante válido");
    EXPECT_EQ(message(""), "'' no es un valor punto flotante válido");
    EXPECT_EQ(message("dos"), "'dos' no es un valor punto flotante válido");
    const std::string huge(40, '9');
    EXPECT_EQ(message(huge + ",50"), "'" + huge + ",50' no es un número de horas semanales admisible");
    EXPECT_EQ(message("9999999999,00"), "'9999999999,00' no es un número de horas semanales admisible");
}

TEST(SessionsPattern, OnesUpToThirteenThenALeadingNumber)
{
    const std::vector<std::pair<float, std::string>> cases {
        {-1.0F, ""},
        {0.0F, ""},
        {0.5F, "1"},
        {1.0F, "1"},
        {3.0F, "111"},
        {13.0F, "1111111111111"},
        {14.0F, "11111111111111"},
        {15.0F, "21111111111111"},
        {16.0F, "31111111111111"},
        {22.5F, "101111111111111"},
        {23.0F, "101111111111111"},
    };
    for (const auto& [count, pattern] : cases)
        EXPECT_EQ(sessionsPattern(count), pattern) << count;
}

TEST(MateriasGrupoLoader, OneRowPerSubjectOfEachGroup)
{
    GroupSubjectsRun run(
        group("Codigo=\"1ESOA\" Turno=\"Mañana\" CodigoEnsenanza=\"ESO\" Curso=\"1\" Letra=\"A\"",
              subject("MAT", "03,00") + subject("LEN", "02,75") + subject(" ", "01,00") + subject("TUT", "00,00"))
            + group("Codigo=\"1ESOB\" Turno=\"T\" CodigoEnsenanza=\"ESO\" Curso=\"1\" Letra=\"B\"",
                    subject("MAT", "16,00")),
        {55, 0, 0});
    CargarMateriasGrupo(run.context);

    const Rows expected {
        {"MAT", "", "1ESOA", "", "M", "ESO", "1", "A", "3", "111", "", "CCM", "1ESOA"},
        {"LEN", "", "1ESOA", "", "M", "ESO", "1", "A", "3", "111", "", "CCM", "1ESOA"},
        {"TUT", "", "1ESOA", "", "M", "ESO", "1", "A", "1", "1", "", "CCM", "1ESOA"},
        {"MAT", "", "1ESOB", "", "T", "ESO", "1", "B", "16", "31111111111111", "", "CCM", "1ESOB"},
    };
    EXPECT_EQ(run.rows({"CASIG", "CPROF", "CGRUP", "CAULA", "TURNO", "NIVEL", "CURSO", "GRUPO", "HORAS", "SESIONES",
                        "NCONEX", "CTAREA", "ASIG_GESTION"}),
              expected);
}

TEST(MateriasGrupoLoader, TableLayout)
{
    GroupSubjectsRun run(group("Codigo=\"A\"", "") + group("Codigo=\"B\"", ""), {0, 0, 0});
    CargarMateriasGrupo(run.context);

    using dbase::FieldType;
    std::vector<std::tuple<std::string, FieldType, int>> fields;
    const dbase::Table table = dbase::Table::open(dbase::tableFile(run.folder.path(), "ASIGT"));
    for (const dbase::FieldDef& def : table.fields())
        fields.emplace_back(def.name, def.type, def.width);
    const std::vector<std::tuple<std::string, FieldType, int>> expected {
        {"CASIG", FieldType::Character, 10},       {"CPROF", FieldType::Character, 10},
        {"CGRUP", FieldType::Character, 10},       {"CAULA", FieldType::Character, 10},
        {"TURNO", FieldType::Character, 1},        {"NIVEL", FieldType::Character, 5},
        {"CURSO", FieldType::Character, 3},        {"GRUPO", FieldType::Character, 2},
        {"HORAS", FieldType::Double, 8},           {"SESIONES", FieldType::Character, 20},
        {"NCONEX", FieldType::Character, 4},       {"CTAREA", FieldType::Character, 10},
        {"ASIG_GESTION", FieldType::Character, 10}};
    EXPECT_EQ(fields, expected);
    EXPECT_FALSE(fs::exists(run.folder.path() / "ASIGT.MDX"));
}

struct GroupsCase {
    std::string name;
    std::string groups;
    std::vector<std::string> groupShortCodes;
    Rows rows; // CASIG, CGRUP, GRUPO, ASIG_GESTION
};

class MateriasGrupoGroups : public testing::TestWithParam<GroupsCase> { };

TEST_P(MateriasGrupoGroups, RowsAndKeys)
{
    GroupSubjectsRun run(GetParam().groups, {55, 0, 0});
    run.context.groupShortCodes = GetParam().groupShortCodes;
    CargarMateriasGrupo(run.context);
    EXPECT_EQ(run.rows({"CASIG", "CGRUP", "GRUPO", "ASIG_GESTION"}), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MateriasGrupoGroups,
    testing::Values(GroupsCase {"OneGroupLoadsNothing",
                                group("Codigo=\"1ESOA\" Letra=\"A\"",
                                      subject("MAT", "03,00") + subject("LEN", "02,00")),
                                {"1ESOA"},
                                {}},
                    GroupsCase {"NoGroups", "", {}, {}},
                    // Each group lists the subjects of both, with its own data and its own short code.
                    GroupsCase {"TwoGroupsWithTheSameCode",
                                group("Codigo=\"G1\" Letra=\"A\"", subject("MAT", "03,00"))
                                    + group("Codigo=\"G1\" Letra=\"B\"", subject("LEN", "02,00"))
                                    + group("Codigo=\"g1\" Letra=\"C\"", subject("ING", "02,00")),
                                {"G1", "G11", "g12"},
                                {{"MAT", "G1", "A", "G1"},
                                 {"LEN", "G1", "A", "G1"},
                                 {"MAT", "G11", "B", "G1"},
                                 {"LEN", "G11", "B", "G1"},
                                 {"ING", "g12", "C", "g1"}}},
                    GroupsCase {"LongGroupCodeTakesTheGroupsShortCode",
                                group("Codigo=\"GRUPOLARGO12\" Letra=\"A\"", subject("MAT", "03,00"))
                                    + group("Codigo=\"2ESOB\" Letra=\"B\"", subject("LEN", "02,00")),
                                {"GRUPOLAR12", "2ESOB"},
                                {{"MAT", "GRUPOLAR12", "A", "GRUPOLARGO"}, {"LEN", "2ESOB", "B", "2ESOB"}}},
                    GroupsCase {"WithoutShortCodesTheCodeCutToTen",
                                group("Codigo=\"GRUPOLARGO12\" Letra=\"A\"", subject("MAT", "03,00"))
                                    + group("Codigo=\"2ESOB\" Letra=\"B\"", subject("LEN", "02,00")),
                                {},
                                {{"MAT", "GRUPOLARGO", "A", "GRUPOLARGO"}, {"LEN", "2ESOB", "B", "2ESOB"}}}),
    [](const testing::TestParamInfo<GroupsCase>& info) { return info.param.name; });

TEST(MateriasGrupoLoader, SubjectKeysFromTheSubjectsLoader)
{
    GroupSubjectsRun run(
        group("Codigo=\"1ESOA\"",
              subject("ABCDEFGHIJKL", "03,00") + subject("LENGUACASTELLANA", "03,00") + subject("MAT", "03,00"))
            + group("Codigo=\"1ESOB\"", ""),
        {55, 0, 0});
    run.context.subjectShortCodes = {{"ABCDEFGHIJKL", "ABCDEFGHKL"}, {"MAT", "MAT"}};
    CargarMateriasGrupo(run.context);
    EXPECT_EQ(run.rows({"CASIG"}), (Rows {{"ABCDEFGHKL"}, {"LENGUACAST"}, {"MAT"}}));
}

struct BadHoursCase {
    std::string name;
    std::string groups;
    std::string message;
};

class MateriasGrupoBadHours : public testing::TestWithParam<BadHoursCase> { };

TEST_P(MateriasGrupoBadHours, NamesSubjectGroupAndText)
{
    GroupSubjectsRun run(GetParam().groups, {55, 0, 0});
    try {
        CargarMateriasGrupo(run.context);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MateriasGrupoBadHours,
    testing::Values(
        // Every subject's hours are converted before any row: a bad one under the last group stops the run.
        BadHoursCase {"PointUnderTheLastGroup",
                      group("Codigo=\"1ESOA\"", subject("MAT", "03,00"))
                          + group("Codigo=\"1ESOB\"", subject("LEN", "03,00") + subject("MAT", "2.5")),
                      "'2.5' no es un valor punto flotante válido (materia MAT, grupo 1ESOB)"},
        BadHoursCase {"MissingHours",
                      group("Codigo=\"1ESOA\"", "<MateriaGrupo Codigo=\"MAT\"/>") + group("Codigo=\"1ESOB\"", ""),
                      "'' no es un valor punto flotante válido (materia MAT, grupo 1ESOA)"},
        // Hours are converted even where the subject has no code and would be skipped.
        BadHoursCase {"SubjectWithoutCode",
                      group("Codigo=\"1ESOA\"", subject("", "tres")) + group("Codigo=\"1ESOB\"", ""),
                      "'tres' no es un valor punto flotante válido (materia sin código, grupo 1ESOA)"}),
    [](const testing::TestParamInfo<BadHoursCase>& info) { return info.param.name; });

TEST(MateriasGrupoLoader, OneGroupConvertsNothing)
{
    GroupSubjectsRun run(group("Codigo=\"1ESOA\"", subject("MAT", "2.5")), {55, 0, 0});
    EXPECT_NO_THROW(CargarMateriasGrupo(run.context));
    EXPECT_TRUE(run.rows({"CASIG"}).empty());
}

} // namespace
} // namespace quelvane::intake

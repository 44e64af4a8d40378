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

struct Teacher {
    std::string code;
    std::string department = "";
    std::string nombre = "Ana";
    std::string apellido1 = "Ruiz";
    std::string apellido2 = "Gil";
};

std::string teachersDocument(const std::vector<Teacher>& teachers, const std::string& departments)
{
    std::string body = "<Profesores>";
    for (const Teacher& t : teachers)
        body += "<Profesor Codigo=\"" + t.code + "\" Nombre=\"" + t.nombre + "\" Apellido1=\"" + t.apellido1
            + "\" Apellido2=\"" + t.apellido2 + "\" CodigoDep=\"" + t.department + "\"/>";
    return centre(body + "</Profesores>" + departments);
}

const std::string twoDepartments = "<Departamentos>"
                                   "<Departamento Codigo=\"MAT\" Denominacion=\"Matemáticas\"/>"
                                   "<Departamento Codigo=\"LEN\" Denominacion=\"Lengua\"/>"
                                   "<Departamento Codigo=\"MAT\" Denominacion=\"Segundo\"/>"
                                   "</Departamentos>";

struct KeysCase {
    const char* title;
    std::vector<std::string> codes;
    std::vector<std::string> abrev;
};

class TeacherKeys : public testing::TestWithParam<KeysCase> { };

TEST_P(TeacherKeys, NumberedNeverShortened)
{
    std::vector<Teacher> teachers;
    for (const std::string& code : GetParam().codes)
        teachers.push_back({code});
    LoaderRun run(teachersDocument(teachers, ""));
    CargarProfesores(run.context);
    EXPECT_EQ(column(run.folder.path(), tables::PROFT, field::ABREV), GetParam().abrev);
}

INSTANTIATE_TEST_SUITE_P(CargarProfesores, TeacherKeys,
                         testing::Values(KeysCase {"same_code_thrice", {"7", "7", "7"}, {"7", "71", "72"}},
                                         KeysCase {"case_ignored", {"P1", "p1"}, {"P1", "p11"}},
                                         KeysCase {
                                             "long_code_cut_not_shortened", {"ABCDEFGHIJKL", "B"}, {"ABCDEFGHIJ", "B"}},
                                         KeysCase {"empty_codes_numbered", {"", ""}, {"", "1"}},
                                         KeysCase {"one_teacher_loads_nothing", {"P1"}, {}}),
                         [](const testing::TestParamInfo<KeysCase>& info) { return std::string(info.param.title); });

struct NameCase {
    const char* title;
    Teacher teacher;
    std::string departments;
    std::string nombre;
    std::string depart;
};

class TeacherNames : public testing::TestWithParam<NameCase> { };

TEST_P(TeacherNames, FullNameAndDepartment)
{
    LoaderRun run(teachersDocument({GetParam().teacher, {"OTRO"}}, GetParam().departments));
    CargarProfesores(run.context);
    EXPECT_EQ(column(run.folder.path(), tables::PROFT, field::NOMBRE).at(0), GetParam().nombre);
    EXPECT_EQ(column(run.folder.path(), tables::PROFT, field::DEPART).at(0), GetParam().depart);
}

INSTANTIATE_TEST_SUITE_P(
    CargarProfesores, TeacherNames,
    testing::Values(
        NameCase {"whole_name", {"P1", "MAT"}, twoDepartments, "Ana, Ruiz Gil", "Matemáticas"},
        NameCase {"no_second_surname", {"P1", "", "Ana", "Ruiz", ""}, "", "Ana, Ruiz", ""},
        NameCase {"no_first_surname", {"P1", "", "Ana", "", "Gil"}, "", "Ana,  Gil", ""},
        NameCase {"department_case_counts", {"P1", "mat"}, twoDepartments, "Ana, Ruiz Gil", "mat"},
        NameCase {"unknown_department_keeps_code", {"P1", "FIS"}, twoDepartments, "Ana, Ruiz Gil", "FIS"},
        NameCase {"first_department_of_a_code", {"P1", "MAT"}, twoDepartments, "Ana, Ruiz Gil", "Matemáticas"},
        NameCase {"one_department_never_matches",
                  {"P1", "MAT"},
                  "<Departamentos><Departamento Codigo=\"MAT\" Denominacion=\"Matemáticas\"/></Departamentos>",
                  "Ana, Ruiz Gil",
                  "MAT"},
        NameCase {"department_name_cut_to_40",
                  {"P1", "LAR"},
                  "<Departamentos><Departamento Codigo=\"LAR\" Denominacion=\"" + std::string(45, 'd')
                      + "\"/><Departamento Codigo=\"X\" Denominacion=\"X\"/></Departamentos>",
                  "Ana, Ruiz Gil",
                  std::string(40, 'd')}),
    [](const testing::TestParamInfo<NameCase>& info) { return std::string(info.param.title); });

TEST(CargarProfesores, TableLayout)
{
    LoaderRun run(teachersDocument({{"P1", "MAT"}, {"P2"}}, twoDepartments));
    CargarProfesores(run.context);
    EXPECT_EQ(dumpTable(dbase::tableFile(run.folder.path(), tables::PROFT)),
              "ABREV C10, NOMBRE C80, DEPART C40\n"
              "ABREV=P1|NOMBRE=Ana, Ruiz Gil|DEPART=Matemáticas\n"
              "ABREV=P2|NOMBRE=Ana, Ruiz Gil|DEPART=\n");
}

TEST(CargarProfesores, MissingAttributesReadEmpty)
{
    LoaderRun run(centre("<Profesores><Profesor/><Profesor Codigo=\"P2\"/></Profesores>"));
    CargarProfesores(run.context);
    EXPECT_EQ(dumpTable(dbase::tableFile(run.folder.path(), tables::PROFT)),
              "ABREV C10, NOMBRE C80, DEPART C40\n"
              "ABREV=|NOMBRE=,|DEPART=\n"
              "ABREV=P2|NOMBRE=,|DEPART=\n");
}

} // namespace
} // namespace quelvane::intake

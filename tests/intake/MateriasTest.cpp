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

std::string materia(const std::string& code, const std::string& name = "Nombre")
{
    return "<Materia Codigo=\"" + code + "\" Denominacion=\"" + name + "\"/>";
}

std::string tipo(const std::string& code, const std::string& name = "Nombre")
{
    return "<TipoActividad Codigo=\"" + code + "\" Denominacion=\"" + name + "\"/>";
}

std::string subjects(const std::vector<std::string>& materias, const std::vector<std::string>& tipos)
{
    std::string body = "<Materias>";
    for (const std::string& code : materias)
        body += materia(code);
    body += "</Materias><TiposActividad>";
    for (const std::string& code : tipos)
        body += tipo(code);
    return centre(body + "</TiposActividad>");
}

void loadSubjects(LoaderRun& run)
{
    CargarMaterias(run.context);
    CargarTiposActividad(run.context);
}

std::vector<std::string> leftOutCodes(const IntakeSummary& summary)
{
    std::vector<std::string> codes;
    for (const LeftOut& element : summary.leftOut)
        codes.push_back(element.loader + ":" + element.code);
    return codes;
}

struct SubjectsCase {
    const char* title;
    std::vector<std::string> materias;
    std::vector<std::string> tipos;
    std::vector<std::string> cod;
    std::vector<std::string> estarea;
    std::vector<std::string> leftOut;
};

class SubjectsLoaders : public testing::TestWithParam<SubjectsCase> { };

TEST_P(SubjectsLoaders, RowsInOrder)
{
    const SubjectsCase& c = GetParam();
    LoaderRun run(subjects(c.materias, c.tipos));
    loadSubjects(run);
    EXPECT_EQ(column(run.folder.path(), tables::ASIGNOMT, field::COD), c.cod);
    EXPECT_EQ(column(run.folder.path(), tables::ASIGNOMT, field::ESTAREA), c.estarea);
    EXPECT_EQ(leftOutCodes(run.summary), c.leftOut);
}

INSTANTIATE_TEST_SUITE_P(
    CargarMaterias, SubjectsLoaders,
    testing::Values(
        SubjectsCase {"subjects_then_tasks",
                      {"MAT", "LEN"},
                      {"GUA", "REC"},
                      {"MAT", "LEN", "GUA", "REC"},
                      {"F", "F", "T", "T"},
                      {}},
        SubjectsCase {"one_subject_loads_nothing", {"MAT"}, {"GUA", "REC"}, {"GUA", "REC"}, {"T", "T"}, {}},
        SubjectsCase {"one_task_loads_nothing", {"MAT", "LEN"}, {"GUA"}, {"MAT", "LEN"}, {"F", "F"}, {}},
        // The one subject loads nothing, so its code does not keep the task out.
        SubjectsCase {"single_subject_leaves_its_code_free", {"MAT"}, {"MAT", "GUA"}, {"MAT", "GUA"}, {"T", "T"}, {}},
        SubjectsCase {
            "same_subject_twice", {"MAT", "MAT", "LEN"}, {}, {"MAT", "LEN"}, {"F", "F"}, {"CargarMaterias:MAT"}},
        SubjectsCase {"task_with_a_subject_code",
                      {"MAT", "LEN"},
                      {"MAT", "GUA"},
                      {"MAT", "LEN", "GUA"},
                      {"F", "F", "T"},
                      {"CargarTiposActividad:MAT"}},
        SubjectsCase {"long_subject_thrice",
                      {"ABCDEFGHIJKL", "ABCDEFGHIJKL", "ABCDEFGHIJKL"},
                      {},
                      {"ABCDEFGHKL", "ABCDEFGHIJ"},
                      {"F", "F"},
                      {"CargarMaterias:ABCDEFGHIJKL"}},
        SubjectsCase {"long_tasks_sharing_ten",
                      {},
                      {"ABCDEFGHIJ-1", "ABCDEFGHIJ-2"},
                      {"ABCDEFGH-1", "ABCDEFGHIJ"},
                      {"T", "T"},
                      {}},
        SubjectsCase {"subjects_without_code", {"", "", "LEN"}, {}, {"", "LEN"}, {"F", "F"}, {"CargarMaterias:"}}),
    [](const testing::TestParamInfo<SubjectsCase>& info) { return std::string(info.param.title); });

TEST(CargarMaterias, RowLayoutAndValues)
{
    const std::string longName(85, 'x');
    LoaderRun run(centre("<Materias>"
                         "<Materia Codigo=\" MAT&#10;\" Denominacion=\"  Matemáticas \" Otro=\"1\"/>"
                         "<Materia Codigo=\"ABCDEFGHIJKL\" Denominacion=\""
                         + longName
                         + "\"/>"
                           "<Materia Codigo=\"SIN\"/>"
                           "</Materias>"
                           "<TiposActividad><TipoActividad Codigo=\"GUA\" Denominacion=\"Guardia\"/>"
                           "<TipoActividad Codigo=\"REC\" Denominacion=\"Recreo\"/></TiposActividad>"));
    loadSubjects(run);
    EXPECT_EQ(dumpTable(dbase::tableFile(run.folder.path(), tables::ASIGNOMT)),
              "COD C10, CODLARGO C10, NOMBRE C80, CODTAREA C12, ESTAREA L1, ABREV_GESTION C10\n"
              "COD=MAT|CODLARGO=MAT|NOMBRE=Matemáticas|CODTAREA=|ESTAREA=F|ABREV_GESTION=MAT\n"
              "COD=ABCDEFGHKL|CODLARGO=ABCDEFGHIJ|NOMBRE="
                  + std::string(80, 'x')
                  + "|CODTAREA=|ESTAREA=F|ABREV_GESTION=ABCDEFGHIJ\n"
                    "COD=SIN|CODLARGO=SIN|NOMBRE=|CODTAREA=|ESTAREA=F|ABREV_GESTION=SIN\n"
                    "COD=GUA|CODLARGO=GUA|NOMBRE=Guardia|CODTAREA=|ESTAREA=T|ABREV_GESTION=GUA\n"
                    "COD=REC|CODLARGO=REC|NOMBRE=Recreo|CODTAREA=|ESTAREA=T|ABREV_GESTION=REC\n");
}

TEST(CargarMaterias, NoCollectionsGiveAnEmptyTable)
{
    LoaderRun run(centre(""));
    loadSubjects(run);
    EXPECT_TRUE(column(run.folder.path(), tables::ASIGNOMT, field::COD).empty());
}

// CargarMateriasGrupo keys ASIGT by the COD of the first subject row of each code; tasks never count.
TEST(CargarMaterias, LeavesTheSubjectKeysForTheGroupSubjects)
{
    LoaderRun run(subjects({"ABCDEFGHIJKL", "ABCDEFGHIJKL", "MAT", "MAT"}, {"GUA", "REC"}));
    loadSubjects(run);
    const std::unordered_map<std::string, std::string> expected {{"ABCDEFGHIJKL", "ABCDEFGHKL"}, {"MAT", "MAT"}};
    EXPECT_EQ(run.context.subjectShortCodes, expected);
}

TEST(CargarMaterias, SummaryShowsKeysOtherThanTheCode)
{
    LoaderRun run(subjects({"ABCDEFGHIJKL", "MAT"}, {"GUA", "REC"}));
    loadSubjects(run);
    ASSERT_EQ(run.summary.shortCodes.size(), 1u);
    EXPECT_EQ(run.summary.shortCodes[0].table, "ASIGNOMT");
    EXPECT_EQ(run.summary.shortCodes[0].code, "ABCDEFGHIJKL");
    EXPECT_EQ(run.summary.shortCodes[0].shortCode, "ABCDEFGHKL");
}

} // namespace
} // namespace quelvane::intake

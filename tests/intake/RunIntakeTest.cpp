#include "IntakeTestSupport.h"
#include "common/Error.h"
#include "common/dbase/Table.h"
#include "common/platform/ExclusiveFile.h"
#include "intake/Intake.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quelvane::intake {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

// A small centre with every collection the loaders read.
std::string smallCentre(const std::string& hours = "03,00", const std::string& lastStart = "09:50")
{
    return centre("<Materias><Materia Codigo=\"MAT\" Denominacion=\"Matemáticas\"/>"
                  "<Materia Codigo=\"LEN\" Denominacion=\"Lengua\"/><Materia Codigo=\"MAT\" Denominacion=\"Otra\"/>"
                  "</Materias>"
                  "<TiposActividad><TipoActividad Codigo=\"GUA\" Denominacion=\"Guardia\"/>"
                  "<TipoActividad Codigo=\"REC\" Denominacion=\"Recreo\"/></TiposActividad>"
                  "<Profesores><Profesor Codigo=\"P1\" Nombre=\"Ana\" Apellido1=\"Ruiz\" Apellido2=\"Gil\"/>"
                  "<Profesor Codigo=\"P2\" Nombre=\"Luis\" Apellido1=\"Díaz\" Apellido2=\"\"/></Profesores>"
                  "<Aulas><Aula Codigo=\"A1\" Denominacion=\"Aula 1\"/><Aula Denominacion=\"Laboratorio\"/></Aulas>"
                  "<Grupos><Grupo Codigo=\"1A\" Denominacion=\"1º A\" CodigoEnsenanza=\"ESO\" Turno=\"M\" Curso=\"1\" "
                  "Letra=\"A\" CodigoTutor=\"P1\"><MateriasGrupo><MateriaGrupo Codigo=\"MAT\" Horas=\"04,00\"/>"
                  "</MateriasGrupo></Grupo>"
                  "<Grupo Codigo=\"1B\" Denominacion=\"1º B\" CodigoEnsenanza=\"ESO\" Turno=\"M\" Curso=\"1\" "
                  "Letra=\"B\" CodigoTutor=\"P2\"><MateriasGrupo><MateriaGrupo Codigo=\"LEN\" Horas=\""
                  + hours
                  + "\"/></MateriasGrupo></Grupo></Grupos>"
                    "<Sesiones><Sesion Dia=\"L\" HoraInicio=\"08:00\" HoraFin=\"08:55\"/>"
                    "<Sesion Dia=\"L\" HoraInicio=\"08:55\" HoraFin=\"09:50\"/>"
                    "<Sesion Dia=\"M\" HoraInicio=\""
                  + lastStart + "\" HoraFin=\"10:45\"/></Sesiones>");
}

// A working folder as the host leaves it: the tables of an earlier intake, the host's course
// table, its solution and a file of the school's own.
class WorkingFolder : public testing::Test {
protected:
    void SetUp() override
    {
        writeFile(documents.path() / "anterior.xml",
                  centre("<Materias><Materia Codigo=\"OLD\"/><Materia Codigo=\"OLD2\"/></Materias>"));
        runIntake(documents.path() / "anterior.xml", work.path());
        writeFile(work.path() / "CURSOST.DBF", "courses");
        writeFile(work.path() / "CURSOST.MDX", "course index");
        writeFile(work.path() / "ASIGNOMT.MDX", "an index left by the host");
        writeFile(work.path() / "SOLUC.DBF", "solution");
        writeFile(work.path() / "notas.txt", "school notes");
    }

    fs::path document(const std::string& name, const std::string& text)
    {
        writeFile(documents.path() / name, text);
        return documents.path() / name;
    }

    TempFolder documents;
    TempFolder work;
};

TEST_F(WorkingFolder, ReplacesTheTablesAndRemovesTheCourseTable)
{
    const IntakeSummary summary = runIntake(document("centro.xml", smallCentre()), work.path());

    std::vector<std::string> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(work.path()))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files,
              (std::vector<std::string> {"ASIGNOMT.DBF", "ASIGT.DBF", "AULAT.DBF", "COUNTSES.DBF", "COUNTSES.MDX",
                                         "DIASHORAST.DBF", "GRUPOST.DBF", "PROFT.DBF", "SOLUC.DBF", "notas.txt"}));
    EXPECT_EQ(column(work.path(), "ASIGNOMT", "COD"), (std::vector<std::string> {"MAT", "LEN", "GUA", "REC"}));
    EXPECT_EQ(column(work.path(), "GRUPOST", "TUTOR"), (std::vector<std::string> {"P1", "P2"}));

    const std::vector<TableRows> expected {{"ASIGNOMT", 4},   {"PROFT", 2},    {"AULAT", 2}, {"GRUPOST", 2},
                                           {"DIASHORAST", 3}, {"COUNTSES", 1}, {"ASIGT", 2}};
    ASSERT_EQ(summary.tables.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(summary.tables[i].table, expected[i].table);
        EXPECT_EQ(summary.tables[i].rows, expected[i].rows) << expected[i].table;
    }
    ASSERT_EQ(summary.leftOut.size(), 1u);
    EXPECT_EQ(summary.leftOut[0].loader, "CargarMaterias");
    EXPECT_EQ(summary.leftOut[0].code, "MAT");
}

// What a run killed half-way leaves behind: its staging folder is tidied once it is an hour old;
// a younger one may be another run's, and the old tables a failed swap put aside are never touched.
TEST_F(WorkingFolder, AbandonedStagingFoldersAreRemovedOnceOld)
{
    const auto twoHoursAgo = fs::file_time_type::clock::now() - std::chrono::hours(2);
    const std::map<std::string, bool> leftBehind {{".quelvane-intake-oldoldoldold", false},
                                                  {".quelvane-restore-oldoldoldold", false},
                                                  {".quelvane-intake-youngyoungyo", true},
                                                  {".quelvane-aside-oldoldoldold", true},
                                                  {".escuela-intake-oldoldoldold", true}};
    for (const auto& [name, kept] : leftBehind) {
        fs::create_directory(work.path() / name);
        writeFile(work.path() / name / "PROFT.DBF", "a table");
        if (name.find("young") == std::string::npos)
            fs::last_write_time(work.path() / name, twoHoursAgo);
    }

    runIntake(document("centro.xml", smallCentre()), work.path());

    for (const auto& [name, kept] : leftBehind)
        EXPECT_EQ(fs::exists(work.path() / name / "PROFT.DBF"), kept) << name;
}

TEST_F(WorkingFolder, CourseTableFoundWhateverItsLetterCase)
{
    fs::remove(work.path() / "CURSOST.DBF");
    writeFile(work.path() / "cursost.dbf", "courses");
    runIntake(document("centro.xml", smallCentre()), work.path());
    EXPECT_FALSE(fs::exists(work.path() / "cursost.dbf"));
}

// Whatever stops a run, the working folder stays byte for byte as it was.
struct FailureCase {
    const char* title;
    std::string fileName;
    std::optional<std::string> documentText; // nothing: the file is not there
    std::string heldFile; // held open by another holder during the run
    std::string messagePart;
};

class FailedRun : public WorkingFolder, public testing::WithParamInterface<FailureCase> { };

TEST_P(FailedRun, LeavesTheWorkingFolderAsItWas)
{
    const FailureCase& c = GetParam();
    const fs::path file = c.documentText ? document(c.fileName, *c.documentText) : documents.path() / c.fileName;
    std::optional<platform::ExclusiveFile> held;
    if (!c.heldFile.empty())
        held.emplace(work.path() / c.heldFile);
    const auto before = snapshot(work.path());

    try {
        runIntake(file, work.path());
        ADD_FAILURE() << "the run should have stopped";
    } catch (const MissingInput& error) {
        EXPECT_EQ(c.messagePart, "No existe archivo");
        EXPECT_STREQ(error.what(), "No existe archivo");
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find(c.messagePart), std::string::npos) << error.what();
    }

    held.reset();
    EXPECT_EQ(snapshot(work.path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    RunIntake, FailedRun,
    testing::Values(
        FailureCase {"missing_document", "no-esta.xml", std::nullopt, "", "No existe archivo"},
        FailureCase {"not_well_formed", "roto.xml", "<Centro><Materias></Centro>", "", "roto.xml"},
        FailureCase {"root_not_centro", "otro.xml", "<Horario/>", "", "Centro"},
        FailureCase {"hours_not_a_number", "horas.xml", smallCentre("3.5"), "", "3.5"},
        FailureCase {"time_not_hh_mm", "hora.xml", smallCentre("03,00", "9:50"), "", "no es un valor entero"},
        FailureCase {"table_held_by_another", "centro.xml", smallCentre(), "ASIGT.DBF", "ASIGT"},
        FailureCase {"course_index_held_by_another", "centro.xml", smallCentre(), "CURSOST.MDX", "CURSOST.MDX"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.title); });

TEST(RunIntake, WorkingFolderMustExist)
{
    TempFolder documents;
    writeFile(documents.path() / "centro.xml", smallCentre());
    EXPECT_THROW(runIntake(documents.path() / "centro.xml", documents.path() / "no-existe"), Error);
}

// The bytes of a table file with its dates blanked, so that runs on different days compare equal.
std::string withoutDates(const fs::path& file, std::string bytes)
{
    const auto blank = [&bytes](std::size_t from) {
        for (std::size_t i = from; i < from + 3 && i < bytes.size(); ++i)
            bytes[i] = 0;
    };
    blank(1);
    if (file.extension() == ".MDX")
        blank(44);
    return bytes;
}

TEST_F(WorkingFolder, SameDocumentTwiceGivesTheSameTables)
{
    const fs::path file = document("centro.xml", smallCentre());
    runIntake(file, work.path());
    std::map<std::string, std::string> first;
    for (const auto& [name, bytes] : snapshot(work.path()))
        first[name] = withoutDates(name, bytes);
    runIntake(file, work.path());
    std::map<std::string, std::string> second;
    for (const auto& [name, bytes] : snapshot(work.path()))
        second[name] = withoutDates(name, bytes);
    EXPECT_EQ(first, second);
}

} // namespace
} // namespace quelvane::intake

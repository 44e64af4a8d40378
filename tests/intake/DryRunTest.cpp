#include "BackupTestSupport.h"
#include "common/Error.h"
#include "common/dbase/Table.h"
#include "common/platform/ExclusiveFile.h"
#include "intake/Backup.h"
#include "intake/Check.h"
#include "intake/Intake.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace quelvane::intake {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

std::string groups(const std::string& firstGroupSubjects, const std::string& lenHoursInB)
{
    return "<Grupos><Grupo Codigo=\"1A\" Denominacion=\"1º A\" Turno=\"M\" Curso=\"1\" Letra=\"A\"><MateriasGrupo>"
        + firstGroupSubjects
        + "</MateriasGrupo></Grupo><Grupo Codigo=\"1B\" Denominacion=\"1º B\" Turno=\"M\" Curso=\"1\" Letra=\"B\">"
          "<MateriasGrupo><MateriaGrupo Codigo=\"LEN\" Horas=\""
        + lenHoursInB + "\"/></MateriasGrupo></Grupo></Grupos>";
}

const std::string rooms = "<Aulas><Aula Codigo=\"A1\" Denominacion=\"Aula 1\"/>"
                          "<Aula Codigo=\"A2\" Denominacion=\"Aula 2\"/></Aulas>";

// The document of the tables now in the working folder ...
const std::string currentDocument = centre(
    "<Materias><Materia Codigo=\"MAT\" Denominacion=\"Matemáticas\"/>"
    "<Materia Codigo=\"LEN\" Denominacion=\"Lengua\"/><Materia Codigo=\"OLD\" Denominacion=\"Vieja\"/>"
    "</Materias>"
    + rooms
    + groups("<MateriaGrupo Codigo=\"MAT\" Horas=\"04,00\"/><MateriaGrupo Codigo=\"LEN\" Horas=\"03,00\"/>", "03,00"));

// ... and the one checked: a subject renamed, one added, one gone, a group's subject twice, other
// hours. It also leaves a subject out and loads a room under a key of its own.
const std::string checkedDocument
    = centre("<Materias><Materia Codigo=\"MAT\" Denominacion=\"Matemáticas II\"/>"
             "<Materia Codigo=\"LEN\" Denominacion=\"Lengua\"/><Materia Codigo=\"NEW\" Denominacion=\"Nueva\"/>"
             "<Materia Codigo=\"MAT\" Denominacion=\"Repetida\"/></Materias>"
             + rooms
             + groups("<MateriaGrupo Codigo=\"MAT\" Horas=\"04,00\"/><MateriaGrupo Codigo=\"LEN\" Horas=\"03,00\"/>"
                      "<MateriaGrupo Codigo=\"MAT\" Horas=\"01,00\"/>",
                      "04,00"));

// A working folder after an intake of currentDocument, with what the host adds: a room's
// building and capacity, the course table, the solution and a file of the school's own.
class DryRun : public testing::Test {
protected:
    void SetUp() override
    {
        {
            TempFolder elsewhere;
            ScopedVariable variable("QUELVANE_BACKUP_DIR", elsewhere.path().string());
            runIntake(document("actual.xml", currentDocument), work.path());
        }
        dbase::Table aulas = dbase::Table::open(dbase::tableFile(work.path(), "AULAT"));
        ASSERT_TRUE(aulas.locate("ABREV", "A1"));
        aulas.edit();
        aulas.setText("EDIFICIO", "N");
        aulas.setInteger("MAXALUM", 30);
        aulas.post();
        aulas.close();
        writeFile(work.path() / "CURSOST.DBF", "courses");
        writeFile(work.path() / "SOLUC.DBF", "solution");
        writeFile(work.path() / "notas.txt", "school notes");
    }

    fs::path document(const std::string& name, const std::string& text)
    {
        writeFile(documents.path() / name, text);
        return documents.path() / name;
    }

    OwnBackupStore store;
    TempFolder documents;
    TempFolder work;
};

const TableDifference& tableIn(const CheckReport& report, const std::string& name)
{
    for (const TableDifference& table : report.tables)
        if (table.table == name)
            return table;
    throw std::runtime_error("no " + name + " in the report");
}

TEST_F(DryRun, LeavesEverythingAsItWasAndSummarisesAsTheRealRun)
{
    // The scratch folder goes to the system's temporary folder: one of this test's own, to see
    // that nothing is left there either.
    TempFolder temporary;
    ScopedVariable variable("TMPDIR", temporary.path().string());
    const fs::path file = document("centro.xml", checkedDocument);
    const auto before = snapshot(work.path());

    const CheckReport report = checkIntake(file, work.path());
    EXPECT_EQ(snapshot(work.path()), before);
    EXPECT_TRUE(fs::is_empty(temporary.path()));
    EXPECT_FALSE(fs::exists(store.path()));
    EXPECT_FALSE(report.summary.backup);

    const IntakeSummary real = runIntake(file, work.path());
    EXPECT_EQ(report.summary.tables, real.tables);
    EXPECT_EQ(report.summary.leftOut, real.leftOut);
    EXPECT_EQ(report.summary.shortCodes, real.shortCodes);
    EXPECT_FALSE(report.summary.leftOut.empty());
}

TEST_F(DryRun, DifferencesByKey)
{
    const CheckReport report = checkIntake(document("centro.xml", checkedDocument), work.path());

    const TableDifference& subjects = tableIn(report, "ASIGNOMT");
    EXPECT_EQ(subjects.key, "COD");
    EXPECT_EQ(subjects.currentRows, 3);
    EXPECT_EQ(subjects.added, std::vector<std::string> {"NEW"});
    EXPECT_EQ(subjects.removed, std::vector<std::string> {"OLD"});
    ASSERT_EQ(subjects.changed.size(), 1u);
    EXPECT_EQ(subjects.changed[0].key, "MAT");
    EXPECT_EQ(subjects.changed[0].fields, std::vector<std::string> {"NOMBRE"});

    // What the host wrote into a room is shown as a change, since the intake would lose it.
    const TableDifference& rooms = tableIn(report, "AULAT");
    ASSERT_EQ(rooms.changed.size(), 1u);
    EXPECT_EQ(rooms.changed[0].key, "A1");
    EXPECT_EQ(rooms.changed[0].fields, (std::vector<std::string> {"EDIFICIO", "MAXALUM"}));
    EXPECT_TRUE(rooms.added.empty() && rooms.removed.empty());

    // Rows that share a key are told apart by their order.
    const TableDifference& groupSubjects = tableIn(report, "ASIGT");
    EXPECT_EQ(groupSubjects.key, "CGRUP+CASIG");
    EXPECT_EQ(groupSubjects.added, std::vector<std::string> {"1A / MAT #2"});
    EXPECT_TRUE(groupSubjects.removed.empty());
    ASSERT_EQ(groupSubjects.changed.size(), 1u);
    EXPECT_EQ(groupSubjects.changed[0].key, "1B / LEN");

    const TableDifference& teachers = tableIn(report, "PROFT");
    EXPECT_TRUE(teachers.currentExists);
    EXPECT_TRUE(teachers.added.empty() && teachers.removed.empty() && teachers.changed.empty());
    EXPECT_EQ(report.deletedFiles, std::vector<std::string> {"CURSOST.DBF"});

    const std::string text = describe(report);
    EXPECT_NE(text.find("Prueba de la carga: no se ha cambiado nada"), std::string::npos) << text;
    EXPECT_NE(text.find("  ASIGNOMT (clave COD): ahora 3 filas; 1 nueva, 1 quitada, 1 cambiada\n"
                        "    nuevas: «NEW»\n"
                        "    quitadas: «OLD»\n"
                        "    cambiadas: «MAT» (NOMBRE)\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  PROFT (clave ABREV): ahora 0 filas; sin cambios\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Se borrarían: CURSOST.DBF\n"), std::string::npos) << text;
    const std::string json = toJson(report);
    EXPECT_NE(json.find("{\"table\":\"AULAT\",\"key\":\"ABREV\",\"currentExists\":true,\"currentRows\":2,\"added\":[],"
                        "\"removed\":[],\"changed\":[{\"key\":\"A1\",\"fields\":[\"EDIFICIO\",\"MAXALUM\"]}]}"),
              std::string::npos)
        << json;
}

TEST_F(DryRun, TablesMissingOrUnreadableAreShownNotFatal)
{
    fs::remove(work.path() / "GRUPOST.DBF");
    writeFile(work.path() / "PROFT.DBF", "not a table");
    const CheckReport report = checkIntake(document("centro.xml", checkedDocument), work.path());

    const TableDifference& groups = tableIn(report, "GRUPOST");
    EXPECT_FALSE(groups.currentExists);
    EXPECT_EQ(groups.added, (std::vector<std::string> {"1A", "1B"}));
    const TableDifference& teachers = tableIn(report, "PROFT");
    EXPECT_TRUE(teachers.currentExists);
    EXPECT_NE(teachers.unreadable.find("PROFT"), std::string::npos) << teachers.unreadable;
    EXPECT_NE(describe(report).find("GRUPOST (clave ABREV): no existe todavía; 2 nuevas"), std::string::npos);
}

// The dry run stops with the error that would stop the real run, and both leave the folder as
// it was.
struct StopCase {
    const char* title;
    std::optional<std::string> documentText; // nothing: the file is not there
    std::string heldFile;
};

class DryRunStops : public DryRun, public testing::WithParamInterface<StopCase> { };

std::optional<std::string> errorOf(const std::function<void()>& run)
{
    try {
        run();
    } catch (const MissingInput& error) {
        return "MissingInput: " + std::string(error.what());
    } catch (const Error& error) {
        return error.what();
    }
    return std::nullopt;
}

TEST_P(DryRunStops, WithTheErrorOfTheRealRun)
{
    const StopCase& c = GetParam();
    const fs::path file = c.documentText ? document("centro.xml", *c.documentText) : documents.path() / "no-esta.xml";
    std::optional<platform::ExclusiveFile> held;
    if (!c.heldFile.empty())
        held.emplace(work.path() / c.heldFile);
    const auto before = snapshot(work.path());

    const std::optional<std::string> checked = errorOf([&] { checkIntake(file, work.path()); });
    EXPECT_EQ(snapshot(work.path()), before);
    const std::optional<std::string> real = errorOf([&] { runIntake(file, work.path()); });
    EXPECT_EQ(snapshot(work.path()), before);
    ASSERT_TRUE(checked);
    EXPECT_EQ(checked, real);
}

INSTANTIATE_TEST_SUITE_P(Check, DryRunStops,
                         testing::Values(StopCase {"missing_document", std::nullopt, ""},
                                         StopCase {"not_well_formed", "<Centro><Materias></Centro>", ""},
                                         StopCase {"root_not_centro", "<Horario/>", ""},
                                         StopCase {
                                             "hours_not_a_number",
                                             centre("<Materias><Materia Codigo=\"MAT\"/><Materia Codigo=\"LEN\"/>"
                                                    "</Materias>"
                                                    + groups("<MateriaGrupo Codigo=\"MAT\" Horas=\"3.5\"/>", "03,00")),
                                             ""},
                                         StopCase {"table_held_by_another", checkedDocument, "ASIGT.DBF"},
                                         StopCase {"course_table_held_by_another", checkedDocument, "CURSOST.DBF"}),
                         [](const testing::TestParamInfo<StopCase>& info) { return std::string(info.param.title); });

TEST_F(DryRun, StopsWhenTheBackupCouldNotBeMade)
{
    writeFile(documents.path() / "un-archivo", "not a folder");
    ScopedVariable variable("QUELVANE_BACKUP_DIR", (documents.path() / "un-archivo" / "copias").string());
    const auto before = snapshot(work.path());
    try {
        checkIntake(document("centro.xml", checkedDocument), work.path());
        ADD_FAILURE() << "the dry run should have stopped";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("un-archivo"), std::string::npos) << error.what();
    }
    EXPECT_EQ(snapshot(work.path()), before);
}

} // namespace
} // namespace quelvane::intake

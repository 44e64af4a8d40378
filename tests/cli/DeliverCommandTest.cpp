#include "CliTestSupport.h"
#include "common/WorkingTables.h"
#include "common/dbase/Table.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace quelvane::cli {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;
namespace field = tables::field;

const std::string centreDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<Centro Codigo="38001234" Nombre="IES Prueba" CursoEscolar="2025-2026" Version="1.0">
  <Materias><Materia Codigo="MAT" Denominacion="Matemáticas"/><Materia Codigo="LEN" Denominacion="Lengua"/></Materias>
  <Profesores><Profesor Codigo="P1" Nombre="Ana"/><Profesor Codigo="P2" Nombre="Luis"/></Profesores>
  <Aulas><Aula Codigo="A1" Denominacion="Aula 1"/><Aula Codigo="A2" Denominacion="Aula 2"/></Aulas>
  <Grupos><Grupo Codigo="1ESOA" Denominacion="1º ESO A"/><Grupo Codigo="1ESOB" Denominacion="1º ESO B"/></Grupos>
  <Sesiones><Sesion Dia="L" HoraInicio="08:00" HoraFin="08:55"/><Sesion Dia="M" HoraInicio="08:00" HoraFin="08:55"/></Sesiones>
</Centro>
)";

// Working tables made by the program's own intake, and a SOLUC with one placed lesson and one
// that is not placed, as the host would leave it.
class DeliverCommand : public testing::Test {
protected:
    void SetUp() override
    {
        writeFile(documents.path() / "centro.xml", centreDocument);
        const Outcome intake = runCli("intake " + quoted(document().string()) + workdir());
        ASSERT_EQ(intake.exitCode, 0) << intake.err;

        const fs::path soluc = dbase::tableFile(work.path(), tables::SOLUC);
        dbase::createTable(soluc,
                           {{std::string(field::ASIG), dbase::FieldType::Character, 10, 0},
                            {std::string(field::TAREA), dbase::FieldType::Character, 10, 0},
                            {std::string(field::DIA), dbase::FieldType::Integer, 4, 0},
                            {std::string(field::HORA), dbase::FieldType::Integer, 4, 0},
                            {std::string(field::CODGRUPO), dbase::FieldType::Character, 10, 0},
                            {std::string(field::PROF), dbase::FieldType::Character, 10, 0},
                            {std::string(field::AULA), dbase::FieldType::Character, 10, 0}});
        dbase::Table table = dbase::Table::open(soluc);
        for (const int dia : {2, 0}) {
            table.append();
            table.setText(field::ASIG, "MAT");
            table.setText(field::TAREA, "CCM");
            table.setInteger(field::DIA, dia);
            table.setInteger(field::HORA, dia == 0 ? 0 : 1);
            table.setText(field::CODGRUPO, "1ESOA");
            table.setText(field::PROF, "P2");
            table.setText(field::AULA, "A1");
            table.post();
        }
        table.close();
    }

    fs::path document() const { return documents.path() / "centro.xml"; }
    fs::path output() const { return documents.path() / "ResultadoVortimocentro.xml"; }
    std::string workdir() const { return " --workdir " + quoted(work.path().string()); }
    std::string deliver(const std::string& more = "") const
    {
        return "deliver " + quoted(document().string()) + workdir() + more;
    }

    TempFolder documents;
    TempFolder work;
};

TEST_F(DeliverCommand, SummaryAndOutputBesideTheDocument)
{
    const Outcome outcome = runCli(deliver());

    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    EXPECT_NE(outcome.out.find("Actividades escritas: 1 (1 clases y 0 tareas)."), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("no colocada: 1 (MAT/1ESOA/0/0)"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find(output().string()), std::string::npos) << outcome.out;
    ASSERT_TRUE(fs::exists(output()));
}

TEST_F(DeliverCommand, JsonSummary)
{
    const Outcome outcome = runCli(deliver(" --json"));

    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_TRUE(isJson(outcome.out)) << outcome.out;
    EXPECT_NE(outcome.out.find("\"lessons\":1,\"tasks\":0"), std::string::npos) << outcome.out;
}

TEST_F(DeliverCommand, FailuresGiveTheirExitCodeAndWriteNothing)
{
    struct Case {
        const char* name;
        std::function<void()> prepare;
        std::function<std::string()> arguments;
        int exitCode;
        std::string errorText;
    };
    const std::vector<Case> cases = {
        {"usage: no document", [] {}, [] { return std::string("deliver"); }, 2, "quelvane-cli:"},
        {"document missing", [] {},
         [&] { return "deliver " + quoted((documents.path() / "otro.xml").string()) + workdir(); }, 3,
         "No existe archivo XML o Solución.\n"},
        {"table missing", [&] { fs::remove(dbase::tableFile(work.path(), tables::DIASHORAST)); },
         [&] { return deliver(); }, 1, "DIASHORAST"},
        {"SOLUC missing", [&] { fs::remove(dbase::tableFile(work.path(), tables::SOLUC)); }, [&] { return deliver(); },
         3, "No existe archivo XML o Solución.\n"},
    };
    for (const Case& c : cases) {
        c.prepare();
        const Outcome outcome = runCli(c.arguments());
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.name << ": " << outcome.err;
        EXPECT_NE(outcome.err.find(c.errorText), std::string::npos) << c.name << ": " << outcome.err;
        EXPECT_EQ(outcome.out, "") << c.name;
        EXPECT_FALSE(fs::exists(output())) << c.name;
    }
}

} // namespace
} // namespace quelvane::cli

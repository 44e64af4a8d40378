#include "CliTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace quelvane::cli {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

const std::string centreDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<Centro Codigo="1" Nombre="IES Prueba">
  <Materias><Materia Codigo="MAT" Denominacion="Matemáticas"/><Materia Codigo="MAT" Denominacion="Otra"/>
    <Materia Codigo="LEN" Denominacion="Lengua &quot;castellana&quot;"/></Materias>
  <Aulas><Aula Codigo="A1" Denominacion="Aula 1"/><Aula Denominacion="Laboratorio de Física"/></Aulas>
</Centro>
)";

class IntakeCommand : public testing::Test {
protected:
    void SetUp() override
    {
        writeFile(documents.path() / "centro.xml", centreDocument);
        writeFile(work.path() / "ASIGNOMT.DBF", "old table");
        writeFile(work.path() / "CURSOST.DBF", "old courses");
    }

    std::string intake(const std::string& document, const std::string& more = "") const
    {
        return "intake " + quoted((documents.path() / document).string()) + " --workdir " + quoted(work.path().string())
            + more;
    }

    TempFolder documents;
    TempFolder work;
};

TEST_F(IntakeCommand, SummaryOnSuccess)
{
    const Outcome outcome = runCli(intake("centro.xml"));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    EXPECT_NE(outcome.out.find("ASIGNOMT: 2 filas"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("CargarMaterias, «MAT»"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("Laboratorio de Física"), std::string::npos) << outcome.out;
    EXPECT_TRUE(fs::exists(work.path() / "ASIGT.DBF"));
    EXPECT_FALSE(fs::exists(work.path() / "CURSOST.DBF"));
}

TEST_F(IntakeCommand, JsonSummary)
{
    const Outcome outcome = runCli(intake("centro.xml", " --json"));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_TRUE(isJson(outcome.out)) << outcome.out;
    EXPECT_NE(outcome.out.find("{\"table\":\"ASIGNOMT\",\"rows\":2}"), std::string::npos) << outcome.out;
}

TEST_F(IntakeCommand, WorkingFolderFromTheEnvironment)
{
    const Outcome outcome = runCli("intake " + quoted((documents.path() / "centro.xml").string()),
                                   "QUELVANE_WORKDIR=" + quoted(work.path().string()));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_TRUE(fs::exists(work.path() / "ASIGT.DBF"));
}

struct FailureCase {
    const char* title;
    const char* document; // nullptr: the file is not there
    int exitCode;
    const char* message;
};

class IntakeCommandFailure : public IntakeCommand, public testing::WithParamInterface<FailureCase> { };

TEST_P(IntakeCommandFailure, ExitCodeMessageAndFolderUnchanged)
{
    if (GetParam().document)
        writeFile(documents.path() / "entrada.xml", GetParam().document);
    const auto before = snapshot(work.path());
    const Outcome outcome = runCli(intake("entrada.xml"));
    EXPECT_EQ(outcome.exitCode, GetParam().exitCode);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find(GetParam().message), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.err.back(), '\n');
    EXPECT_EQ(snapshot(work.path()), before);
}

INSTANTIATE_TEST_SUITE_P(Cli, IntakeCommandFailure,
                         testing::Values(FailureCase {"missing_document", nullptr, 3, "No existe archivo"},
                                         FailureCase {"not_well_formed", "<Centro><Materias></Centro>", 1,
                                                      "entrada.xml"},
                                         FailureCase {"not_a_centre_document", "<Horario/>", 1, "Centro"}),
                         [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.title); });

TEST(Cli, UsageErrorsHelpAndVersion)
{
    EXPECT_EQ(runCli("").exitCode, 2);
    EXPECT_EQ(runCli("intake").exitCode, 2);
    EXPECT_EQ(runCli("intake a.xml b.xml").exitCode, 2);
    EXPECT_EQ(runCli("intake a.xml --workdir").exitCode, 2);
    EXPECT_EQ(runCli("intake a.xml --nada").exitCode, 2);
    EXPECT_EQ(runCli("convertir a.xml").exitCode, 2);

    const Outcome help = runCli("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("intake"), std::string::npos);
    const Outcome version = runCli("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("quelvane-cli ", 0), 0u);
}

} // namespace
} // namespace quelvane::cli

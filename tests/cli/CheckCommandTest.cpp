#include "CliSafetySupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace quelvane::cli {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

class CheckCommand : public SafetyCommand, public testing::Test { };

TEST_F(CheckCommand, ReportsWithoutTouchingTheFolder)
{
    const auto before = snapshot(work.path());
    const Outcome outcome = run("check " + document("centro.xml"));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    EXPECT_NE(outcome.out.find("Prueba de la carga: no se ha cambiado nada"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("  ASIGNOMT: 2 filas\n"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("Laboratorio de Física"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("  ASIGNOMT (clave COD): ahora 2 filas; 1 nueva, 1 quitada, 1 cambiada\n"),
              std::string::npos)
        << outcome.out;
    EXPECT_NE(outcome.out.find("Se borrarían: CURSOST.DBF\n"), std::string::npos) << outcome.out;
    EXPECT_EQ(snapshot(work.path()), before);
    EXPECT_FALSE(fs::exists(store()));
}

TEST_F(CheckCommand, JsonReport)
{
    const Outcome outcome = run("check " + document("centro.xml") + " --json");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_TRUE(isJson(outcome.out)) << outcome.out;
    EXPECT_NE(outcome.out.find("\"summary\":{\"tables\":[{\"table\":\"ASIGNOMT\",\"rows\":2}"), std::string::npos)
        << outcome.out;
    EXPECT_NE(outcome.out.find("\"added\":[\"LEN\"],\"removed\":[\"OLD\"]"), std::string::npos) << outcome.out;
}

struct FailureCase {
    const char* title;
    const char* document; // nullptr: the file is not there
    int exitCode;
    const char* message;
};

class CheckCommandFailure : public CheckCommand, public testing::WithParamInterface<FailureCase> { };

TEST_P(CheckCommandFailure, ExitCodeAsForIntake)
{
    if (GetParam().document)
        writeFile(documents.path() / "entrada.xml", GetParam().document);
    const auto before = snapshot(work.path());
    const Outcome outcome = run("check " + document("entrada.xml"));
    EXPECT_EQ(outcome.exitCode, GetParam().exitCode);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find(GetParam().message), std::string::npos) << outcome.err;
    EXPECT_EQ(snapshot(work.path()), before);
}

INSTANTIATE_TEST_SUITE_P(Cli, CheckCommandFailure,
                         testing::Values(FailureCase {"missing_document", nullptr, 3, "No existe archivo"},
                                         FailureCase {"not_well_formed", "<Centro><Materias></Centro>", 1,
                                                      "entrada.xml"},
                                         FailureCase {"not_a_centre_document", "<Horario/>", 1, "Centro"}),
                         [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.title); });

TEST(Cli, OperandsOfCheckBackupsAndRestore)
{
    EXPECT_EQ(runCli("check").exitCode, 2);
    EXPECT_EQ(runCli("check a.xml b.xml").exitCode, 2);
    EXPECT_EQ(runCli("backups a.xml").exitCode, 2);
    EXPECT_EQ(runCli("restore a b").exitCode, 2);
    const Outcome help = runCli("--help");
    for (const char* command : {"check", "backups", "restore"})
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
}

} // namespace
} // namespace quelvane::cli

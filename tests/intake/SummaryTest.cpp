#include "intake/Intake.h"

#include <gtest/gtest.h>
#include <string>

namespace quelvane::intake {
namespace {

IntakeSummary sample()
{
    IntakeSummary summary;
    summary.tables = {{"ASIGNOMT", 3}, {"PROFT", 1}, {"AULAT", 0}};
    summary.leftOut = {{"CargarMaterias", "MAT", "el código abreviado «MAT» ya estaba dado"},
                       {"CargarSesiones", "", "la sesión no tiene día"}};
    summary.shortCodes = {{"AULAT", "", "Laboratori", "Laboratorio de Física"}};
    return summary;
}

TEST(Summary, DescribedInSpanish)
{
    EXPECT_EQ(describe(sample()),
              "Tablas de trabajo reconstruidas:\n"
              "  ASIGNOMT: 3 filas\n"
              "  PROFT: 1 fila\n"
              "  AULAT: 0 filas\n"
              "Elementos no cargados (2):\n"
              "  CargarMaterias, «MAT»: el código abreviado «MAT» ya estaba dado.\n"
              "  CargarSesiones, (sin código): la sesión no tiene día.\n"
              "Elementos cargados con una clave distinta de su código (1):\n"
              "  AULAT, (sin código) (Laboratorio de Física): clave «Laboratori».\n");
    IntakeSummary clean;
    clean.tables = {{"ASIGNOMT", 2}};
    EXPECT_EQ(describe(clean),
              "Tablas de trabajo reconstruidas:\n"
              "  ASIGNOMT: 2 filas\n"
              "No se ha dejado fuera ningún elemento.\n");
}

TEST(Summary, JsonEscapesWhatItMust)
{
    IntakeSummary summary;
    summary.tables = {{"ASIGNOMT", 1}};
    summary.leftOut = {{"CargarMaterias", "A\"B\\C\n\x01", "ñ"}};
    EXPECT_EQ(toJson(summary),
              "{\"tables\":[{\"table\":\"ASIGNOMT\",\"rows\":1}],"
              "\"leftOut\":[{\"loader\":\"CargarMaterias\",\"code\":\"A\\\"B\\\\C\\n\\u0001\","
              "\"reason\":\"ñ\"}],\"shortCodes\":[]}\n");
}

} // namespace
} // namespace quelvane::intake

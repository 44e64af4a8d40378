#pragma once

#include "common/xml/Document.h"
#include "intake/Intake.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace quelvane::intake {

// What the seven loaders of one intake run share. The run makes it, the loaders fill it in
// their fixed order; nothing of it outlives the run.
struct IntakeContext {
    const xml::Document& DocXML;
    // Where the loaders create their tables: a staging folder that replaces the working
    // tables only when every loader has finished.
    std::filesystem::path folder;

    // The subject lists of the subject variant of AsignarAbrev: letter case significant.
    std::set<std::string> ListaAbrev;
    std::set<std::string> ListaCodigos;

    // The first three distinct slot lengths in minutes, left by CargarSesiones for
    // CargarMateriasGrupo; 0 where there is none.
    std::array<std::int32_t, 3> DuracionesSesion {0, 0, 0};

    // The short codes that intake gave, so that ASIGT carries the keys that delivery finds:
    // ASIGNOMT.COD of the first subject row (not a task) loaded for each subject code ...
    std::unordered_map<std::string, std::string> subjectShortCodes;
    // ... and GRUPOST.ABREV of each element of /Centro/Grupos/Grupo, by position (empty where
    // the groups loader loaded nothing).
    std::vector<std::string> groupShortCodes;

    // The rows of each table as its loader closed it: the summary's counts, without reading
    // the tables again.
    std::map<std::string, int> rowCounts;

    IntakeSummary& summary;
};

// The seven loaders, called by the run in this order.
void CargarMaterias(IntakeContext& context);
void CargarTiposActividad(IntakeContext& context);
void CargarProfesores(IntakeContext& context);
void CargarAulas(IntakeContext& context);
void CargarGrupos(IntakeContext& context);
void CargarSesiones(IntakeContext& context);
void CargarMateriasGrupo(IntakeContext& context);

} // namespace quelvane::intake

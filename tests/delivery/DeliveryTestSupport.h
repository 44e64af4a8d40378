#pragma once

#include "TestFiles.h"

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Working folders for the delivery tests: the lookup tables with only the fields delivery reads
// (and a name field, as intake writes them), SOLUC in the storages a host may use, and the
// timetable document read back. All table text is Windows-1252.
namespace quelvane::deliverytest {

using quelvane::testsupport::TempFolder;

struct Aula {
    std::string abrev;
    std::string abrevGestion;
};

struct Asignatura {
    std::string cod;
    std::string abrevGestion;
    bool esTarea = false;
};

struct Tramo {
    std::string diho;
    std::string horaDesde;
    std::string horaHasta;
};

struct LookupTables {
    std::vector<std::string> grupos; // ABREV of GRUPOST
    std::vector<std::string> profesores; // ABREV of PROFT
    std::vector<Aula> aulas;
    std::vector<Asignatura> asignaturas;
    std::vector<Tramo> tramos;
};

// Two groups, two teachers, rooms with and without a Pincel-eKade code (and a repeated key, of
// which the first row counts), subjects and activity types, and the slots of a week in which
// Tuesday has six slots, Monday also a twelfth, and a day 8 exists.
LookupTables weekTables();

// GRUPOST, PROFT, AULAT, ASIGNOMT, DIASHORAST and an empty ASIGT.
void writeLookupTables(const std::filesystem::path& folder, const LookupTables& tables);

struct SolucRow {
    std::string asig;
    std::string tarea;
    std::optional<double> dia; // nothing: the field is left blank
    std::optional<double> hora;
    std::string codGrupo;
    std::string prof;
    std::string aula;
};

// Rows as the host writes them: a lesson carries the activity type CCM, a task its own key twice.
SolucRow lesson(std::string asig, std::optional<double> dia, std::optional<double> hora, std::string grupo,
                std::string prof = "P1", std::string aula = "A1");
SolucRow task(std::string tarea, std::optional<double> dia, std::optional<double> hora, std::string grupo,
              std::string prof = "P1", std::string aula = "");

// How the host may store SOLUC. The level 7 ones go through the table engine; the others are
// written byte by byte here, since the engine creates level 7 tables only.
enum class SolucStorage {
    Level7IntegerDia_DoubleHora, // DIA I, HORA O
    Level7Integers, // DIA I, HORA I
    Dbase3Numeric, // 0x03: DIA N(2,0), HORA N(5,1), further fields around them
    Dbase3Float, // 0x03: DIA F(4,0), HORA F(8,2)
    FoxProInteger, // 0x30: DIA I, HORA I, little-endian, no sign flip
    FoxProDouble, // 0x30: DIA B, HORA B, little-endian doubles
};

const char* storageName(SolucStorage storage);

// SOLUC.DBF with exactly the seven fields delivery reads, less `omitField` when given.
void writeSoluc(const std::filesystem::path& folder, const std::vector<SolucRow>& rows,
                SolucStorage storage = SolucStorage::Level7IntegerDia_DoubleHora, const std::string& omitField = {});

// A small centre document in `folder` (UTF-8, root Centro with a header and one collection).
std::filesystem::path writeCentreDocument(const std::filesystem::path& folder, const std::string& name = "centro.xml");

std::string readBytes(const std::filesystem::path& file);
void writeBytes(const std::filesystem::path& file, const std::string& bytes);

// What the saved document holds between <horario> and </horario>; empty for <horario/>.
std::string horarioContent(const std::string& documentBytes);

// One actividad element as the document must show it (UTF-8 values, attributes in order).
struct Actividad {
    std::string tipo;
    std::string codigoProfesor;
    std::string codigoGrupo;
    std::string codigoMateria;
    std::string codigoAula;
    std::string dia;
    std::string horaInicio;
    std::string horaFin;
};
std::string serialized(const std::vector<Actividad>& activities);

// A fixed moment for FechaExportacion.
inline constexpr std::time_t someMoment = 1'726'000'000;

} // namespace quelvane::deliverytest

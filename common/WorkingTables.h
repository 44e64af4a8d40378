#pragma once

#include <string_view>

// Names of the working tables and of their fields: the one place where they are spelt.
// The full layouts (types and widths) live with the loaders that create the tables.
namespace quelvane::tables {

inline constexpr std::string_view ASIGNOMT = "ASIGNOMT";
inline constexpr std::string_view PROFT = "PROFT";
inline constexpr std::string_view AULAT = "AULAT";
inline constexpr std::string_view GRUPOST = "GRUPOST";
inline constexpr std::string_view CURSOST = "CURSOST";
inline constexpr std::string_view DIASHORAST = "DIASHORAST";
inline constexpr std::string_view COUNTSES = "COUNTSES";
inline constexpr std::string_view ASIGT = "ASIGT";
inline constexpr std::string_view SOLUC = "SOLUC";

namespace field {
inline constexpr std::string_view COD = "COD";
inline constexpr std::string_view ABREV = "ABREV";
inline constexpr std::string_view ABREV_GESTION = "ABREV_GESTION";
inline constexpr std::string_view DIHO = "DIHO";
inline constexpr std::string_view HORADESDE = "HORADESDE";
inline constexpr std::string_view HORAHASTA = "HORAHASTA";
// ASIGNOMT (also COD, ABREV_GESTION)
inline constexpr std::string_view CODLARGO = "CODLARGO";
inline constexpr std::string_view NOMBRE = "NOMBRE";
inline constexpr std::string_view CODTAREA = "CODTAREA";
inline constexpr std::string_view ESTAREA = "ESTAREA";
// PROFT (also ABREV, NOMBRE)
inline constexpr std::string_view DEPART = "DEPART";
// AULAT (also ABREV, NOMBRE, ABREV_GESTION)
inline constexpr std::string_view EDIFICIO = "EDIFICIO";
inline constexpr std::string_view MAXALUM = "MAXALUM";
// GRUPOST (also ABREV); TURNO, NIVEL, CURSO, GRUPO are in ASIGT too, MARCO in DIASHORAST
inline constexpr std::string_view TURNO = "TURNO";
inline constexpr std::string_view NIVEL = "NIVEL";
inline constexpr std::string_view CURSO = "CURSO";
inline constexpr std::string_view GRUPO = "GRUPO";
inline constexpr std::string_view DESCRIP = "DESCRIP";
inline constexpr std::string_view MARCO = "MARCO";
inline constexpr std::string_view TUTOR = "TUTOR";
// DIASHORAST (also DIHO, DIA, HORA, HORADESDE, HORAHASTA) and COUNTSES
inline constexpr std::string_view CODDIHO = "CODDIHO";
inline constexpr std::string_view TEXTODIA = "TEXTODIA";
inline constexpr std::string_view TEXTOHOR = "TEXTOHOR";
inline constexpr std::string_view MINUTOS = "MINUTOS";
inline constexpr std::string_view MARCOXML = "MARCOXML";
inline constexpr std::string_view DURACION = "DURACION";
inline constexpr std::string_view NSES = "NSES";
// ASIGT
inline constexpr std::string_view CASIG = "CASIG";
inline constexpr std::string_view CPROF = "CPROF";
inline constexpr std::string_view CGRUP = "CGRUP";
inline constexpr std::string_view CAULA = "CAULA";
inline constexpr std::string_view HORAS = "HORAS";
inline constexpr std::string_view SESIONES = "SESIONES";
inline constexpr std::string_view NCONEX = "NCONEX";
inline constexpr std::string_view CTAREA = "CTAREA";
inline constexpr std::string_view ASIG_GESTION = "ASIG_GESTION";
// SOLUC, as the host writes it
inline constexpr std::string_view ASIG = "ASIG";
inline constexpr std::string_view TAREA = "TAREA";
inline constexpr std::string_view DIA = "DIA";
inline constexpr std::string_view HORA = "HORA";
inline constexpr std::string_view CODGRUPO = "CODGRUPO";
inline constexpr std::string_view PROF = "PROF";
inline constexpr std::string_view AULA = "AULA";
} // namespace field

} // namespace quelvane::tables

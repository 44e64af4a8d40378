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

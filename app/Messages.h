#pragma once

#include <QString>
#include <QStringView>

// The texts the window shows, in one place: the host's users know them word for word.
namespace quelvane::app::messages {

inline constexpr QStringView applicationTitle = u"Quelvane";
inline constexpr QStringView windowCaption = u"Exportar e importar datos entre Vortimo y Pincel-eKade";
inline constexpr QStringView intakeCaption = u"Transformar datos desde Pincel-eKade hacia Vortimo ";
inline constexpr QStringView deliveryCaption = u"Transformar datos desde Vortimo hacia Pincel-eKade";
inline constexpr QStringView versionCaption = u"Quelvane para QZ40 V-1.0";
inline constexpr QStringView dialogTitle = u"Archivo XML";

inline constexpr QStringView intakeMissingFile = u"No existe archivo";
inline constexpr QStringView deliveryMissingFiles = u"No existe archivo XML o Solución.";
inline constexpr QStringView finished = u"Proceso finalizado";
// Two lines joined by CR LF, as the host's users have always seen it.
inline constexpr QStringView deliveryReminder = u"Deberá Abrir el fichero XML de PINCEL-Ekade,\r\n"
                                                u"desde el cual realizó la Importación a Vortimo";

// An error's text as the error box shows it: with a full stop at the end, added only when the
// text has none.
QString withFullStop(const QString& text);

} // namespace quelvane::app::messages

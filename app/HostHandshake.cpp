#include "app/HostHandshake.h"

#include "common/text/Text.h"

namespace quelvane::app {

namespace {

// Only A to Z are folded, as the host has always compared the word; other letters keep their case.
QString lowerAsciiLetters(QString word)
{
    for (QChar& c : word) {
        if (c >= u'A' && c <= u'Z') {
            c = QChar(c.unicode() + (u'a' - u'A'));
        }
    }
    return word;
}

} // namespace

Handshake readHandshake(const QStringList& arguments)
{
    Handshake result;
    if (arguments.size() != 2) {
        return result;
    }
    const QString& handleText = arguments.at(1);
    const auto handle = text::parseWindowHandle(handleText.toStdString());
    if (!handle) {
        // The host has always written the handle as the digits of a Pascal hexadecimal literal,
        // so the message shows it the same way, with its "$".
        result.error = QStringLiteral("'$%1' no es un valor entero válido").arg(handleText);
        return result;
    }
    result.hostMode = true;
    result.handle = *handle;
    const QString mode = lowerAsciiLetters(arguments.at(0));
    if (mode == u"importar") {
        result.panels = Panels::DeliveryOnly;
    } else if (mode == u"exportar") {
        result.panels = Panels::IntakeOnly;
    }
    return result;
}

} // namespace quelvane::app

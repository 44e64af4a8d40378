#include "common/xml/WritableText.h"

#include <cstdint>
#include <cstdio>

namespace quelvane::xml {

namespace {

bool isXmlChar(std::uint32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

std::string codePointText(std::uint32_t c)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
    return buffer;
}

// The code point starting at `pos`, advancing `pos`; nothing for a malformed or overlong
// sequence.
std::optional<std::uint32_t> decode(std::string_view text, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 0;
    std::uint32_t c = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07u;
    } else {
        return std::nullopt;
    }
    if (text.size() - pos < length)
        return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0u) != 0x80u)
            return std::nullopt;
        c = (c << 6) | (next & 0x3Fu);
    }
    const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return std::nullopt;
    pos += length;
    return c;
}

} // namespace

std::optional<std::string> unwritableReason(std::string_view utf8)
{
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const auto byte = static_cast<unsigned char>(utf8[pos]);
        if (byte >= 0x20 && byte < 0x80) {
            ++pos;
            continue;
        }
        const std::optional<std::uint32_t> c = decode(utf8, pos);
        if (!c)
            return "no es texto UTF-8 válido";
        if (!isXmlChar(*c))
            return "contiene el carácter " + codePointText(*c) + ", que un documento XML no admite";
    }
    return std::nullopt;
}

} // namespace quelvane::xml

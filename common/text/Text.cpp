#include "common/text/Text.h"

#include "common/Error.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace quelvane::text {

namespace {

// Code points of 0x80-0x9F in Windows-1252; the five holes keep their C1 value.
constexpr std::array<char16_t, 32> highControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t codePointOf(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return highControls[byte - 0x80];
    return byte;
}

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char byteFor(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (std::size_t i = 0; i < highControls.size(); ++i) {
        if (highControls[i] == cp)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

// Decodes one UTF-8 sequence at text[pos]; advances pos. An invalid sequence yields
// U+FFFD and consumes one byte.
char32_t decodeUtf8(std::string_view text, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    int length = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
    } else {
        ++pos;
        return 0xFFFD;
    }
    if (pos + length > text.size()) {
        ++pos;
        return 0xFFFD;
    }
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    const char32_t minimum = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return 0xFFFD;
    }
    pos += length;
    return cp;
}

bool isControlOrBlank(char c)
{
    return static_cast<unsigned char>(c) <= 0x20;
}

unsigned char foldByte(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return c + 32;
    // Accented capitals of 1252 (except the multiplication sign) and Š Œ Ž Ÿ.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 32;
    switch (c) {
    case 0x8A:
        return 0x9A;
    case 0x8C:
        return 0x9C;
    case 0x8E:
        return 0x9E;
    case 0x9F:
        return 0xFF;
    default:
        return c;
    }
}

// Codes, times and most names are plain ASCII, which both conversions keep as it is.
bool isAscii(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

std::string toUtf8(std::string_view cp1252)
{
    if (isAscii(cp1252))
        return std::string(cp1252);
    std::string out;
    out.reserve(cp1252.size() + cp1252.size() / 4);
    for (const char c : cp1252) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            out += c;
        else
            appendUtf8(out, codePointOf(byte));
    }
    return out;
}

std::string toCp1252(std::string_view utf8)
{
    if (isAscii(utf8))
        return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        if (static_cast<unsigned char>(utf8[pos]) < 0x80) {
            out += utf8[pos++];
            continue;
        }
        out += byteFor(decodeUtf8(utf8, pos));
    }
    return out;
}

std::string_view trimControls(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isControlOrBlank(text[begin]))
        ++begin;
    while (end > begin && isControlOrBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::string_view trimTrailingBlanks(std::string_view text)
{
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ')
        --end;
    return text.substr(0, end);
}

std::string_view first(std::string_view text, std::size_t n)
{
    return text.substr(0, std::min(n, text.size()));
}

std::string integerText(std::int64_t value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string foldCase(std::string_view cp1252)
{
    std::string out(cp1252);
    for (char& c : out)
        c = static_cast<char>(foldByte(static_cast<unsigned char>(c)));
    return out;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldByte(static_cast<unsigned char>(a[i])) != foldByte(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::int32_t parseInteger(std::string_view text)
{
    // As the platform's conversion: leading blanks allowed, an optional sign, decimal digits,
    // nothing after them.
    std::string_view digits = text;
    while (!digits.empty() && digits.front() == ' ')
        digits.remove_prefix(1);
    bool negative = false;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    std::int64_t value = 0;
    bool valid = !digits.empty();
    for (const char c : digits) {
        if (c < '0' || c > '9' || value > 0x80000000LL) {
            valid = false;
            break;
        }
        value = value * 10 + (c - '0');
    }
    if (negative)
        value = -value;
    if (!valid || value > INT32_MAX || value < INT32_MIN)
        throw Error("'" + toUtf8(text) + "' no es un valor entero válido");
    return static_cast<std::int32_t>(value);
}

double parseDecimalComma(std::string_view text)
{
    // Digits with at most one comma as the separator, an optional sign; blanks around the
    // number are tolerated as the platform's conversion does. A point is not a separator.
    const std::string_view number = trimControls(text);
    std::string converted;
    bool digitSeen = false;
    bool commaSeen = false;
    bool valid = !number.empty();
    for (std::size_t i = 0; i < number.size() && valid; ++i) {
        const char c = number[i];
        if (c >= '0' && c <= '9') {
            digitSeen = true;
            converted += c;
        } else if (c == ',' && !commaSeen) {
            commaSeen = true;
            converted += '.';
        } else if ((c == '-' || c == '+') && i == 0) {
            converted += c;
        } else {
            valid = false;
        }
    }
    double value = 0;
    if (valid && digitSeen) {
        // from_chars, unlike strtod, does not depend on the process's locale.
        const char* begin = converted.data() + (converted.front() == '+' ? 1 : 0);
        const auto result = std::from_chars(begin, converted.data() + converted.size(), value);
        valid = result.ec == std::errc() && result.ptr == converted.data() + converted.size();
    }
    if (!valid || !digitSeen)
        throw Error("'" + toUtf8(text) + "' no es un valor punto flotante válido");
    return value;
}

std::optional<std::uint32_t> parseWindowHandle(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    int significant = 0;
    for (const char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        if (value != 0 || digit != 0)
            ++significant;
        if (significant > 8)
            return std::nullopt;
        value = value * 16 + digit;
    }
    return static_cast<std::uint32_t>(value);
}

std::string numberText(double value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
        return integerText(static_cast<std::int64_t>(value));
    // The shortest text that reads back as the same double.
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

} // namespace quelvane::text

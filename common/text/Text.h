#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Text rules shared by both directions. Tables hold Windows-1252 bytes; the XML layer and
// messages use UTF-8. Conversion happens once, where an attribute is read or written.
namespace quelvane::text {

// Windows-1252 bytes to UTF-8. The five bytes that 1252 leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 controls of the same value, as the system's conversion does.
std::string toUtf8(std::string_view cp1252);

// UTF-8 to Windows-1252; a character that 1252 lacks becomes "?". Invalid UTF-8 sequences
// become "?" too, one per bad byte.
std::string toCp1252(std::string_view utf8);

// The attribute-value trim: removes every character at or below the blank (U+0000 to U+0020)
// from both ends. Works on UTF-8 and on single-byte text alike, since those code points are
// single bytes in both.
std::string_view trimControls(std::string_view text);

// Trailing blanks (0x20) only: what a character field's filling leaves.
std::string_view trimTrailingBlanks(std::string_view text);

// The first n characters of single-byte text (the whole text when shorter).
std::string_view first(std::string_view text, std::size_t n);

// Plain decimal: no leading zeros, "-" when negative.
std::string integerText(std::int64_t value);

// Letter case folding of Windows-1252 text, as the used-key lists compare: A-Z and the
// accented capitals of 1252 fold to their small letters.
std::string foldCase(std::string_view cp1252);
bool equalsIgnoringCase(std::string_view a, std::string_view b);

// Integer from text, 32 bits. Failure message: "'<text>' no es un valor entero válido".
// `text` is Windows-1252; the message is UTF-8.
std::int32_t parseInteger(std::string_view text);

// Decimal number whose separator is a comma ("3,5"). Failure message:
// "'<text>' no es un valor punto flotante válido".
double parseDecimalComma(std::string_view text);

// A window handle written as hexadecimal digits without prefix, either case, at most 8
// significant digits (leading zeros allowed). Nothing when the text is not such a number.
std::optional<std::uint32_t> parseWindowHandle(std::string_view text);

// Shortest decimal text of a number read from a numeric field: "5" for 5.0, "2.5" for 2.5.
std::string numberText(double value);

} // namespace quelvane::text

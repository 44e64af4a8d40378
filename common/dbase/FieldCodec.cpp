#include "common/dbase/FieldCodec.h"

#include "common/text/Text.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace quelvane::dbase {

namespace {

constexpr std::uint32_t signBit32 = 0x80000000u;
constexpr std::uint64_t signBit64 = 0x8000000000000000ull;
constexpr double millisecondsPerDay = 86400000.0;

std::uint64_t bigEndian(std::string_view raw, std::size_t size)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
        value = (value << 8) | static_cast<std::uint8_t>(raw[i]);
    return value;
}

std::uint64_t littleEndian(std::string_view raw, std::size_t size)
{
    std::uint64_t value = 0;
    for (std::size_t i = size; i > 0; --i)
        value = (value << 8) | static_cast<std::uint8_t>(raw[i - 1]);
    return value;
}

void putBigEndian(std::uint64_t value, char* raw, std::size_t size)
{
    for (std::size_t i = size; i > 0; --i) {
        raw[i - 1] = static_cast<char>(value & 0xFF);
        value >>= 8;
    }
}

bool allBytes(std::string_view raw, char byte)
{
    for (const char c : raw)
        if (c != byte)
            return false;
    return true;
}

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\0'))
        text.remove_prefix(1);
    return trimmedText(text);
}

std::int32_t sortableInteger(std::string_view raw)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(bigEndian(raw, 4)) ^ signBit32);
}

double sortableDouble(std::string_view raw)
{
    const std::uint64_t stored = bigEndian(raw, 8);
    // A set top bit marks a value >= 0 (sign bit inverted); otherwise every bit was inverted.
    const std::uint64_t bits = (stored & signBit64) != 0 ? stored ^ signBit64 : ~stored;
    return std::bit_cast<double>(bits);
}

double littleDouble(std::string_view raw)
{
    return std::bit_cast<double>(littleEndian(raw, 8));
}

double timestampMilliseconds(std::string_view raw)
{
    return std::bit_cast<double>(bigEndian(raw, 8));
}

std::int64_t truncated(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 9.2e18)
        return std::numeric_limits<std::int64_t>::max();
    if (value <= -9.2e18)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

// Decimal text of any source (a numeric field, an unknown kind) as a number; 0 when it is none.
double decimalNumber(std::string_view text)
{
    std::string normal;
    if (!normalisedDecimal(trimBlanks(text), normal))
        return 0;
    double value = 0;
    std::from_chars(normal.data(), normal.data() + normal.size(), value);
    return value;
}

std::int64_t decimalInteger(std::string_view text)
{
    std::string normal;
    if (!normalisedDecimal(trimBlanks(text), normal))
        return 0;
    // The whole part, read exactly: a 20-digit field keeps every digit that fits in 64 bits.
    const std::size_t point = normal.find('.');
    const char* end = normal.data() + (point == std::string::npos ? normal.size() : point);
    std::int64_t value = 0;
    const auto result = std::from_chars(normal.data(), end, value);
    if (result.ec == std::errc::result_out_of_range)
        return normal.front() == '-' ? std::numeric_limits<std::int64_t>::min()
                                     : std::numeric_limits<std::int64_t>::max();
    return value;
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
Date civilDate(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    const int month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    return Date {year, month, day};
}

void appendDigits(std::string& out, int value, int digits)
{
    char buffer[8];
    for (int i = digits - 1; i >= 0; --i) {
        buffer[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out.append(buffer, static_cast<std::size_t>(digits));
}

// "YYYY-MM-DD hh:mm:ss"; empty for a value outside the years 1 to 9999.
std::string timestampText(double milliseconds)
{
    constexpr double lastDay = 3652059; // 9999-12-31 counted from 0001-01-01 as day 1
    if (!std::isfinite(milliseconds) || milliseconds < millisecondsPerDay
        || milliseconds >= (lastDay + 1) * millisecondsPerDay)
        return {};
    const double dayNumber = std::floor(milliseconds / millisecondsPerDay);
    const auto secondOfDay = static_cast<int>((milliseconds - dayNumber * millisecondsPerDay) / 1000.0);
    // Day 1 is 0001-01-01, which lies 719162 days before 1970-01-01.
    const Date date = civilDate(static_cast<std::int64_t>(dayNumber) - 1 - 719162);
    std::string out;
    out.reserve(19);
    appendDigits(out, date.year, 4);
    out += '-';
    appendDigits(out, date.month, 2);
    out += '-';
    appendDigits(out, date.day, 2);
    out += ' ';
    appendDigits(out, secondOfDay / 3600, 2);
    out += ':';
    appendDigits(out, secondOfDay / 60 % 60, 2);
    out += ':';
    appendDigits(out, secondOfDay % 60, 2);
    return out;
}

char logicalLetter(char stored)
{
    switch (stored) {
    case 'T':
    case 't':
    case 'Y':
    case 'y':
        return 'T';
    case 'F':
    case 'f':
    case 'N':
    case 'n':
        return 'F';
    default:
        return '\0'; // blank, "?" or anything else: not set
    }
}

} // namespace

Storage storageOf(FieldType type, Flavour flavour)
{
    const bool fox = flavour == Flavour::Fox;
    switch (type) {
    case FieldType::Character:
        return Storage::Character;
    case FieldType::Numeric:
    case FieldType::Float:
        return Storage::DecimalText;
    case FieldType::Logical:
        return Storage::Logical;
    case FieldType::Date:
        return Storage::Date;
    case FieldType::Integer:
        // Only level 7 defines "I" as sortable; FoxPro and the writers of older levels that use
        // it store a plain little-endian integer.
        return flavour == Flavour::Level7 ? Storage::SortableInteger : Storage::LittleInteger;
    case FieldType::AutoIncrement:
        return Storage::SortableInteger;
    case FieldType::Double:
        return Storage::SortableDouble;
    case FieldType::Timestamp:
        return Storage::Timestamp;
    case FieldType::FoxDouble:
        return fox ? Storage::LittleDouble : Storage::Memo;
    case FieldType::Memo:
    case FieldType::General:
        return Storage::Memo;
    }
    return Storage::Other;
}

std::string_view trimmedText(std::string_view raw)
{
    while (!raw.empty() && (raw.back() == ' ' || raw.back() == '\0'))
        raw.remove_suffix(1);
    return raw;
}

bool isBlankValue(Storage storage, std::string_view raw)
{
    switch (storage) {
    case Storage::Character:
    case Storage::DecimalText:
    case Storage::Date:
    case Storage::Other:
        return trimmedText(raw).empty();
    case Storage::Logical:
        return logicalLetter(raw.empty() ? ' ' : raw[0]) == '\0';
    case Storage::SortableInteger:
    case Storage::SortableDouble:
    case Storage::Timestamp:
        return allBytes(raw, '\0');
    case Storage::LittleInteger:
    case Storage::LittleDouble:
        return false; // every bit pattern is a value
    case Storage::Memo:
        return true;
    }
    return true;
}

std::string textValue(Storage storage, std::string_view raw)
{
    // The commonest read, trimmed once: a blank character field trims to empty text anyway.
    if (storage == Storage::Character)
        return std::string(trimmedText(raw));
    if (isBlankValue(storage, raw))
        return {};
    switch (storage) {
    case Storage::Character:
        return std::string(trimmedText(raw));
    case Storage::DecimalText: {
        const std::string_view stored = trimBlanks(raw);
        std::string normal;
        // Anything but a decimal number (such as the asterisks of an overflowed field) is
        // shown as it stands.
        return normalisedDecimal(stored, normal) ? normal : std::string(stored);
    }
    case Storage::Logical:
        return std::string(1, logicalLetter(raw[0]));
    case Storage::Date:
    case Storage::Other:
        return std::string(trimBlanks(raw));
    case Storage::SortableInteger:
        return text::integerText(sortableInteger(raw));
    case Storage::LittleInteger:
        return text::integerText(static_cast<std::int32_t>(littleEndian(raw, 4)));
    case Storage::SortableDouble:
        return text::numberText(sortableDouble(raw));
    case Storage::LittleDouble:
        return text::numberText(littleDouble(raw));
    case Storage::Timestamp:
        return timestampText(timestampMilliseconds(raw));
    case Storage::Memo:
        return {};
    }
    return {};
}

std::int64_t integerValue(Storage storage, std::string_view raw)
{
    if (isBlankValue(storage, raw))
        return 0;
    switch (storage) {
    case Storage::Character:
        // As the platform converts a character field to a number: the whole text must be one.
        return text::parseInteger(trimmedText(raw));
    case Storage::DecimalText:
    case Storage::Date:
    case Storage::Other:
        return decimalInteger(raw);
    case Storage::Logical:
        return logicalLetter(raw[0]) == 'T' ? 1 : 0;
    case Storage::SortableInteger:
        return sortableInteger(raw);
    case Storage::LittleInteger:
        return static_cast<std::int32_t>(littleEndian(raw, 4));
    case Storage::SortableDouble:
        return truncated(sortableDouble(raw));
    case Storage::LittleDouble:
        return truncated(littleDouble(raw));
    case Storage::Timestamp:
        return truncated(timestampMilliseconds(raw));
    case Storage::Memo:
        return 0;
    }
    return 0;
}

double numberValue(Storage storage, std::string_view raw)
{
    if (isBlankValue(storage, raw))
        return 0;
    switch (storage) {
    case Storage::Character:
        return text::parseDecimalComma(trimmedText(raw));
    case Storage::DecimalText:
    case Storage::Date:
    case Storage::Other:
        return decimalNumber(raw);
    case Storage::SortableDouble:
        return sortableDouble(raw);
    case Storage::LittleDouble:
        return littleDouble(raw);
    case Storage::Timestamp:
        return timestampMilliseconds(raw);
    default:
        return static_cast<double>(integerValue(storage, raw));
    }
}

bool logicalValue(Storage storage, std::string_view raw)
{
    if (isBlankValue(storage, raw))
        return false;
    switch (storage) {
    case Storage::Logical:
    case Storage::Character:
        return logicalLetter(trimBlanks(raw).empty() ? ' ' : trimBlanks(raw)[0]) == 'T';
    case Storage::Memo:
        return false;
    default:
        return numberValue(storage, raw) != 0;
    }
}

void writeBlank(Storage storage, char* raw, std::size_t width)
{
    switch (storage) {
    case Storage::SortableInteger:
    case Storage::SortableDouble:
    case Storage::Timestamp:
    case Storage::LittleInteger:
    case Storage::LittleDouble:
        std::memset(raw, 0, width);
        break;
    default:
        std::memset(raw, ' ', width);
        break;
    }
}

void encodeSortableInteger(std::int32_t value, char* raw)
{
    putBigEndian(static_cast<std::uint32_t>(value) ^ signBit32, raw, 4);
}

void encodeSortableDouble(double value, char* raw)
{
    if (value == 0)
        value = 0; // -0.0 is stored as 0.0
    const auto bits = std::bit_cast<std::uint64_t>(value);
    putBigEndian((bits & signBit64) != 0 ? ~bits : bits ^ signBit64, raw, 8);
}

bool normalisedDecimal(std::string_view text, std::string& out)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    std::string_view whole = text.substr(0, point);
    std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() && fraction.empty())
        return false;
    for (const char c : whole)
        if (c < '0' || c > '9')
            return false;
    for (const char c : fraction)
        if (c < '0' || c > '9')
            return false;
    while (!whole.empty() && whole.front() == '0')
        whole.remove_prefix(1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.remove_suffix(1);
    out.clear();
    if (whole.empty() && fraction.empty()) {
        out.push_back('0');
        return true;
    }
    if (negative)
        out += '-';
    if (whole.empty())
        out += '0';
    else
        out += whole;
    if (!fraction.empty()) {
        out += '.';
        out += fraction;
    }
    return true;
}

} // namespace quelvane::dbase

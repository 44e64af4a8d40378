#include "common/dbase/NumericKey.h"

#include "common/dbase/FieldCodec.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace quelvane::dbase {

namespace {

constexpr int exponentBias = 0x34;
constexpr std::size_t maximumDigits = 20;

} // namespace

std::optional<NumericKey> numericKey(std::string_view decimal)
{
    std::string normal;
    if (!normalisedDecimal(decimal, normal))
        return std::nullopt;
    std::string_view rest = normal;
    const bool negative = !rest.empty() && rest.front() == '-';
    if (negative)
        rest.remove_prefix(1);
    const std::size_t point = rest.find('.');
    std::string_view whole = rest.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : rest.substr(point + 1);
    if (whole == "0")
        whole = {};

    // The value is 0.d1d2d3... times ten to the power (exponent byte - 0x34).
    std::string digits;
    int exponent = 0;
    if (!whole.empty()) {
        exponent = static_cast<int>(whole.size());
        digits.append(whole).append(fraction);
    } else {
        const std::size_t firstSignificant = fraction.find_first_not_of('0');
        if (firstSignificant != std::string_view::npos) {
            exponent = -static_cast<int>(firstSignificant);
            digits.append(fraction.substr(firstSignificant));
        }
    }
    // Trailing zeros are not counted as digits (one other writer counts those of the whole part;
    // readers take both).
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
    if (digits.size() > maximumDigits)
        digits.resize(maximumDigits);

    NumericKey key {};
    if (digits.empty()) {
        key[0] = exponentBias;
        key[1] = 0x01;
        return key;
    }
    exponent = std::clamp(exponent + exponentBias, 0, 0xFF);
    key[0] = static_cast<std::uint8_t>(exponent);
    key[1] = static_cast<std::uint8_t>((negative ? 0x80 : 0x00) | (digits.size() << 2) | 0x01);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const auto digit = static_cast<std::uint8_t>(digits[i] - '0');
        key[2 + i / 2] |= static_cast<std::uint8_t>(i % 2 == 0 ? digit << 4 : digit);
    }
    return key;
}

NumericKey numericKey(std::int64_t value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return *numericKey(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
}

NumericKey numericKey(double value)
{
    if (!std::isfinite(value))
        value = 0; // such values are not numbers an index can order; they key as a blank does
    char buffer[400]; // the longest fixed-notation double needs about 330 characters
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return *numericKey(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
}

} // namespace quelvane::dbase

#include "intake/SessionRules.h"

#include "common/Error.h"
#include "common/text/Text.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quelvane::intake {

namespace {

Error tooLarge(std::string_view horas)
{
    return Error("'" + text::toUtf8(horas) + "' no es un número de horas semanales admisible");
}

} // namespace

std::string_view copyAt(std::string_view text, std::size_t position, std::size_t count)
{
    if (position == 0 || position > text.size()) {
        return {};
    }
    return text.substr(position - 1, count);
}

std::optional<int> dayNumber(std::string_view dia)
{
    static constexpr std::string_view letters = "LMXJVSD";
    if (dia.empty()) {
        return std::nullopt;
    }
    const std::size_t found = letters.find(dia.front());
    if (found == std::string_view::npos) {
        return std::nullopt;
    }
    return static_cast<int>(found) + 1;
}

std::string dayName(int day)
{
    static constexpr std::array<std::string_view, 7> names
        = {"Lunes", "Martes", "Miércoles", "Jueves", "Viernes", "Sábado", "Domingo"};
    if (day < 1 || day > 7) {
        return {};
    }
    return text::toCp1252(names[static_cast<std::size_t>(day - 1)]);
}

std::string slotEntry(int day, std::string_view start, std::string_view end)
{
    std::string entry = text::integerText(day);
    entry.append(start).append(end).append(" ").append(start).append("-").append(end);
    return entry;
}

SlotFields readSlotEntry(std::string_view entry)
{
    SlotFields fields;
    fields.day = text::parseInteger(copyAt(entry, 1, 1));
    // Left to right, so that the piece named by an error is the first bad one of the entry.
    const std::int32_t startHour = text::parseInteger(copyAt(entry, 2, 2));
    const std::int32_t startMinute = text::parseInteger(copyAt(entry, 5, 2));
    const std::int32_t endHour = text::parseInteger(copyAt(entry, 7, 2));
    const std::int32_t endMinute = text::parseInteger(copyAt(entry, 10, 2));
    fields.startTime = copyAt(entry, 2, 5);
    fields.endTime = copyAt(entry, 7, 5);
    fields.times = copyAt(entry, 13, 11);
    // Two-character pieces are at most 99, so this cannot overflow.
    fields.minutes = (endHour * 60 + endMinute) - (startHour * 60 + startMinute);
    return fields;
}

float weeklySessions(std::string_view horas, const std::array<std::int32_t, 3>& slotLengths)
{
    // A subject without hours still gets one session a week.
    const std::string_view hoursText = horas == "00,00" ? std::string_view("01,00") : horas;
    const double value = text::parseDecimalComma(hoursText);
    // Forty digits make a number that 32 bits cannot hold.
    if (!(std::abs(value) <= static_cast<double>(std::numeric_limits<float>::max()))) {
        throw tooLarge(horas);
    }
    const float hours = static_cast<float>(value);

    float count = hours;
    if (copyAt(hoursText, 4, 2) != "00") {
        // Hundredths of an hour: spread the minutes over the first slot length that divides
        // them exactly, or else over one-hour sessions, rounded up.
        const float minutes = hours * 60.0F;
        bool divided = false;
        for (const std::int32_t length : slotLengths) {
            if (length == 0) {
                continue;
            }
            const double quotient = static_cast<double>(minutes) / length;
            if (quotient == std::trunc(quotient)) {
                count = static_cast<float>(quotient);
                divided = true;
                break;
            }
        }
        if (!divided) {
            count = static_cast<float>(std::ceil(static_cast<double>(minutes) / 60.0));
        }
    }

    // The pattern needs a whole number of sessions; a very long number of hours would give one
    // that no table can hold.
    const double limit = static_cast<double>(std::numeric_limits<std::int32_t>::max());
    if (!std::isfinite(count) || std::abs(std::ceil(static_cast<double>(count))) > limit) {
        throw tooLarge(horas);
    }
    return count;
}

std::string sessionsPattern(float count)
{
    const double rounded = std::ceil(static_cast<double>(count));
    if (!(rounded > 0.0)) {
        return {};
    }
    // weeklySessions keeps counts within 32 bits; the cut only keeps the conversion defined.
    const auto sessions
        = static_cast<std::int64_t>(std::min(rounded, static_cast<double>(std::numeric_limits<std::int32_t>::max())));
    if (sessions <= 13) {
        return std::string(static_cast<std::size_t>(sessions), '1');
    }
    return text::integerText(sessions - 13) + std::string(13, '1');
}

} // namespace quelvane::intake

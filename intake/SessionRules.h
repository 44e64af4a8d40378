#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The rules by which the sessions loader turns a Sesion into a slot of DIASHORAST, and the
// group-subjects loader turns weekly hours into weekly sessions. Text is Windows-1252.
namespace quelvane::intake {

// Characters from a 1-based position, as the fixed-position reads of a slot entry count them:
// a position beyond the text gives empty text, a count beyond its end what is left.
std::string_view copyAt(std::string_view text, std::size_t position, std::size_t count);

// Day number 1 (L) to 7 (D) from the first character of the trimmed "Dia"; capital letters
// only. Nothing for a blank day or any other first character.
std::optional<int> dayNumber(std::string_view dia);

// "Lunes" to "Domingo" in Windows-1252, for day 1 to 7.
std::string dayName(int day);

// D, HI, HF, a blank, HI, "-", HF: the text whose order is the slots' order and whose fixed
// positions the slot table is read from.
std::string slotEntry(int day, std::string_view start, std::string_view end);

// A slot entry read back at its fixed positions, whatever the length of its times.
struct SlotFields {
    int day = 0;
    std::string startTime; // positions 2 to 6
    std::string endTime; // positions 7 to 11
    std::string times; // positions 13 to 23: start, "-", end
    std::int32_t minutes = 0; // end minus start; negative when the end comes first
};

// Throws quelvane::Error "'<two characters>' no es un valor entero válido" for the first of
// the four hour and minute pieces that is not a whole number.
SlotFields readSlotEntry(std::string_view entry);

// Number of weekly sessions from the trimmed "Horas" text (HH,DD, comma decimal) and the
// first three slot lengths. Kept in 32-bit floating point so that the counts match the
// tables that schools already have. Throws quelvane::Error when the text is not a number
// with a comma, or gives a count too large to be a number of sessions.
float weeklySessions(std::string_view horas, const std::array<std::int32_t, 3>& slotLengths);

// SESIONES from the count rounded up: empty for 0 or less, n "1" up to 13, and from 14 on
// n - 13 in decimal followed by thirteen "1".
std::string sessionsPattern(float count);

} // namespace quelvane::intake

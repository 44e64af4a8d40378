#pragma once

#include "common/dbase/DbfHeader.h"
#include "common/dbase/Field.h"

#include <cstdint>
#include <string>
#include <string_view>

// How the bytes of one field turn into values and back. The same type letter is stored
// differently by different families ("I" big-endian with the sign flipped at level 7,
// little-endian in FoxPro; "B" a double in FoxPro, a memo pointer elsewhere), so each field's
// storage is decided once, from its letter and the table's family.
namespace quelvane::dbase {

enum class Storage {
    Character, // C: text, blank-padded
    DecimalText, // N, F: right-aligned decimal text
    Logical, // L
    Date, // D: YYYYMMDD
    SortableInteger, // level 7 I and +: big-endian, sign bit flipped; four zero bytes are blank
    LittleInteger, // FoxPro I: little-endian two's complement
    SortableDouble, // level 7 O: big-endian, sign-flip encoding; eight zero bytes are blank
    LittleDouble, // FoxPro B
    Timestamp, // level 7 @: big-endian double of milliseconds, 0001-01-01 being day 1
    Memo, // M, G and non-FoxPro B: pointers into a memo file this engine does not read
    Other, // a letter of no known meaning: read as text
};

Storage storageOf(FieldType type, Flavour flavour);

// A character field's text without the blanks (or, from some writers, NULs) that fill it.
std::string_view trimmedText(std::string_view raw);

bool isBlankValue(Storage storage, std::string_view raw);

// The readings described at Table. `raw` is the field's bytes, exactly its width.
std::string textValue(Storage storage, std::string_view raw);
std::int64_t integerValue(Storage storage, std::string_view raw);
double numberValue(Storage storage, std::string_view raw);
bool logicalValue(Storage storage, std::string_view raw);

// The bytes that an appended row holds before anything is set.
void writeBlank(Storage storage, char* raw, std::size_t width);

// Level 7 encodings. INT32_MIN has no encoding (its bytes would read as blank).
void encodeSortableInteger(std::int32_t value, char* raw);
void encodeSortableDouble(double value, char* raw);

// Plain decimal of a decimal-text field: "12.1235" stays, "0.0000" is "0", "-2.2500" is "-2.25".
// Returns false, leaving `out` unspecified, when the text is not a decimal number.
bool normalisedDecimal(std::string_view text, std::string& out);

} // namespace quelvane::dbase

#pragma once

#include "common/dbase/Field.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The header of a .DBF file: reading any of the layouts the engine accepts, with every
// contradiction refused, and writing the level 7 header of the working tables.
namespace quelvane::dbase {

// Which family wrote the table; it decides the descriptor layout and how binary fields are stored.
enum class Flavour {
    Level3, // dBase III to V: 32-byte descriptors
    Level7, // dBase level 7: 68-byte header, 48-byte descriptors, big-endian binary fields
    Fox, // FoxPro family: 32-byte descriptors, little-endian binary fields
};

struct FieldLayout {
    FieldDef def;
    std::size_t offset = 0; // from the start of the record, deletion flag included
    bool indexFlag = false; // the descriptor says the production index has a tag on it
};

struct TableLayout {
    Flavour flavour = Flavour::Level7;
    std::uint8_t version = 0;
    std::size_t headerLength = 0;
    std::size_t recordLength = 0;
    std::uint32_t recordCount = 0;
    bool productionIndex = false;
    std::vector<FieldLayout> fields;
};

struct Date {
    int year = 0;
    int month = 0;
    int day = 0;
};

// The local calendar date.
Date today();

// Reads the header and checks it against itself and the file's size. `label` names the table in
// messages ("PROFT (C:\VTEMP\PROFT.DBF)").
TableLayout readLayout(std::string_view file, std::string_view label);

// Width that a field of a fixed-width kind must have (0 for kinds whose width is free).
int fixedWidth(FieldType type, Flavour flavour);

// The complete level 7 header, descriptors and terminator included. `indexedField` is the position
// of the field that the production index tags, or -1 when the table has no index.
std::string level7Header(const std::vector<FieldDef>& fields, int indexedField, std::uint32_t recordCount, Date date);

// Brings the date of last update and the record count of an existing header up to date.
void stampHeader(std::string& header, std::uint32_t recordCount, Date date);

} // namespace quelvane::dbase

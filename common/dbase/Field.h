#pragma once

#include <cstdint>
#include <string>

namespace quelvane::dbase {

// Type letters as they stand in a field descriptor.
enum class FieldType : char {
    Character = 'C',
    Logical = 'L',
    Integer = 'I', // 32-bit binary integer (level 7: big-endian, sign bit flipped; FoxPro: little-endian)
    Double = 'O', // level 7 binary double
    Numeric = 'N', // decimal text
    Float = 'F', // decimal text
    Date = 'D',
    AutoIncrement = '+',
    Timestamp = '@',
    FoxDouble = 'B', // FoxPro double; in level 7 tables 'B' is a memo pointer instead
    Memo = 'M',
    General = 'G',
};

struct FieldDef {
    std::string name; // upper-case ASCII
    FieldType type = FieldType::Character;
    int width = 0; // characters for C; fixed by the type for L (1), I (4), O (8)
    int decimals = 0;
};

// The one kind of production index the working tables need: a tag on one numeric field,
// ascending, duplicates allowed.
struct IndexDef {
    std::string tag;
    std::string field;
};

} // namespace quelvane::dbase

#include "common/dbase/DbfHeader.h"

#include "common/Error.h"
#include "common/text/Text.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace quelvane::dbase {

namespace {

constexpr std::size_t level7FixedHeader = 68;
constexpr std::size_t level7Descriptor = 48;
constexpr std::size_t shortFixedHeader = 32;
constexpr std::size_t shortDescriptor = 32;
constexpr char terminator = 0x0D;

std::uint8_t byteAt(std::string_view bytes, std::size_t at)
{
    return static_cast<std::uint8_t>(bytes[at]);
}

std::uint32_t littleEndian16(std::string_view bytes, std::size_t at)
{
    return byteAt(bytes, at) | (std::uint32_t {byteAt(bytes, at + 1)} << 8);
}

std::uint32_t littleEndian32(std::string_view bytes, std::size_t at)
{
    return littleEndian16(bytes, at) | (littleEndian16(bytes, at + 2) << 16);
}

void putLittleEndian16(std::string& bytes, std::size_t at, std::size_t value)
{
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void putLittleEndian32(std::string& bytes, std::size_t at, std::uint32_t value)
{
    putLittleEndian16(bytes, at, value & 0xFFFF);
    putLittleEndian16(bytes, at + 2, value >> 16);
}

std::string hexByte(std::uint8_t value)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[value >> 4] + digits[value & 0x0F];
}

// A name stored NUL-padded (and by some writers blank-padded) in `size` bytes.
std::string storedName(std::string_view bytes)
{
    const std::size_t end = bytes.find('\0');
    std::string_view name = bytes.substr(0, end);
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    return std::string(name);
}

class LayoutReader {
public:
    LayoutReader(std::string_view file, std::string_view label)
        : file_(file)
        , label_(label)
    {
    }

    TableLayout read()
    {
        if (file_.size() < shortFixedHeader)
            fail("el archivo (" + std::to_string(file_.size()) + " bytes) es más corto que la cabecera de una tabla");
        TableLayout layout;
        layout.version = byteAt(file_, 0);
        layout.flavour = flavourOf(layout.version);
        const bool level7 = layout.flavour == Flavour::Level7;
        const std::size_t fixedHeader = level7 ? level7FixedHeader : shortFixedHeader;
        const std::size_t descriptorSize = level7 ? level7Descriptor : shortDescriptor;
        if (file_.size() < fixedHeader)
            fail("el archivo (" + std::to_string(file_.size()) + " bytes) es más corto que la cabecera de una tabla");

        layout.recordCount = littleEndian32(file_, 4);
        layout.headerLength = littleEndian16(file_, 8);
        layout.recordLength = littleEndian16(file_, 10);
        layout.productionIndex = byteAt(file_, 28) != 0;
        if (layout.headerLength > file_.size())
            fail("la cabecera declara " + std::to_string(layout.headerLength) + " bytes y el archivo solo tiene "
                 + std::to_string(file_.size()));

        // Descriptors run up to the terminator; they are looked for up to the end of the file so
        // that a header length too small for them is told apart from a missing terminator.
        std::size_t end = fixedHeader;
        while (end < file_.size() && file_[end] != terminator)
            end += descriptorSize;
        if (end >= file_.size())
            fail("la lista de campos no termina con el byte 0x0D");
        if (end + 1 > layout.headerLength)
            fail("la longitud de cabecera declarada (" + std::to_string(layout.headerLength)
                 + " bytes) no alcanza para sus campos, que ocupan " + std::to_string(end + 1));
        if (end == fixedHeader)
            fail("no tiene ningún campo");
        if (layout.recordLength == 0)
            fail("la longitud de registro declarada es 0");

        std::size_t offset = 1; // the deletion flag
        for (std::size_t at = fixedHeader; at < end; at += descriptorSize) {
            FieldLayout field = readDescriptor(file_.substr(at, descriptorSize), layout.flavour);
            const std::string shownName = "el campo " + text::toUtf8(field.def.name);
            if (field.def.width == 0)
                fail(shownName + " tiene anchura 0");
            const int expected = fixedWidth(field.def.type, layout.flavour);
            if (expected != 0 && field.def.width != expected)
                fail(shownName + " de tipo " + std::string(1, static_cast<char>(field.def.type)) + " tiene anchura "
                     + std::to_string(field.def.width) + " en lugar de " + std::to_string(expected));
            field.offset = offset;
            offset += static_cast<std::size_t>(field.def.width);
            if (offset > layout.recordLength)
                fail(shownName + " termina en el byte " + std::to_string(offset) + ", más allá del registro de "
                     + std::to_string(layout.recordLength) + " bytes");
            layout.fields.push_back(std::move(field));
        }
        if (offset != layout.recordLength)
            fail("la longitud de registro declarada (" + std::to_string(layout.recordLength)
                 + " bytes) no es la suma de sus campos más el byte de borrado (" + std::to_string(offset) + ")");

        // A record count beyond the file is refused rather than read as far as the bytes go: a
        // table cut short is damaged, and reading part of it would pass the damage on unnoticed.
        const std::size_t available = (file_.size() - layout.headerLength) / layout.recordLength;
        if (layout.recordCount > available)
            fail("declara " + std::to_string(layout.recordCount) + " registros pero el archivo solo contiene "
                 + std::to_string(available));
        return layout;
    }

private:
    [[noreturn]] void fail(const std::string& reason) const
    {
        throw Error("La tabla " + std::string(label_) + " está dañada: " + reason + ".");
    }

    Flavour flavourOf(std::uint8_t version) const
    {
        if (version == 0x30 || version == 0x31 || version == 0x32)
            return Flavour::Fox;
        // FoxPro 2 with memo: the dBase III layout, whatever its low bits say.
        if (version == 0xF5)
            return Flavour::Level3;
        if ((version & 0x07) == 3)
            return Flavour::Level3;
        if ((version & 0x07) == 4)
            return Flavour::Level7;
        throw Error("La tabla " + std::string(label_) + " no es una tabla dBase de un formato conocido (primer byte "
                    + hexByte(version) + ").");
    }

    static FieldLayout readDescriptor(std::string_view descriptor, Flavour flavour)
    {
        FieldLayout field;
        if (flavour == Flavour::Level7) {
            field.def.name = storedName(descriptor.substr(0, 32));
            field.def.type = static_cast<FieldType>(descriptor[32]);
            field.def.width = byteAt(descriptor, 33);
            field.def.decimals = byteAt(descriptor, 34);
            field.indexFlag = byteAt(descriptor, 37) != 0;
        } else {
            field.def.name = storedName(descriptor.substr(0, 11));
            field.def.type = static_cast<FieldType>(descriptor[11]);
            field.def.width = byteAt(descriptor, 16);
            field.def.decimals = byteAt(descriptor, 17);
            field.indexFlag = byteAt(descriptor, 31) != 0;
        }
        return field;
    }

    std::string_view file_;
    std::string_view label_;
};

} // namespace

Date today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return Date {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

TableLayout readLayout(std::string_view file, std::string_view label)
{
    return LayoutReader(file, label).read();
}

int fixedWidth(FieldType type, Flavour flavour)
{
    switch (type) {
    case FieldType::Integer:
    case FieldType::AutoIncrement:
        return 4;
    case FieldType::Double:
    case FieldType::Timestamp:
        return 8;
    case FieldType::FoxDouble:
        // In the other families "B" is a memo pointer of any width.
        return flavour == Flavour::Fox ? 8 : 0;
    default:
        return 0;
    }
}

std::string level7Header(const std::vector<FieldDef>& fields, int indexedField, std::uint32_t recordCount, Date date)
{
    const std::size_t headerLength = level7FixedHeader + level7Descriptor * fields.size() + 1;
    std::size_t recordLength = 1;
    for (const FieldDef& field : fields)
        recordLength += static_cast<std::size_t>(field.width);

    std::string header(headerLength, '\0');
    header[0] = 0x04;
    stampHeader(header, recordCount, date);
    putLittleEndian16(header, 8, headerLength);
    putLittleEndian16(header, 10, recordLength);
    header[28] = indexedField >= 0 ? 0x01 : 0x00;
    static constexpr std::string_view languageDriver = "DBWINUS0";
    std::memcpy(header.data() + 32, languageDriver.data(), languageDriver.size());

    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t at = level7FixedHeader + level7Descriptor * i;
        const FieldDef& field = fields[i];
        std::memcpy(header.data() + at, field.name.data(), std::min<std::size_t>(field.name.size(), 31));
        header[at + 32] = static_cast<char>(field.type);
        header[at + 33] = static_cast<char>(field.width);
        header[at + 34] = static_cast<char>(field.decimals);
        header[at + 37] = static_cast<int>(i) == indexedField ? 0x01 : 0x00;
    }
    header[headerLength - 1] = terminator;
    return header;
}

void stampHeader(std::string& header, std::uint32_t recordCount, Date date)
{
    header[1] = static_cast<char>(date.year - 1900);
    header[2] = static_cast<char>(date.month);
    header[3] = static_cast<char>(date.day);
    putLittleEndian32(header, 4, recordCount);
}

} // namespace quelvane::dbase

#include "FuzzSupport.h"

#include "common/Error.h"
#include "common/dbase/Table.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace quelvane::fuzz {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder(std::string_view name)
{
    std::string pattern = (fs::temp_directory_path() / ("quelvane-fuzz-" + std::string(name) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a folder like " + pattern);
    path_ = pattern;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void ScratchFolder::empty() const
{
    for (const fs::directory_entry& entry : fs::directory_iterator(path_))
        fs::remove_all(entry.path());
}

std::string_view bytesOf(const std::uint8_t* data, std::size_t size)
{
    return size == 0 ? std::string_view() : std::string_view(reinterpret_cast<const char*>(data), size);
}

void writeFile(const fs::path& file, std::string_view bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

std::map<std::string, std::string> snapshot(const fs::path& folder)
{
    std::map<std::string, std::string> entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).generic_string();
        if (entry.is_directory()) {
            entries[name] = "<folder>";
            continue;
        }
        std::ifstream in(entry.path(), std::ios::binary);
        entries[name] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return entries;
}

std::size_t walkTable(const fs::path& dbfFile)
{
    dbase::Table table = dbase::Table::open(dbfFile);
    std::string firstText;
    bool first = true;
    for (table.first(); !table.eof(); table.next()) {
        for (const dbase::FieldDef& field : table.fields()) {
            const std::string text = table.text(field.name);
            if (first) {
                firstText = text;
                first = false;
            }
            table.isBlank(field.name);
            table.logical(field.name);
            // A character field that holds no number refuses to be read as one.
            try {
                table.integer(field.name);
            } catch (const Error&) {
            }
            try {
                table.number(field.name);
            } catch (const Error&) {
            }
        }
    }
    const std::size_t rows = table.recordCount();
    if (!table.fields().empty()) {
        const std::string& key = table.fields().front().name;
        if (rows > 0 && !table.locate(key, firstText))
            broken("locate did not find the first row's own value of " + key);
        table.locate(key, "no such value");
    }
    table.close();
    return rows;
}

bool validUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07u;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0u) != 0x80u)
                return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        const std::uint32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

void broken(const std::string& what)
{
    std::fprintf(stderr, "Broken: %s\n", what.c_str());
    std::abort();
}

} // namespace quelvane::fuzz

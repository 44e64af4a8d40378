#include "common/dbase/Table.h"

#include "common/Error.h"
#include "common/dbase/DbfHeader.h"
#include "common/dbase/FieldCodec.h"
#include "common/dbase/LocateIndex.h"
#include "common/dbase/Mdx.h"
#include "common/platform/ExclusiveFile.h"
#include "common/platform/Files.h"
#include "common/text/Text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace quelvane::dbase {

namespace fs = std::filesystem;

namespace {

constexpr char liveFlag = ' ';
constexpr char deletedFlag = '*';
constexpr char endOfFile = 0x1A;
constexpr int widestCharacterField = 254;
constexpr std::size_t longestFieldName = 31;
constexpr std::size_t longestTagName = 10;

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string upperCase(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = upper(c);
    return result;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}

std::string tableName(const fs::path& dbfFile)
{
    return upperCase(dbfFile.stem().string());
}

fs::path indexFile(const fs::path& dbfFile)
{
    return dbfFile.parent_path() / (tableName(dbfFile) + ".MDX");
}

// How a table is named in messages: its name and where it lies.
std::string tableLabel(const fs::path& dbfFile)
{
    return tableName(dbfFile) + " (" + dbfFile.string() + ")";
}

bool validName(std::string_view name, std::size_t longest)
{
    if (name.empty() || name.size() > longest
        || !((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
        return false;
    for (const char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return true;
}

// Refuses to replace or delete a table that someone holds open: on Windows the system refuses
// it too, and elsewhere the holder would go on working on a file that is no longer the table.
void checkNotHeld(const fs::path& dbfFile)
{
    std::error_code error;
    if (!fs::exists(dbfFile, error))
        return;
    try {
        platform::ExclusiveFile probe(dbfFile, platform::ExclusiveFile::Mode::ReadOnly);
    } catch (const platform::FileInUse&) {
        throw platform::FileInUse("La tabla " + tableLabel(dbfFile) + " está abierta por otro programa.");
    }
}

// The fields as they will be stored: names upper-case, fixed widths for the fixed kinds.
std::vector<FieldDef> checkedFields(const fs::path& dbfFile, const std::vector<FieldDef>& fields)
{
    const std::string label = tableLabel(dbfFile);
    if (fields.empty())
        throw Error("La tabla " + label + " no se puede crear sin campos.");
    std::vector<FieldDef> stored;
    std::size_t recordLength = 1;
    for (const FieldDef& field : fields) {
        if (!validName(field.name, longestFieldName))
            throw Error("El nombre de campo '" + text::toUtf8(field.name) + "' de la tabla " + label
                        + " no es válido: ha de tener de 1 a 31 letras, cifras o '_' y empezar por una letra.");
        FieldDef def {upperCase(field.name), field.type, field.width, 0};
        for (const FieldDef& earlier : stored)
            if (earlier.name == def.name)
                throw Error("La tabla " + label + " tiene dos campos llamados " + def.name + ".");
        switch (field.type) {
        case FieldType::Character:
            if (field.width < 1 || field.width > widestCharacterField)
                throw Error("El campo " + def.name + " de la tabla " + label + " tiene una anchura no válida ("
                            + std::to_string(field.width) + "): ha de estar entre 1 y 254.");
            break;
        case FieldType::Logical:
            def.width = 1;
            break;
        case FieldType::Integer:
            def.width = 4;
            break;
        case FieldType::Double:
            def.width = 8;
            break;
        default:
            throw Error("El campo " + def.name + " de la tabla " + label + " es de un tipo ('"
                        + std::string(1, static_cast<char>(field.type)) + "') que este programa no crea.");
        }
        recordLength += static_cast<std::size_t>(def.width);
        stored.push_back(std::move(def));
    }
    if (recordLength > std::numeric_limits<std::uint16_t>::max()
        || 68 + 48 * stored.size() + 1 > std::numeric_limits<std::uint16_t>::max())
        throw Error("La tabla " + label + " tiene demasiados campos para una tabla dBase.");
    return stored;
}

int checkedIndexField(const fs::path& dbfFile, const std::vector<FieldDef>& fields, const IndexDef& index)
{
    const std::string label = tableLabel(dbfFile);
    if (!validName(index.tag, longestTagName))
        throw Error("El nombre de índice '" + text::toUtf8(index.tag) + "' de la tabla " + label
                    + " no es válido: ha de tener de 1 a 10 letras, cifras o '_' y empezar por una letra.");
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (!sameName(fields[i].name, index.field))
            continue;
        if (fields[i].type != FieldType::Integer && fields[i].type != FieldType::Double)
            throw Error("El índice " + upperCase(index.tag) + " de la tabla " + label + " está sobre el campo "
                        + fields[i].name + ", que no es numérico.");
        return static_cast<int>(i);
    }
    throw Error("El índice " + upperCase(index.tag) + " de la tabla " + label + " está sobre el campo "
                + text::toUtf8(index.field) + ", que la tabla no tiene.");
}

} // namespace

struct Table::Impl {
    enum class State { Browse, Edit, Insert };

    struct Field {
        FieldLayout layout;
        Storage storage = Storage::Other;
    };

    // The production index that closing rewrites.
    struct Index {
        std::size_t field = 0;
        std::string tag;
    };

    fs::path file;
    std::string name;
    std::string label;
    platform::ExclusiveFile handle;
    TableLayout layout;
    std::vector<FieldDef> defs;
    std::vector<Field> fields;
    // The file as closing writes it, without the end mark: the header, then every stored row.
    // Kept in one piece so that a large table is neither moved at open nor copied at close.
    // A table made by create() writes its rows ahead instead, a piece at a time, as they are
    // appended: rows before writtenRows are then in the file only, at their places, and `bytes`
    // holds the header and the rows after them. So a large new table never needs memory of its
    // own; anything that reads or changes stored rows gathers them back first.
    std::string bytes;
    bool writesAhead = false;
    std::size_t writtenRows = 0;
    std::size_t rows = 0; // stored rows, deleted ones included
    std::size_t liveRows = 0;
    std::size_t current = 0; // == rows at the end of the table
    State state = State::Browse;
    std::string buffer; // the row being edited or appended
    std::string blankRow; // what append() starts a row from; made at the first append
    bool dirty = false;
    std::string readOnlyReason; // empty when the table can be changed
    platform::Flush flush = platform::Flush::Now; // of what closing writes
    std::optional<Index> index;
    std::vector<std::unique_ptr<LocateIndex>> locateIndexes;
    bool capitalNames = false; // no stored field name holds a small letter
    struct RecentName {
        const char* data = nullptr; // where the caller's name was
        std::string name; // what it said
        std::size_t field = 0;
    };
    // Two places for each of 64 hashes of the caller's address: the dozen names used on a table
    // seldom need a third.
    static constexpr int recentNameSetBits = 6;
    mutable std::vector<std::array<RecentName, 2>> recentNames
        = std::vector<std::array<RecentName, 2>>(std::size_t {1} << recentNameSetBits);

    Impl(const fs::path& dbfFile, platform::ExclusiveFile&& opened)
        : file(dbfFile)
        , name(tableName(dbfFile))
        , label(tableLabel(dbfFile))
        , handle(std::move(opened))
    {
    }

    std::size_t recordLength() const { return layout.recordLength; }

    std::string_view storedRow(std::size_t row) const
    {
        return std::string_view(bytes).substr(layout.headerLength + row * recordLength(), recordLength());
    }

    bool isLive(std::size_t row) const { return bytes[layout.headerLength + row * recordLength()] != deletedFlag; }

    std::size_t liveFrom(std::size_t row) const
    {
        while (row < rows && !isLive(row))
            ++row;
        return row;
    }

    void checkOpen() const
    {
        if (!handle.isOpen())
            throw Error("La tabla " + label + " está cerrada.");
    }

    std::size_t fieldIndex(std::string_view fieldName) const
    {
        // Every read and write finds its field by name, nearly always with one of a few constants:
        // the answer for the text at an address is kept and reused once that text is seen to be
        // the same as before. Otherwise the search: many names share a length (CASIG, CGRUP,
        // TURNO...), and with no small letter in any stored name an exact match is also the first
        // match that ignores case.
        const auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(fieldName.data()));
        std::array<RecentName, 2>& set = recentNames[(address * 0x9E3779B97F4A7C15ull) >> (64 - recentNameSetBits)];
        for (const RecentName& recent : set)
            if (recent.data == fieldName.data() && recent.name == fieldName)
                return recent.field;
        const std::size_t found = searchField(fieldName);
        // The older of the two makes way: the first moves to the second place.
        set[1] = std::move(set[0]);
        set[0] = RecentName {fieldName.data(), std::string(fieldName), found};
        return found;
    }

    std::size_t searchField(std::string_view fieldName) const
    {
        if (capitalNames) {
            for (std::size_t i = 0; i < fields.size(); ++i)
                if (fields[i].layout.def.name == fieldName)
                    return i;
        }
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (sameName(fields[i].layout.def.name, fieldName))
                return i;
        throw Error("La tabla " + label + " no tiene el campo " + text::toUtf8(fieldName) + ".");
    }

    // The current row's bytes: the edit buffer while a row is being edited or appended. Like
    // value() and target(), reached only through live(), which has seen the table open.
    std::string_view row() const
    {
        if (state != State::Browse)
            return buffer;
        if (current >= rows)
            throw Error("La tabla " + label + " está al final: no hay fila actual que leer.");
        return storedRow(current);
    }

    // One field of the current row, found by name.
    std::pair<Storage, std::string_view> value(std::string_view fieldName) const
    {
        const std::string_view bytes = row();
        const Field& field = fields[fieldIndex(fieldName)];
        return {field.storage, bytes.substr(field.layout.offset, static_cast<std::size_t>(field.layout.def.width))};
    }

    void checkWritable() const
    {
        if (!readOnlyReason.empty())
            throw Error(readOnlyReason);
    }

    // The field of the row being edited or appended, ready to be overwritten.
    std::pair<const Field*, char*> target(std::string_view fieldName)
    {
        if (state == State::Browse)
            throw Error("La tabla " + label + " no está en edición: el campo " + text::toUtf8(fieldName)
                        + " solo se puede cambiar tras añadir o editar una fila.");
        const Field& field = fields[fieldIndex(fieldName)];
        return {&field, buffer.data() + field.layout.offset};
    }

    [[noreturn]] void refuse(const Field& field, const std::string& what) const
    {
        throw Error("El campo " + field.layout.def.name + " de la tabla " + label + " no admite " + what + ".");
    }

    // Leaving the edit state by moving, as the platform does, stores the pending row.
    void settle()
    {
        checkOpen();
        if (state != State::Browse)
            post();
    }

    // The rows written ahead back in `bytes`, and no more writing ahead: the table is whole in
    // memory from now on.
    void gather()
    {
        writesAhead = false;
        if (writtenRows == 0)
            return;
        const std::string file = handle.readAll();
        const std::size_t written = writtenRows * recordLength();
        if (file.size() < layout.headerLength + written)
            throw Error("La tabla " + label + " no se pudo leer de nuevo: le faltan filas que ya se habían escrito.");
        std::string whole;
        whole.reserve(bytes.size() + written + 1);
        whole.append(bytes, 0, layout.headerLength);
        whole.append(file, layout.headerLength, written);
        whole.append(bytes, layout.headerLength);
        bytes = std::move(whole);
        writtenRows = 0;
    }

    // Pieces of a quarter of a megabyte: few writes, and the same few pages of memory reused.
    static constexpr std::size_t writeAheadPiece = 256 * 1024;

    void writeAhead()
    {
        const std::string_view held = std::string_view(bytes).substr(layout.headerLength);
        handle.writeAt(layout.headerLength + writtenRows * recordLength(), held);
        writtenRows = rows;
        bytes.resize(layout.headerLength);
    }

    void post()
    {
        checkOpen();
        if (state == State::Browse)
            throw Error("La tabla " + label + " no tiene ninguna fila en edición que guardar.");
        if (state == State::Insert) {
            const std::size_t row = rows;
            bytes += buffer;
            ++rows;
            ++liveRows;
            for (std::size_t i = 0; i < fields.size(); ++i)
                if (locateIndexes[i])
                    locateIndexes[i]->appended(textOf(i, buffer), static_cast<std::uint32_t>(row));
            current = row;
            dirty = true;
        } else if (storedRow(current) != buffer) {
            const std::string_view old = storedRow(current);
            for (std::size_t i = 0; i < fields.size(); ++i) {
                if (!locateIndexes[i])
                    continue;
                std::string oldText = textOf(i, old);
                std::string newText = textOf(i, buffer);
                if (oldText != newText)
                    locateIndexes[i]->changed(oldText, std::move(newText), static_cast<std::uint32_t>(current),
                                              static_cast<std::uint32_t>(rows),
                                              [this, i](std::uint32_t row, std::string_view text) {
                                                  return isLive(row) && textOf(i, storedRow(row)) == text;
                                              });
            }
            std::memcpy(bytes.data() + layout.headerLength + current * recordLength(), buffer.data(), recordLength());
            dirty = true;
        }
        state = State::Browse;
        if (writesAhead && bytes.size() - layout.headerLength >= writeAheadPiece)
            writeAhead();
    }

    std::string textOf(std::size_t field, std::string_view rowBytes) const
    {
        const Field& f = fields[field];
        return textValue(f.storage, rowBytes.substr(f.layout.offset, static_cast<std::size_t>(f.layout.def.width)));
    }

    LocateIndex& locateIndex(std::size_t field)
    {
        if (!locateIndexes[field]) {
            auto built = std::make_unique<LocateIndex>();
            for (std::size_t row = 0; row < rows; ++row)
                if (isLive(row))
                    built->appended(textOf(field, storedRow(row)), static_cast<std::uint32_t>(row));
            locateIndexes[field] = std::move(built);
        }
        return *locateIndexes[field];
    }

    void decideWritable()
    {
        const std::string refused = "La tabla " + label + " solo se puede leer: ";
        if (layout.flavour != Flavour::Level7) {
            readOnlyReason = refused + "este programa solo modifica tablas dBase de nivel 7.";
            return;
        }
        for (const Field& field : fields) {
            const FieldType type = field.layout.def.type;
            if (type != FieldType::Character && type != FieldType::Logical && type != FieldType::Integer
                && type != FieldType::Double) {
                readOnlyReason = refused + "su campo " + text::toUtf8(field.layout.def.name)
                    + " es de un tipo que este programa no escribe.";
                return;
            }
        }
        if (!layout.productionIndex)
            return;
        std::vector<std::size_t> tagged;
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (fields[i].layout.indexFlag)
                tagged.push_back(i);
        const std::string unknownIndex = refused + "tiene un índice que este programa no sabe mantener.";
        if (tagged.size() != 1
            || (fields[tagged.front()].layout.def.type != FieldType::Integer
                && fields[tagged.front()].layout.def.type != FieldType::Double)) {
            readOnlyReason = unknownIndex;
            return;
        }
        std::string tag = fields[tagged.front()].layout.def.name;
        const fs::path mdx = indexFile(file);
        std::error_code error;
        if (fs::exists(mdx, error)) {
            std::optional<std::string> stored;
            try {
                stored = singleTagName(platform::readFile(mdx));
            } catch (const Error&) {
                // An unreadable index is rebuilt on close like a missing one.
                stored = tag;
            }
            if (!stored) {
                readOnlyReason = unknownIndex;
                return;
            }
            tag = *stored;
        }
        index = Index {tagged.front(), std::move(tag)};
    }

    void close()
    {
        if (!handle.isOpen())
            return;
        // A row appended or edited but never posted is dropped, as closing without post does.
        state = State::Browse;
        buffer.clear();
        try {
            if (dirty) {
                // The index is made from every row.
                if (index)
                    gather();
                const Date date = today();
                stampHeader(bytes, static_cast<std::uint32_t>(rows), date);
                bytes.push_back(endOfFile);
                try {
                    if (writtenRows == 0) {
                        handle.replaceContent(bytes, flush);
                    } else {
                        const std::string_view held(bytes);
                        handle.writeAt(0, held.substr(0, layout.headerLength));
                        handle.writeAt(layout.headerLength + writtenRows * recordLength(),
                                       held.substr(layout.headerLength));
                        handle.finish(layout.headerLength + rows * recordLength() + 1, flush);
                    }
                } catch (...) {
                    bytes.pop_back();
                    throw;
                }
                bytes.pop_back();
                if (index)
                    platform::atomicWriteFile(indexFile(file), indexBytes(date), flush);
                dirty = false;
            }
        } catch (...) {
            handle.close();
            throw;
        }
        handle.close();
    }

    std::string indexBytes(Date date) const
    {
        std::vector<MdxEntry> entries;
        entries.reserve(liveRows);
        const Field& field = fields[index->field];
        for (std::size_t row = 0; row < rows; ++row)
            if (isLive(row))
                entries.push_back(
                    MdxEntry {numberValue(field.storage,
                                          storedRow(row).substr(field.layout.offset,
                                                                static_cast<std::size_t>(field.layout.def.width))),
                              static_cast<std::uint32_t>(row + 1)});
        return buildNumericMdx(name, index->tag, field.layout.def.name, std::move(entries), date);
    }
};

void createTable(const fs::path& dbfFile, const std::vector<FieldDef>& fields, const std::optional<IndexDef>& index)
{
    const std::vector<FieldDef> stored = checkedFields(dbfFile, fields);
    const int indexedField = index ? checkedIndexField(dbfFile, stored, *index) : -1;
    checkNotHeld(dbfFile);
    const Date date = today();
    std::string content = level7Header(stored, indexedField, 0, date);
    content.push_back(endOfFile);
    platform::atomicWriteFile(dbfFile, content);
    if (index)
        platform::atomicWriteFile(indexFile(dbfFile),
                                  buildNumericMdx(tableName(dbfFile), upperCase(index->tag),
                                                  stored[static_cast<std::size_t>(indexedField)].name, {}, date));
}

void deleteTableFiles(const fs::path& folder, std::string_view tableName)
{
    const fs::path dbf = tableFile(folder, tableName);
    checkNotHeld(dbf);
    platform::removeFile(dbf);
    platform::removeFile(folder / (upperCase(tableName) + ".MDX"));
}

fs::path tableFile(const fs::path& folder, std::string_view tableName)
{
    return folder / (upperCase(tableName) + ".DBF");
}

namespace {

// A table object over the held file and its bytes, as the file says it is laid out.
std::unique_ptr<Table::Impl> tableOver(const fs::path& dbfFile, platform::ExclusiveFile&& handle, std::string bytes)
{
    auto impl = std::make_unique<Table::Impl>(dbfFile, std::move(handle));
    impl->layout = readLayout(bytes, impl->label);
    const TableLayout& layout = impl->layout;
    for (const FieldLayout& field : layout.fields) {
        impl->fields.push_back(Table::Impl::Field {field, storageOf(field.def.type, layout.flavour)});
        impl->defs.push_back(field.def);
    }
    impl->locateIndexes.resize(impl->fields.size());
    impl->capitalNames = std::all_of(impl->defs.begin(), impl->defs.end(), [](const FieldDef& def) {
        return std::none_of(def.name.begin(), def.name.end(), [](char c) { return c >= 'a' && c <= 'z'; });
    });
    impl->rows = layout.recordCount;
    // The file's own buffer becomes the table: no second copy of a large table. What follows
    // the rows (the end mark) goes.
    bytes.resize(layout.headerLength + impl->rows * layout.recordLength);
    impl->bytes = std::move(bytes);
    for (std::size_t row = 0; row < impl->rows; ++row)
        if (impl->isLive(row))
            ++impl->liveRows;
    impl->current = impl->liveFrom(0);
    return impl;
}

} // namespace

Table Table::open(const fs::path& dbfFile, platform::Flush flush)
{
    const std::string label = tableLabel(dbfFile);
    std::error_code error;
    if (!fs::exists(dbfFile, error))
        throw Error("No existe la tabla " + label + ".");
    std::optional<platform::ExclusiveFile> handle;
    try {
        handle.emplace(dbfFile);
    } catch (const platform::FileInUse&) {
        throw platform::FileInUse("La tabla " + label + " está abierta por otro programa.");
    }
    std::string bytes = handle->readAll();
    std::unique_ptr<Impl> impl = tableOver(dbfFile, std::move(*handle), std::move(bytes));
    impl->decideWritable();
    impl->flush = flush;
    return Table(std::move(impl));
}

Table Table::create(const fs::path& dbfFile, const std::vector<FieldDef>& fields, const std::optional<IndexDef>& index,
                    platform::Flush flush)
{
    const std::vector<FieldDef> stored = checkedFields(dbfFile, fields);
    const int indexedField = index ? checkedIndexField(dbfFile, stored, *index) : -1;
    std::string bytes = level7Header(stored, indexedField, 0, today());
    bytes.push_back(endOfFile);
    platform::ExclusiveFile handle(dbfFile, platform::ExclusiveFile::Mode::CreateNew);
    std::unique_ptr<Impl> impl = tableOver(dbfFile, std::move(handle), std::move(bytes));
    // A level 7 table of the kinds checkedFields admits, with the index as asked: whatever index
    // file lies beside it is replaced on closing.
    if (index)
        impl->index = Impl::Index {static_cast<std::size_t>(indexedField), upperCase(index->tag)};
    // Nothing is on disk yet but an empty file: closing stores the table, rows or not.
    impl->dirty = true;
    impl->flush = flush;
    impl->writesAhead = true;
    return Table(std::move(impl));
}

Table::Table(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl))
{
}

Table::Table(Table&&) noexcept = default;

Table& Table::operator=(Table&& other) noexcept
{
    if (this != &other) {
        if (impl_) {
            try {
                impl_->close();
            } catch (...) {
                // As in the destructor: only close() reports.
            }
        }
        impl_ = std::move(other.impl_);
    }
    return *this;
}

Table::~Table()
{
    if (!impl_)
        return;
    try {
        impl_->close();
    } catch (...) {
        // A destructor must not throw; close() is the place that reports.
    }
}

void Table::close()
{
    if (impl_)
        impl_->close();
}

bool Table::isOpen() const
{
    return impl_ && impl_->handle.isOpen();
}

const std::string& Table::name() const
{
    static const std::string none;
    return impl_ ? impl_->name : none;
}

const std::vector<FieldDef>& Table::fields() const
{
    static const std::vector<FieldDef> none;
    return impl_ ? impl_->defs : none;
}

bool Table::hasField(std::string_view name) const
{
    if (!impl_)
        return false;
    for (const FieldDef& field : impl_->defs)
        if (sameName(field.name, name))
            return true;
    return false;
}

void Table::first()
{
    live().settle();
    impl_->gather();
    impl_->current = impl_->liveFrom(0);
}

void Table::next()
{
    live().settle();
    impl_->gather();
    if (impl_->current < impl_->rows)
        impl_->current = impl_->liveFrom(impl_->current + 1);
}

bool Table::eof() const
{
    const Impl& impl = live();
    return impl.state != Impl::State::Insert && impl.current >= impl.rows;
}

std::size_t Table::recordCount() const
{
    return live().liveRows;
}

std::string Table::text(std::string_view field) const
{
    const auto [storage, bytes] = readable().value(field);
    return textValue(storage, bytes);
}

std::int64_t Table::integer(std::string_view field) const
{
    const auto [storage, bytes] = readable().value(field);
    return integerValue(storage, bytes);
}

double Table::number(std::string_view field) const
{
    const auto [storage, bytes] = readable().value(field);
    return numberValue(storage, bytes);
}

bool Table::logical(std::string_view field) const
{
    const auto [storage, bytes] = readable().value(field);
    return logicalValue(storage, bytes);
}

bool Table::isBlank(std::string_view field) const
{
    const auto [storage, bytes] = readable().value(field);
    return isBlankValue(storage, bytes);
}

void Table::append()
{
    Impl& impl = live();
    impl.checkWritable();
    impl.settle();
    // A blank row is the same every time: made once, copied for each row appended.
    if (impl.blankRow.empty()) {
        impl.blankRow.assign(impl.recordLength(), liveFlag);
        for (const Impl::Field& field : impl.fields)
            writeBlank(field.storage, impl.blankRow.data() + field.layout.offset,
                       static_cast<std::size_t>(field.layout.def.width));
    }
    impl.buffer.assign(impl.blankRow);
    impl.state = Impl::State::Insert;
}

void Table::reserve(std::size_t rows)
{
    Impl& impl = live();
    // One byte more for the end mark that closing adds. A table that writes ahead holds a piece
    // at most.
    std::size_t rowBytes = rows * impl.recordLength();
    if (impl.writesAhead)
        rowBytes = std::min(rowBytes, Impl::writeAheadPiece + impl.recordLength());
    impl.bytes.reserve(impl.layout.headerLength + rowBytes + 1);
}

void Table::edit()
{
    Impl& impl = live();
    impl.checkWritable();
    if (impl.state != Impl::State::Browse)
        return;
    impl.gather();
    if (impl.current >= impl.rows)
        throw Error("La tabla " + impl.label + " está al final: no hay fila actual que editar.");
    impl.buffer.assign(impl.storedRow(impl.current));
    impl.state = Impl::State::Edit;
}

void Table::setText(std::string_view field, std::string_view cp1252)
{
    const auto [target, bytes] = live().target(field);
    const auto width = static_cast<std::size_t>(target->layout.def.width);
    switch (target->layout.def.type) {
    case FieldType::Character: {
        const std::size_t size = std::min(cp1252.size(), width);
        std::memcpy(bytes, cp1252.data(), size);
        std::memset(bytes + size, ' ', width - size);
        break;
    }
    case FieldType::Logical:
        if (cp1252.empty())
            bytes[0] = ' ';
        else
            setLogical(field, cp1252[0] == 'T' || cp1252[0] == 't' || cp1252[0] == 'Y' || cp1252[0] == 'y');
        break;
    case FieldType::Integer:
        if (cp1252.empty())
            writeBlank(target->storage, bytes, width);
        else
            setInteger(field, text::parseInteger(cp1252));
        break;
    case FieldType::Double: {
        std::string normal;
        if (cp1252.empty())
            writeBlank(target->storage, bytes, width);
        else if (normalisedDecimal(text::trimControls(cp1252), normal)) {
            double value = 0;
            std::from_chars(normal.data(), normal.data() + normal.size(), value);
            setDouble(field, value);
        } else
            setDouble(field, text::parseDecimalComma(cp1252));
        break;
    }
    default:
        live().refuse(*target, "texto");
    }
}

void Table::setLogical(std::string_view field, bool value)
{
    const auto [target, bytes] = live().target(field);
    switch (target->layout.def.type) {
    case FieldType::Logical:
        bytes[0] = value ? 'T' : 'F';
        break;
    case FieldType::Character:
        setText(field, value ? "T" : "F");
        break;
    default:
        live().refuse(*target, "un valor lógico");
    }
}

void Table::setInteger(std::string_view field, std::int32_t value)
{
    const auto [target, bytes] = live().target(field);
    switch (target->layout.def.type) {
    case FieldType::Integer:
        // Its bytes would be those of a blank: the type's range stops at -2147483647.
        if (value == std::numeric_limits<std::int32_t>::min())
            live().refuse(*target, "el valor -2147483648");
        encodeSortableInteger(value, bytes);
        break;
    case FieldType::Double:
        encodeSortableDouble(value, bytes);
        break;
    case FieldType::Character:
        setText(field, text::integerText(value));
        break;
    default:
        live().refuse(*target, "un número entero");
    }
}

void Table::setDouble(std::string_view field, double value)
{
    const auto [target, bytes] = live().target(field);
    if (!std::isfinite(value))
        live().refuse(*target, "un valor que no es un número finito");
    switch (target->layout.def.type) {
    case FieldType::Double:
        encodeSortableDouble(value, bytes);
        break;
    case FieldType::Integer: {
        const double rounded = std::round(value);
        if (rounded < -2147483647.0 || rounded > 2147483647.0)
            live().refuse(*target, "el valor " + text::numberText(value) + ", fuera del intervalo de un entero");
        encodeSortableInteger(static_cast<std::int32_t>(rounded), bytes);
        break;
    }
    case FieldType::Character:
        setText(field, text::numberText(value));
        break;
    default:
        live().refuse(*target, "un número");
    }
}

void Table::post()
{
    live().post();
}

bool Table::locate(std::string_view field, std::string_view value)
{
    Impl& impl = live();
    impl.settle();
    impl.gather();
    const std::optional<std::uint32_t> row = impl.locateIndex(impl.fieldIndex(field)).first(value);
    if (!row)
        return false;
    impl.current = *row;
    return true;
}

Table::Impl& Table::live()
{
    if (!impl_)
        throw Error("La tabla no está abierta.");
    impl_->checkOpen();
    return *impl_;
}

Table::Impl& Table::readable() const
{
    // Reading leaves the table as it is; where its rows lie is the table's own business, so a
    // const reader may gather them.
    live();
    impl_->gather();
    return *impl_;
}

const Table::Impl& Table::live() const
{
    if (!impl_)
        throw Error("La tabla no está abierta.");
    impl_->checkOpen();
    return *impl_;
}

} // namespace quelvane::dbase

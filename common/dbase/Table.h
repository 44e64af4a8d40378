#pragma once

#include "common/dbase/Field.h"
#include "common/platform/Files.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The table engine: creates working tables as dBase level 7 files, and opens tables that this
// program or another one wrote (levels 3 to 5, 7 and the FoxPro family). Text in and out is
// Windows-1252 bytes. Every failure throws quelvane::Error with a sentence that names the table.
namespace quelvane::dbase {

// Creates an empty level 7 table with exactly these fields in this order, replacing any file of
// that name; with an index, also the production index <TABLE>.MDX holding its one tag.
void createTable(const std::filesystem::path& dbfFile, const std::vector<FieldDef>& fields,
                 const std::optional<IndexDef>& index = std::nullopt);

// Deletes <folder>/<NAME>.DBF and then <folder>/<NAME>.MDX where they exist.
void deleteTableFiles(const std::filesystem::path& folder, std::string_view tableName);

// <folder>/<NAME>.DBF
std::filesystem::path tableFile(const std::filesystem::path& folder, std::string_view tableName);

class Table {
public:
    // Opens for exclusive use: while it is open no other Table of this or another process can
    // open it. Throws when the file is missing, held by another, or contradicts itself.
    // With Flush::Later, closing stores the changes without waiting for the disk: the caller
    // flushes the table and its index file (platform::syncFileData) before relying on them.
    static Table open(const std::filesystem::path& dbfFile, platform::Flush flush = platform::Flush::Now);

    // createTable and open in one, for a table built in a folder of its own: the file, which must
    // not exist yet, is made and held; closing stores the table (and its index), rows or not,
    // flushed to disk then, or by the caller with Flush::Later. Appended rows may be written to
    // the file in pieces before that, so that a large table is never whole in memory; until
    // closing, the file is no table. Throws when a file of that name exists.
    static Table create(const std::filesystem::path& dbfFile, const std::vector<FieldDef>& fields,
                        const std::optional<IndexDef>& index = std::nullopt,
                        platform::Flush flush = platform::Flush::Now);

    Table(Table&&) noexcept;
    Table& operator=(Table&&) noexcept;
    ~Table(); // closes; errors on this path are swallowed, so call close() to see them
    // Stores every posted change (and the production index) and releases the file.
    void close();
    bool isOpen() const;

    const std::string& name() const; // "PROFT"
    const std::vector<FieldDef>& fields() const;
    bool hasField(std::string_view name) const;

    // Navigation over the live (not deleted) rows, in the order in which they were written.
    void first();
    void next();
    bool eof() const;
    std::size_t recordCount() const; // live rows

    // Reading the current row. Field names are matched ignoring letter case; a missing field
    // throws an error naming the field and the table.
    // Text: a character field without its filling blanks; a numeric field as plain decimal
    // ("5", "2.5"; empty when blank); a logical as "T"/"F"/""; a date as YYYYMMDD; a timestamp
    // as "YYYY-MM-DD hh:mm:ss"; a memo as empty text (memo files are not read).
    std::string text(std::string_view field) const;
    // Whole number: a numeric field's value truncated toward zero; 0 when blank. A character
    // field's text is converted as text::parseInteger does, with its error when it is no number.
    std::int64_t integer(std::string_view field) const;
    // Number: 0 when blank. A character field's text is converted as text::parseDecimalComma does.
    double number(std::string_view field) const;
    // Not set (blank, "?") reads false.
    bool logical(std::string_view field) const;
    bool isBlank(std::string_view field) const;

    // Writing: append() adds a blank row at the end and makes it current; edit() makes the
    // current row editable; set* change the row being edited; post() stores it. Moving (first,
    // next, locate) posts a pending row, as the platform does; closing drops it. Only level 7
    // tables of the kinds createTable makes can be changed: others throw on append() and edit().
    void append();
    // Room for `rows` rows in all, so that appending up to that many moves nothing already stored;
    // an overestimate costs address space only.
    void reserve(std::size_t rows);
    void edit();
    void setText(std::string_view field, std::string_view cp1252); // cut to the width, silently
    void setLogical(std::string_view field, bool value);
    void setInteger(std::string_view field, std::int32_t value);
    void setDouble(std::string_view field, double value);
    void post();

    // Makes current the first row, in table order, whose field read as text equals value
    // exactly (letter case significant). Returns false, leaving the position unchanged, when
    // no row has it.
    bool locate(std::string_view field, std::string_view value);

    struct Impl;

private:
    explicit Table(std::unique_ptr<Impl> impl);
    Impl& live(); // the open table, or an error saying it is not open
    const Impl& live() const;
    Impl& readable() const; // live(), with every stored row in memory
    std::unique_ptr<Impl> impl_;
};

} // namespace quelvane::dbase

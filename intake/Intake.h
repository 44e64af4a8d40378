#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The intake run: rebuilds the working tables from a centre document. The window and the
// command line both call runIntake and show the same summary.
namespace quelvane::intake {

struct TableRows {
    std::string table; // "ASIGNOMT"
    int rows = 0;
    bool operator==(const TableRows&) const = default;
};

// An element that the run left out of its table, and why.
struct LeftOut {
    std::string loader; // "CargarMaterias"
    std::string code; // the element's code, UTF-8
    std::string reason; // a Spanish sentence, UTF-8
    bool operator==(const LeftOut&) const = default;
};

// An element loaded under a key other than its own code (numbered, shortened, or taken from its
// name), so that the staff can find it under that key in the timetabling program.
struct ShortCode {
    std::string table; // "AULAT"
    std::string code; // the element's code, UTF-8; empty when it has none
    std::string shortCode; // the key stored in the table, UTF-8
    std::string name; // the element's name, UTF-8, where the table keeps one
    bool operator==(const ShortCode&) const = default;
};

// Where the files that an intake replaced were copied before, so that the intake can be undone.
struct BackupNote {
    std::string id;
    std::filesystem::path folder;
    std::filesystem::path workingFolder;
};

struct IntakeSummary {
    std::vector<TableRows> tables; // in the order the loaders wrote them
    std::vector<LeftOut> leftOut;
    std::vector<ShortCode> shortCodes;
    std::optional<BackupNote> backup; // set by runIntake; nothing in a dry run
};

// All or nothing: on success every working table is replaced; on any error (thrown as
// quelvane::Error, or quelvane::MissingInput when the document does not exist) every file of
// the working folder is as it was before. The files that it replaces or removes are first copied
// into a new backup (intake/Backup.h); a backup that cannot be made stops the run.
IntakeSummary runIntake(const std::filesystem::path& centreDocument, const std::filesystem::path& workingFolder);

// The summary as lines of Spanish text for the window's details and the command line.
std::string describe(const IntakeSummary& summary);
// The summary as a JSON object, for scripts.
std::string toJson(const IntakeSummary& summary);

} // namespace quelvane::intake

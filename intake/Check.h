#pragma once

#include "intake/Intake.h"

#include <filesystem>
#include <string>
#include <vector>

// The dry run of an intake: what it would load, and how the new tables differ from those of the
// working folder, so that a centre document of the wrong school or year is seen before it
// replaces anything.
namespace quelvane::intake {

struct ChangedRow {
    std::string key; // UTF-8
    std::vector<std::string> fields; // the fields whose values differ, in table order
};

// One table of the working folder against the one the intake would build. Rows are matched by
// the table's key (ASIGT: group and subject); rows that share a key are matched in table order,
// and the second and later of them are shown with " #2", " #3".
struct TableDifference {
    std::string table; // "ASIGNOMT"
    std::string key; // the key fields, "COD" or "CGRUP+CASIG"
    bool currentExists = false;
    int currentRows = 0;
    std::string unreadable; // why the current table could not be compared; empty when it was
    std::vector<std::string> added;
    std::vector<std::string> removed;
    std::vector<ChangedRow> changed;
};

struct CheckReport {
    IntakeSummary summary; // as runIntake would return it, without a backup
    std::filesystem::path workingFolder;
    std::vector<TableDifference> tables; // in the order the loaders write them
    std::vector<std::string> deletedFiles; // files of the working folder that the intake would remove
};

// Runs the whole intake into a scratch folder outside the working folder and compares. Throws
// what runIntake would throw, short of a failure to write (MissingInput when the document does
// not exist); the working folder is only read.
CheckReport checkIntake(const std::filesystem::path& centreDocument, const std::filesystem::path& workingFolder);

// The report as lines of Spanish text, and as a JSON object whose "summary" is runIntake's.
std::string describe(const CheckReport& report);
std::string toJson(const CheckReport& report);

} // namespace quelvane::intake

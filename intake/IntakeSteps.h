#pragma once

#include "common/xml/Document.h"
#include "intake/Intake.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The steps that the real intake and its dry run share, so that the dry run shows exactly what
// the real one would do.
namespace quelvane::intake {

// The tables the loaders write, in the order they write them.
inline constexpr std::string_view builtTables[]
    = {"ASIGNOMT", "PROFT", "AULAT", "GRUPOST", "DIASHORAST", "COUNTSES", "ASIGT"};

// Every file that intake replaces or removes, in upper case: the seven tables and their index
// files, and CURSOST, which is derived from the groups and would contradict the new ones, so it
// goes without a replacement.
std::vector<std::string> intakeFileNames();

// The centre document, with everything that can be found wrong with it before any table is built.
// Throws MissingInput when there is no such file. `seen`, when given, is shown every piece of the
// file as it is read.
xml::Document loadCentreDocument(const std::filesystem::path& file,
                                 const std::function<void(std::string_view)>& seen = {});

// Throws when the working folder is not there.
void requireWorkingFolder(const std::filesystem::path& workingFolder);

// Runs the seven loaders, which create their tables in `folder`, and counts the rows. The tables
// are written but not yet flushed to disk: see flushTables.
IntakeSummary buildTables(const xml::Document& document, const std::filesystem::path& folder);

// Flushes to disk every file that buildTables wrote in `folder`.
void flushTables(const std::filesystem::path& folder);

} // namespace quelvane::intake

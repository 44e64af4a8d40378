#pragma once

#include "TestFiles.h"
#include "common/xml/Document.h"
#include "intake/Intake.h"
#include "intake/IntakeContext.h"

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Helpers of the intake tests: folders that clean up after themselves, documents written from
// strings, and tables read back through the engine.
namespace quelvane::intake::testsupport {

using quelvane::testsupport::snapshot;
using quelvane::testsupport::TempFolder;
using quelvane::testsupport::writeFile;

// "<Centro>" + body + "</Centro>" with an XML declaration naming UTF-8.
std::string centre(std::string_view body);

// Loaders run one after another on one document, in a folder of their own, sharing one context.
struct LoaderRun {
    explicit LoaderRun(std::string_view documentText);
    TempFolder folder;
    xml::Document document;
    IntakeSummary summary;
    IntakeContext context;
};

// One field of every row, as text, in table order (Windows-1252 turned into UTF-8).
std::vector<std::string> column(const std::filesystem::path& folder, std::string_view table, std::string_view field);

// A readable picture of a whole table: a first line with the layout ("COD C10, ESTAREA L1, ..."),
// then one line per row, "FIELD=value|FIELD=value", values as the engine reads them as text, in
// UTF-8.
std::string dumpTable(const std::filesystem::path& dbfFile);

} // namespace quelvane::intake::testsupport

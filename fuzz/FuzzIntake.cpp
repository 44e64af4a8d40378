// Intake of an arbitrary centre document into a working folder that already holds the host's
// files: either every table is rebuilt and reads back, or the run stops with a clear error and
// the working folder is byte for byte as it was.
#include "FuzzSupport.h"
#include "common/Error.h"
#include "common/dbase/Table.h"
#include "intake/Intake.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

using namespace quelvane;
using namespace quelvane::fuzz;
namespace fs = std::filesystem;

namespace {

const ScratchFolder& scratch()
{
    static const ScratchFolder folder("intake");
    // Backups of the working folder stay inside the harness's own folder.
    ::setenv("QUELVANE_BACKUP_DIR", (folder.path() / "copias").c_str(), 1);
    return folder;
}

void checkMessage(const std::string& message)
{
    if (message.empty() || !validUtf8(message))
        broken("an error without a readable message: «" + message + "»");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const ScratchFolder& folder = scratch();
    folder.empty();
    const fs::path document = folder.path() / "centro.xml";
    const fs::path work = folder.path() / "vtemp";
    fs::create_directory(work);
    writeFile(document, bytesOf(data, size));
    writeFile(work / "CURSOST.DBF", "the host's courses");
    writeFile(work / "notas.txt", "the school's own notes");
    const auto before = snapshot(work);

    std::optional<intake::IntakeSummary> summary;
    try {
        summary = intake::runIntake(document, work);
    } catch (const Error& error) {
        checkMessage(error.what());
        if (snapshot(work) != before)
            broken(std::string("a failed intake changed the working folder: ") + error.what());
        return 0;
    }
    try {
        for (const intake::TableRows& table : summary->tables)
            if (walkTable(dbase::tableFile(work, table.table)) != static_cast<std::size_t>(table.rows))
                broken("table " + table.table + " does not hold the rows the summary counts");
    } catch (const Error& error) {
        broken(std::string("a table that intake wrote does not read back: ") + error.what());
    }
    const auto after = snapshot(work);
    if (after.contains("CURSOST.DBF") || !after.contains("notas.txt")
        || after.at("notas.txt") != before.at("notas.txt"))
        broken("intake removed the wrong files");
    for (const auto& [name, bytes] : after)
        if (name.starts_with('.'))
            broken("intake left " + name + " behind");
    checkMessage(intake::describe(*summary));
    checkMessage(intake::toJson(*summary));
    return 0;
}

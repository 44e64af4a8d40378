// Delivery of an arbitrary centre document against an arbitrary SOLUC, beside the working tables
// of the example's intake. The input is a 4-byte little-endian length, that many bytes of
// document and the rest as SOLUC.DBF. Either the timetable document is written and loads again,
// or the run stops with a clear error, the earlier timetable document as it was; the working
// tables never change.
#include "FuzzSupport.h"
#include "common/Error.h"
#include "common/WorkingTables.h"
#include "common/dbase/Table.h"
#include "common/xml/Document.h"
#include "delivery/Delivery.h"
#include "intake/Intake.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

using namespace quelvane;
using namespace quelvane::fuzz;
namespace fs = std::filesystem;

namespace {

constexpr std::time_t someMoment = 1'726'000'000;
constexpr std::string_view earlierOutput = "<Centro><horario/></Centro>";

// The working tables of the example, made once per process.
struct WorkingTables {
    ScratchFolder scratch {"delivery"};
    fs::path work = scratch.path() / "vtemp";
    fs::path documents = scratch.path() / "documentos";
    std::map<std::string, std::string> tables;

    WorkingTables()
    {
        ::setenv("QUELVANE_BACKUP_DIR", (scratch.path() / "copias").c_str(), 1);
        fs::create_directory(work);
        fs::create_directory(documents);
        intake::runIntake(fs::path(QUELVANE_FUZZ_EXAMPLE), work);
        tables = snapshot(work);
    }
};

void checkMessage(const std::string& message)
{
    if (message.empty() || !validUtf8(message))
        broken("an error without a readable message: «" + message + "»");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const WorkingTables folder;
    const std::string_view input = bytesOf(data, size);
    std::size_t documentLength = input.size();
    std::string_view rest;
    if (input.size() >= 4) {
        const auto byte = [&](std::size_t i) { return static_cast<std::size_t>(static_cast<unsigned char>(input[i])); };
        documentLength = std::min(byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24, input.size() - 4);
        rest = input.substr(4);
    }
    const std::string_view documentBytes = input.size() >= 4 ? rest.substr(0, documentLength) : input;
    const std::string_view solucBytes = input.size() >= 4 ? rest.substr(documentLength) : std::string_view();

    for (const fs::directory_entry& entry : fs::directory_iterator(folder.documents))
        fs::remove_all(entry.path());
    const fs::path document = folder.documents / "centro.xml";
    const fs::path soluc = dbase::tableFile(folder.work, tables::SOLUC);
    writeFile(document, documentBytes);
    writeFile(delivery::outputPathFor(document), earlierOutput);
    writeFile(soluc, solucBytes);
    const auto before = snapshot(folder.documents);

    std::optional<delivery::DeliverySummary> summary;
    try {
        summary = delivery::runDelivery(document, folder.work, someMoment);
    } catch (const Error& error) {
        checkMessage(error.what());
        if (snapshot(folder.documents) != before)
            broken(std::string("a failed delivery changed the documents' folder: ") + error.what());
    }
    if (summary) {
        try {
            if (xml::Document::load(summary->outputFile).documentElement().name() != "Centro")
                broken("the timetable document's root is not Centro");
        } catch (const Error& error) {
            broken(std::string("the timetable document does not load again: ") + error.what());
        }
        if (snapshot(folder.documents).size() != 2)
            broken("delivery left a file beside the timetable document");
        checkMessage(delivery::describe(*summary));
        checkMessage(delivery::toJson(*summary));
    }
    fs::remove(soluc);
    if (snapshot(folder.work) != folder.tables)
        broken("delivery changed the working tables");
    return 0;
}

#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

// The delivery run: writes the timetable document from SOLUC and the working tables. The
// window and the command line both call runDelivery and show the same summary.
namespace quelvane::delivery {

// Rows of SOLUC that gave no element, for one reason.
struct PassedOver {
    std::string id; // stable name for scripts: "notPlaced", "groupNotFound", ...
    std::string reason; // "no colocada", "grupo no encontrado", ...
    int rows = 0;
    // The first few rows' keys as ASIG/CODGRUPO/DIA/HORA, UTF-8.
    std::vector<std::string> firstKeys;
};

struct DeliverySummary {
    std::filesystem::path outputFile;
    int lessons = 0;
    int tasks = 0;
    // Always the four reasons, in the order of the checks: not placed, group, subject, slot.
    std::vector<PassedOver> passedOver;
};

// "ResultadoVortimo" followed by the document's file name, in the document's folder.
std::filesystem::path outputPathFor(const std::filesystem::path& centreDocument);

// Throws quelvane::MissingInput when the centre document or SOLUC.DBF does not exist, and
// quelvane::Error for every other failure; the output file is then as it was before.
DeliverySummary runDelivery(const std::filesystem::path& centreDocument, const std::filesystem::path& workingFolder,
                            std::time_t now);

std::string describe(const DeliverySummary& summary);
std::string toJson(const DeliverySummary& summary);

} // namespace quelvane::delivery

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
    std::string reason; // "no colocada", "grupo no encontrado", ...
    int rows = 0;
    std::vector<std::string> firstKeys; // the first few rows' keys, UTF-8
};

struct DeliverySummary {
    std::filesystem::path outputFile;
    int lessons = 0;
    int tasks = 0;
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

#include "common/text/Json.h"
#include "delivery/Delivery.h"
#include "delivery/PathText.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace quelvane::delivery {

namespace {

std::string keyList(const PassedOver& entry)
{
    std::string list;
    for (const std::string& key : entry.firstKeys) {
        if (!list.empty())
            list += ", ";
        list += key;
    }
    if (entry.rows > static_cast<int>(entry.firstKeys.size()))
        list += ", …";
    return list;
}

} // namespace

std::string describe(const DeliverySummary& summary)
{
    std::string text = "Actividades escritas: " + std::to_string(summary.lessons + summary.tasks) + " ("
        + std::to_string(summary.lessons) + " clases y " + std::to_string(summary.tasks) + " tareas).\n";
    int passedOver = 0;
    for (const PassedOver& entry : summary.passedOver)
        passedOver += entry.rows;
    if (passedOver == 0) {
        text += "Filas de SOLUC sin actividad: ninguna.\n";
    } else {
        text += "Filas de SOLUC sin actividad: " + std::to_string(passedOver) + ".\n";
        for (const PassedOver& entry : summary.passedOver) {
            if (entry.rows > 0)
                text += "  " + entry.reason + ": " + std::to_string(entry.rows) + " (" + keyList(entry) + ")\n";
        }
    }
    text += "Documento de horario: " + pathText(summary.outputFile) + "\n";
    return text;
}

std::string toJson(const DeliverySummary& summary)
{
    std::string json = "{\"outputFile\":";
    json += text::jsonString(pathText(summary.outputFile));
    json += ",\"lessons\":" + std::to_string(summary.lessons);
    json += ",\"tasks\":" + std::to_string(summary.tasks);
    json += ",\"passedOver\":[";
    bool firstEntry = true;
    for (const PassedOver& entry : summary.passedOver) {
        json += firstEntry ? "" : ",";
        firstEntry = false;
        json += "{\"id\":";
        json += text::jsonString(entry.id);
        json += ",\"reason\":";
        json += text::jsonString(entry.reason);
        json += ",\"rows\":" + std::to_string(entry.rows) + ",\"firstKeys\":[";
        for (std::size_t i = 0; i < entry.firstKeys.size(); ++i) {
            json += i == 0 ? "" : ",";
            json += text::jsonString(entry.firstKeys[i]);
        }
        json += "]}";
    }
    json += "]}";
    return json;
}

} // namespace quelvane::delivery

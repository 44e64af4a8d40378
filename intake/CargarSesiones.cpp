#include "common/Error.h"
#include "common/WorkingTables.h"
#include "common/text/Text.h"
#include "intake/IntakeContext.h"
#include "intake/LoaderFrame.h"
#include "intake/SessionRules.h"

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace quelvane::intake {

namespace {

namespace field = tables::field;

constexpr std::string_view loaderName = "CargarSesiones";

// One usable Sesion: its slot entry, the key it sorts by, and how a message names it.
struct SlotCandidate {
    std::string entry;
    std::string sortKey;
    std::string session; // UTF-8
};

std::vector<dbase::FieldDef> slotTableFields()
{
    return {
        characterField(field::DIHO, 10),     characterField(field::CODDIHO, 10),  characterField(field::DIA, 20),
        characterField(field::TEXTODIA, 20), characterField(field::HORA, 8),      characterField(field::TEXTOHOR, 15),
        characterField(field::HORADESDE, 8), characterField(field::HORAHASTA, 8), characterField(field::MINUTOS, 8),
        characterField(field::MARCO, 1),     characterField(field::MARCOXML, 10)};
}

std::string describeSession(const std::string& dia, const std::string& start, const std::string& end)
{
    std::string times = start + "-" + end;
    return text::toUtf8(dia.empty() ? times : dia + " " + times);
}

// The slot entries of the usable sessions, ordered as the slot table lists them: by day, start
// and end, letter case aside, equal entries in document order.
std::vector<SlotCandidate> collectSlots(IntakeContext& context)
{
    std::vector<SlotCandidate> slots;
    const std::vector<xml::Element> sessions = context.DocXML.selectNodes("/Centro/Sesiones/Sesion");
    if (!holdsData(sessions.size())) {
        return slots;
    }
    slots.reserve(sessions.size());
    for (const xml::Element& element : sessions) {
        const AttributeReader attribute(element);
        const std::string dia = attribute("Dia");
        const std::string start = attribute("HoraInicio");
        const std::string end = attribute("HoraFin");
        const std::optional<int> day = dayNumber(dia);
        if (!day) {
            // Without a day number the session has no place in the week: DIA, DIHO and the
            // day's name all come from it.
            context.summary.leftOut.push_back(
                {std::string(loaderName), describeSession(dia, start, end),
                 dia.empty() ? std::string("la sesión no tiene día")
                             : "el día «" + text::toUtf8(dia) + "» no empieza por L, M, X, J, V, S ni D"});
            continue;
        }
        std::string entry = slotEntry(*day, start, end);
        std::string sortKey = text::foldCase(entry);
        slots.push_back({std::move(entry), std::move(sortKey), describeSession(dia, start, end)});
    }
    std::stable_sort(slots.begin(), slots.end(),
                     [](const SlotCandidate& a, const SlotCandidate& b) { return a.sortKey < b.sortKey; });
    return slots;
}

SlotFields readSlot(const SlotCandidate& slot)
{
    try {
        return readSlotEntry(slot.entry);
    } catch (const Error& error) {
        throw Error(std::string(error.what()) + " (sesión " + slot.session + ")");
    }
}

// Each distinct slot length with the number of slots that have it, in order of first occurrence.
std::vector<std::pair<std::string, std::int32_t>> countLengths(const std::vector<std::string>& lengths)
{
    std::vector<std::pair<std::string, std::int32_t>> counts;
    std::unordered_map<std::string, std::size_t> rowOf;
    for (const std::string& length : lengths) {
        const auto [found, isNew] = rowOf.try_emplace(length, counts.size());
        if (isNew) {
            counts.emplace_back(length, 0);
        }
        ++counts[found->second].second;
    }
    return counts;
}

} // namespace

void CargarSesiones(IntakeContext& context)
{
    dbase::Table slotTable = createLoaderTable(context.folder, tables::DIASHORAST, slotTableFields());
    const std::vector<SlotCandidate> slots = collectSlots(context);

    std::vector<std::string> lengths;
    lengths.reserve(slots.size());
    int currentDay = 0;
    int slotNumber = 0;
    for (const SlotCandidate& slot : slots) {
        const SlotFields fields = readSlot(slot);
        if (fields.day != currentDay) {
            currentDay = fields.day;
            slotNumber = 0;
        }
        ++slotNumber;
        const std::string dayText = text::integerText(fields.day);
        const std::string slotText = text::integerText(slotNumber);
        const std::string minutes = text::integerText(fields.minutes);

        slotTable.append();
        slotTable.setText(field::DIHO, dayText + slotText);
        slotTable.setText(field::DIA, dayText);
        slotTable.setText(field::TEXTODIA, dayName(fields.day));
        slotTable.setText(field::HORA, slotText);
        slotTable.setText(field::TEXTOHOR, slotText + "-" + fields.times);
        slotTable.setText(field::HORADESDE, fields.startTime);
        slotTable.setText(field::HORAHASTA, fields.endTime);
        slotTable.setText(field::MINUTOS, minutes);
        slotTable.setText(field::MARCO, "0");
        slotTable.post();
        lengths.push_back(minutes);
    }

    context.DuracionesSesion = {0, 0, 0};
    dbase::Table countTable = createLoaderTable(context.folder, tables::COUNTSES,
                                                {characterField(field::DURACION, 10), integerField(field::NSES)},
                                                dbase::IndexDef {std::string(field::NSES), std::string(field::NSES)});
    const auto counts = countLengths(lengths);
    for (std::size_t row = 0; row < counts.size(); ++row) {
        countTable.append();
        countTable.setText(field::DURACION, counts[row].first);
        countTable.setInteger(field::NSES, counts[row].second);
        countTable.post();
        if (row < context.DuracionesSesion.size()) {
            context.DuracionesSesion[row] = text::parseInteger(counts[row].first);
        }
    }

    closeLoaderTable(context, countTable);
    closeLoaderTable(context, slotTable);
}

} // namespace quelvane::intake

#include "IntakeTestSupport.h"
#include "common/Error.h"
#include "common/dbase/Table.h"
#include "common/text/Text.h"
#include "common/xml/Document.h"
#include "intake/IntakeContext.h"
#include "intake/SessionRules.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace quelvane::intake {
namespace {

namespace fs = std::filesystem;

// A Sesion as written in the document; an attribute left out is not written at all.
struct Session {
    std::optional<std::string> dia;
    std::optional<std::string> start;
    std::optional<std::string> end;
};

std::string sessionsDocument(const std::vector<Session>& sessions)
{
    std::string xml = "<Sesiones>";
    for (const Session& session : sessions) {
        xml += "<Sesion";
        if (session.dia)
            xml += " Dia=\"" + *session.dia + "\"";
        if (session.start)
            xml += " HoraInicio=\"" + *session.start + "\"";
        if (session.end)
            xml += " HoraFin=\"" + *session.end + "\"";
        xml += " Orden=\"1\"/>";
    }
    return testsupport::centre(xml + "</Sesiones>");
}

// CargarSesiones on its own, in a staging folder of its own.
struct SessionsRun : testsupport::LoaderRun {
    explicit SessionsRun(const std::vector<Session>& sessions)
        : LoaderRun(sessionsDocument(sessions))
    {
        // What an earlier run might have left: every run sets its own.
        context.DuracionesSesion = {7, 7, 7};
    }

    // Raw Windows-1252 text, so that the day names are checked byte for byte.
    std::vector<std::vector<std::string>> rows(std::string_view table, const std::vector<std::string>& fields) const
    {
        dbase::Table opened = dbase::Table::open(dbase::tableFile(folder.path(), table));
        std::vector<std::vector<std::string>> result;
        for (opened.first(); !opened.eof(); opened.next()) {
            std::vector<std::string> row;
            for (const std::string& field : fields)
                row.push_back(opened.text(field));
            result.push_back(std::move(row));
        }
        return result;
    }

    std::vector<std::pair<std::string, std::int64_t>> lengthCounts() const
    {
        dbase::Table opened = dbase::Table::open(dbase::tableFile(folder.path(), "COUNTSES"));
        std::vector<std::pair<std::string, std::int64_t>> result;
        for (opened.first(); !opened.eof(); opened.next())
            result.emplace_back(opened.text("DURACION"), opened.integer("NSES"));
        return result;
    }
};

using Rows = std::vector<std::vector<std::string>>;

TEST(SesionesLoader, WorkedExampleGivesSortedSlotsNumberedPerDay)
{
    SessionsRun run(
        {{"V", "08:00", "08:55"}, {"L", "09:50", "10:45"}, {"L", "08:00", "08:55"}, {"L", "08:55", "09:50"}});
    CargarSesiones(run.context);

    const Rows expected {
        {"11", "", "1", "Lunes", "1", "1-08:00-08:55", "08:00", "08:55", "55", "0", ""},
        {"12", "", "1", "Lunes", "2", "2-08:55-09:50", "08:55", "09:50", "55", "0", ""},
        {"13", "", "1", "Lunes", "3", "3-09:50-10:45", "09:50", "10:45", "55", "0", ""},
        {"51", "", "5", "Viernes", "1", "1-08:00-08:55", "08:00", "08:55", "55", "0", ""},
    };
    EXPECT_EQ(run.rows("DIASHORAST",
                       {"DIHO", "CODDIHO", "DIA", "TEXTODIA", "HORA", "TEXTOHOR", "HORADESDE", "HORAHASTA", "MINUTOS",
                        "MARCO", "MARCOXML"}),
              expected);
    EXPECT_EQ(run.lengthCounts(), (std::vector<std::pair<std::string, std::int64_t>> {{"55", 4}}));
    EXPECT_EQ(run.context.DuracionesSesion, (std::array<std::int32_t, 3> {55, 0, 0}));
    EXPECT_TRUE(run.summary.leftOut.empty());
}

struct SlotsCase {
    std::string name;
    std::vector<Session> sessions;
    Rows slots; // DIHO, MINUTOS
    std::vector<std::pair<std::string, std::int64_t>> lengths; // COUNTSES in written order
    std::array<std::int32_t, 3> durations;
};

class SesionesSlots : public testing::TestWithParam<SlotsCase> { };

TEST_P(SesionesSlots, WritesSlotsLengthsAndDurations)
{
    const SlotsCase& c = GetParam();
    SessionsRun run(c.sessions);
    CargarSesiones(run.context);

    EXPECT_EQ(run.rows("DIASHORAST", {"DIHO", "MINUTOS"}), c.slots);
    EXPECT_EQ(run.lengthCounts(), c.lengths);
    EXPECT_EQ(run.context.DuracionesSesion, c.durations);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SesionesSlots,
    testing::Values(SlotsCase {"NoSessions", {}, {}, {}, {0, 0, 0}},
                    SlotsCase {"OneSessionLoadsNothing", {{"L", "08:00", "08:55"}}, {}, {}, {0, 0, 0}},
                    // Friday stays day 5 with no Monday, Thursday before it; slots restart on each day.
                    SlotsCase {"SortedByDayStartAndEnd",
                               {{"X", "09:00", "10:00"},
                                {"V", "08:00", "09:00"},
                                {"X", "08:00", "09:00"},
                                {"M", "08:00", "08:30"},
                                {"X", "08:00", "08:45"}},
                               {{"21", "30"}, {"31", "45"}, {"32", "60"}, {"33", "60"}, {"51", "60"}},
                               {{"30", 1}, {"45", 1}, {"60", 3}},
                               {30, 45, 60}},
                    SlotsCase {"EqualSessionsBothKept",
                               {{"M", "08:00", "09:00"}, {"L", "08:00", "08:55"}, {"L", "08:00", "08:55"}},
                               {{"11", "55"}, {"12", "55"}, {"21", "60"}},
                               {{"55", 2}, {"60", 1}},
                               {55, 60, 0}},
                    SlotsCase {"LengthsInOrderOfFirstOccurrence",
                               {{"L", "11:20", "12:05"},
                                {"L", "08:55", "09:55"},
                                {"L", "08:00", "08:55"},
                                {"L", "10:50", "11:20"},
                                {"L", "09:55", "10:50"}},
                               {{"11", "55"}, {"12", "60"}, {"13", "55"}, {"14", "30"}, {"15", "45"}},
                               {{"55", 2}, {"60", 1}, {"30", 1}, {"45", 1}},
                               {55, 60, 30}},
                    SlotsCase {"EndBeforeStartGivesNegativeLength",
                               {{"L", "10:00", "09:00"}, {"L", "11:00", "11:30"}},
                               {{"11", "-60"}, {"12", "30"}},
                               {{"-60", 1}, {"30", 1}},
                               {-60, 30, 0}},
                    // Only the first character names the day: Miércoles begins with M, hence Tuesday.
                    SlotsCase {
                        "FirstCharacterOfDayOnly",
                        {{"Miércoles", "08:00", "09:00"}, {"Lunes", "08:00", "09:00"}, {" J ", "08:00", "09:00"}},
                        {{"11", "60"}, {"21", "60"}, {"41", "60"}},
                        {{"60", 3}},
                        {60, 0, 0}}),
    [](const testing::TestParamInfo<SlotsCase>& info) { return info.param.name; });

TEST(SesionesLoader, TenthSlotOfADay)
{
    std::vector<Session> sessions;
    for (int hour = 17; hour >= 8; --hour) {
        const std::string start = (hour < 10 ? "0" : "") + std::to_string(hour) + ":00";
        const std::string end = (hour < 10 ? "0" : "") + std::to_string(hour) + ":45";
        sessions.push_back({"L", start, end});
    }
    SessionsRun run(sessions);
    CargarSesiones(run.context);

    const Rows slots = run.rows("DIASHORAST", {"DIHO", "HORA", "TEXTOHOR"});
    ASSERT_EQ(slots.size(), 10U);
    EXPECT_EQ(slots[8], (std::vector<std::string> {"19", "9", "9-16:00-16:45"}));
    EXPECT_EQ(slots[9], (std::vector<std::string> {"110", "10", "10-17:00-17:45"}));
}

TEST(SesionesLoader, DayNamesInWindows1252)
{
    SessionsRun run({{"D", "08:00", "09:00"},
                     {"S", "08:00", "09:00"},
                     {"V", "08:00", "09:00"},
                     {"J", "08:00", "09:00"},
                     {"X", "08:00", "09:00"},
                     {"M", "08:00", "09:00"},
                     {"L", "08:00", "09:00"}});
    CargarSesiones(run.context);

    const Rows expected {{"11", "1", "Lunes"},
                         {"21", "2", "Martes"},
                         {"31", "3", "Mi\xe9rcoles"},
                         {"41", "4", "Jueves"},
                         {"51", "5", "Viernes"},
                         {"61", "6",
                          "S\xe1"
                          "bado"},
                         {"71", "7", "Domingo"}};
    EXPECT_EQ(run.rows("DIASHORAST", {"DIHO", "DIA", "TEXTODIA"}), expected);
}

// The entry is read at fixed positions whatever the length of the times: an end time with
// seconds still gives a start, an end and a length, and shifts the TEXTOHOR tail.
TEST(SesionesLoader, TimesReadAtFixedPositions)
{
    SessionsRun run({{"L", "08:00", "08:55:00"}, {"L", "09:00", "10:00"}});
    CargarSesiones(run.context);

    const Rows expected {{"11", "08:00", "08:55", "1-00 08:00-08", "55"},
                         {"12", "09:00", "10:00", "2-09:00-10:00", "60"}};
    EXPECT_EQ(run.rows("DIASHORAST", {"DIHO", "HORADESDE", "HORAHASTA", "TEXTOHOR", "MINUTOS"}), expected);
}

TEST(SesionesLoader, SessionsWithoutAKnownDayAreLeftOutAndListed)
{
    SessionsRun run({{"l", "08:00", "09:00"},
                     {"", "09:00", "10:00"},
                     {"L", "10:00", "11:00"},
                     {std::nullopt, "11:00", "12:00"},
                     {"7", "12:00", "13:00"},
                     {"Ñ", "13:00", "14:00"}});
    CargarSesiones(run.context);

    EXPECT_EQ(run.rows("DIASHORAST", {"DIHO", "HORADESDE"}), (Rows {{"11", "10:00"}}));
    ASSERT_EQ(run.summary.leftOut.size(), 5U);
    const std::vector<std::string> codes {"l 08:00-09:00", "09:00-10:00", "11:00-12:00", "7 12:00-13:00",
                                          "Ñ 13:00-14:00"};
    for (std::size_t i = 0; i < codes.size(); ++i) {
        EXPECT_EQ(run.summary.leftOut[i].loader, "CargarSesiones");
        EXPECT_EQ(run.summary.leftOut[i].code, codes[i]);
        EXPECT_FALSE(run.summary.leftOut[i].reason.empty());
    }
    EXPECT_EQ(run.summary.leftOut[0].reason, "el día «l» no empieza por L, M, X, J, V, S ni D");
    EXPECT_EQ(run.summary.leftOut[1].reason, "la sesión no tiene día");
}

struct BadTimeCase {
    std::string name;
    Session session;
    std::string message;
};

class SesionesBadTime : public testing::TestWithParam<BadTimeCase> { };

TEST_P(SesionesBadTime, StopsWithThePieceAndTheSession)
{
    SessionsRun run({{"L", "09:00", "10:00"}, GetParam().session});
    try {
        CargarSesiones(run.context);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SesionesBadTime,
    testing::Values(
        BadTimeCase {"OneDigitHour", {"M", "8:00", "08:55"}, "'8:' no es un valor entero válido (sesión M 8:00-08:55)"},
        BadTimeCase {
            "Seconds", {"M", "08:00:00", "08:55:00"}, "':0' no es un valor entero válido (sesión M 08:00:00-08:55:00)"},
        BadTimeCase {"EmptyTimes", {"M", "", ""}, "' -' no es un valor entero válido (sesión M -)"},
        // A missing end reads as empty: the end minute falls on the start's separator.
        BadTimeCase {"MissingEnd", {"M", "08:00", std::nullopt}, "':0' no es un valor entero válido (sesión M 08:00-)"},
        BadTimeCase {"Letters", {"M", "08:00", "08:xx"}, "'xx' no es un valor entero válido (sesión M 08:00-08:xx)"}),
    [](const testing::TestParamInfo<BadTimeCase>& info) { return info.param.name; });

TEST(SesionesLoader, TableLayoutsAndTheLengthIndex)
{
    SessionsRun run({{"L", "08:00", "08:55"}, {"L", "08:55", "09:50"}});
    CargarSesiones(run.context);

    using dbase::FieldType;
    const auto layout = [&](std::string_view table) {
        std::vector<std::tuple<std::string, FieldType, int>> fields;
        const dbase::Table opened = dbase::Table::open(dbase::tableFile(run.folder.path(), table));
        for (const dbase::FieldDef& def : opened.fields())
            fields.emplace_back(def.name, def.type, def.width);
        return fields;
    };
    const std::vector<std::tuple<std::string, FieldType, int>> slotFields {
        {"DIHO", FieldType::Character, 10},     {"CODDIHO", FieldType::Character, 10},
        {"DIA", FieldType::Character, 20},      {"TEXTODIA", FieldType::Character, 20},
        {"HORA", FieldType::Character, 8},      {"TEXTOHOR", FieldType::Character, 15},
        {"HORADESDE", FieldType::Character, 8}, {"HORAHASTA", FieldType::Character, 8},
        {"MINUTOS", FieldType::Character, 8},   {"MARCO", FieldType::Character, 1},
        {"MARCOXML", FieldType::Character, 10}};
    EXPECT_EQ(layout("DIASHORAST"), slotFields);
    EXPECT_EQ(layout("COUNTSES"),
              (std::vector<std::tuple<std::string, FieldType, int>> {{"DURACION", FieldType::Character, 10},
                                                                     {"NSES", FieldType::Integer, 4}}));

    EXPECT_FALSE(fs::exists(run.folder.path() / "DIASHORAST.MDX"));
    ASSERT_TRUE(fs::exists(run.folder.path() / "COUNTSES.MDX"));
    // The host finds the index through the table's header: the production-index flag, and the
    // tag flag of NSES (the second 48-byte descriptor) but not of DURACION.
    std::ifstream header(run.folder.path() / "COUNTSES.DBF", std::ios::binary);
    std::string bytes(68 + 2 * 48, '\0');
    header.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(header);
    EXPECT_EQ(bytes[28], '\x01');
    EXPECT_EQ(bytes[68 + 37], '\x00');
    EXPECT_EQ(bytes[68 + 48 + 37], '\x01');
}

// A later run starts from empty tables, whatever the earlier one left in the folder.
TEST(SesionesLoader, SecondRunReplacesTheTables)
{
    SessionsRun run({{"L", "08:00", "08:55"}, {"M", "08:00", "09:00"}, {"X", "08:00", "08:30"}});
    CargarSesiones(run.context);
    IntakeSummary summary;
    const xml::Document other
        = xml::Document::parse(sessionsDocument({{"V", "08:00", "09:00"}, {"V", "09:00", "10:00"}}), "otro.xml");
    IntakeContext second {.DocXML = other,
                          .folder = run.folder.path(),
                          .ListaAbrev = {},
                          .ListaCodigos = {},
                          .DuracionesSesion = {0, 0, 0},
                          .subjectShortCodes = {},
                          .groupShortCodes = {},
                          .rowCounts = {},
                          .summary = summary};
    CargarSesiones(second);

    EXPECT_EQ(run.rows("DIASHORAST", {"DIHO"}), (Rows {{"51"}, {"52"}}));
    EXPECT_EQ(run.lengthCounts(), (std::vector<std::pair<std::string, std::int64_t>> {{"60", 2}}));
    EXPECT_EQ(second.DuracionesSesion, (std::array<std::int32_t, 3> {60, 0, 0}));
}

TEST(SessionRules, CopyAtCountsFromOneAndStopsAtTheEnd)
{
    EXPECT_EQ(copyAt("108:0008:55", 2, 5), "08:00");
    EXPECT_EQ(copyAt("108:0008:55", 10, 5), "55");
    EXPECT_EQ(copyAt("108:0008:55", 12, 2), "");
    EXPECT_EQ(copyAt("abc", 0, 2), "");
}

TEST(SessionRules, SlotEntryLayout)
{
    EXPECT_EQ(slotEntry(3, "10:00", "10:55"), "310:0010:55 10:00-10:55");
    EXPECT_EQ(dayNumber("D"), 7);
    EXPECT_EQ(dayNumber("d"), std::nullopt);
    EXPECT_EQ(dayNumber(""), std::nullopt);
}

} // namespace
} // namespace quelvane::intake

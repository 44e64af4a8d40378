#include "DeliveryTestSupport.h"
#include "delivery/Delivery.h"

#include <gtest/gtest.h>

namespace quelvane::deliverytest {
namespace {

struct PassedOverCounts {
    int notPlaced = 0;
    int groupNotFound = 0;
    int subjectNotFound = 0;
    int slotNotFound = 0;
};

struct ActivityCase {
    const char* name;
    std::vector<SolucRow> rows;
    std::vector<Actividad> expected;
    int lessons;
    int tasks;
    PassedOverCounts passedOver;
};

const std::vector<ActivityCase>& activityCases()
{
    static const std::vector<ActivityCase> cases = {
        {"PlacedLessonsCarryThePincelCodes",
         {lesson("MAT", 1, 3, "1ESOA", "P1", "A1"), lesson("ABCDEFGHKL", 2, 6, "2BACH", "P2", "LAB"),
          lesson("M\xDAS", 5, 1, "1ESOA", "P1", "A1")},
         {{"CCM", "P1", "1ESOA", "MAT", "AULA-101", "L", "09:50", "10:45"},
          {"CCM", "P2", "2BACH", "ABCDEFGHIJ", "LAB-FÍSICA", "M", "13:05", "14:00"},
          {"CCM", "P1", "1ESOA", "MÚS-ESO", "AULA-101", "V", "08:00", "08:55"}},
         3,
         0,
         {}},
        {"DayLettersAndADayAboveSeven",
         {lesson("MAT", 1, 1, "1ESOA"), lesson("MAT", 2, 1, "1ESOA"), lesson("MAT", 3, 1, "1ESOA"),
          lesson("MAT", 4, 1, "1ESOA"), lesson("MAT", 5, 1, "1ESOA"), lesson("MAT", 6, 1, "1ESOA"),
          lesson("MAT", 7, 1, "1ESOA"), lesson("MAT", 8, 1, "1ESOA")},
         {{"CCM", "P1", "1ESOA", "MAT", "AULA-101", "L", "08:00", "08:55"},
          {"CCM", "P1", "1ESOA", "MAT", "AULA-101", "M", "08:00", "08:55"},
          {"CCM", "P1", "1ESOA", "MAT", "AULA-101", "X", "08:00", "08:55"},
          {"CCM", "P1", "1ESOA", "MAT", "AULA-101", "J", "08:00", "08:55"},
          {"CCM", "P1", "1ESOA", "MAT", "AULA-101", "V", "08:00", "08:55"},
          {"CCM", "P1", "1ESOA", "MAT", "AULA-101", "S", "08:00", "08:55"},
          {"CCM", "P1", "1ESOA", "MAT", "AULA-101", "D", "08:00", "08:55"},
          {"CCM", "P1", "1ESOA", "MAT", "AULA-101", "", "08:00", "08:55"}},
         8,
         0,
         {}},
        {"UnplacedRowsGiveNothingInEitherPass",
         {lesson("MAT", 0, 3, "1ESOA"), lesson("MAT", 1, 0, "1ESOA"), lesson("MAT", std::nullopt, 3, "1ESOA"),
          lesson("MAT", 1, std::nullopt, "1ESOA"), task("GUA", 0, 2, "1ESOA"), task("GUA", 1, std::nullopt, "")},
         {},
         0,
         0,
         {6, 0, 0, 0}},
        {"MissingTeacherOrRoomLeavesItsCodeEmpty",
         {lesson("MAT", 1, 1, "1ESOA", "P1", "A1"), lesson("MAT", 1, 2, "1ESOA", "", ""),
          lesson("MAT", 1, 3, "1ESOA", "PX", "AX"), lesson("MAT", 1, 4, "1ESOA", "p1", "A2")},
         {{"CCM", "P1", "1ESOA", "MAT", "AULA-101", "L", "08:00", "08:55"},
          {"CCM", "", "1ESOA", "MAT", "", "L", "08:55", "09:50"},
          {"CCM", "", "1ESOA", "MAT", "", "L", "09:50", "10:45"},
          {"CCM", "", "1ESOA", "MAT", "", "L", "11:15", "12:10"}},
         4,
         0,
         {}},
        {"LessonGroupMustMatchWholeAndInCaseWhileTasksKeepTheirs",
         {lesson("MAT", 1, 1, "1esoa"), lesson("MAT", 1, 1, "1ESO"), task("GUA", 1, 2, "1esoa", "P1", ""),
          task("GUA", 1, 3, "", "P2", "A1")},
         {{"GUA", "P1", "1esoa", "", "", "L", "08:55", "09:50"},
          {"GUA", "P2", "", "", "AULA-101", "L", "09:50", "10:45"}},
         0,
         2,
         {0, 2, 0, 0}},
        {"UnknownSubjectGivesNothingInEitherPass",
         {lesson("FIS", 1, 1, "1ESOA"), lesson("mat", 1, 1, "1ESOA"), task("XXX", 1, 1, "1ESOA")},
         {},
         0,
         0,
         {0, 0, 3, 0}},
        {"TasksComeAfterAllLessons",
         {task("GUA", 1, 1, "1ESOA", "P1", ""), lesson("MAT", 1, 2, "1ESOA", "P1", "A1"),
          task("REC", 2, 1, "", "P2", ""), lesson("ABCDEFGHKL", 2, 2, "2BACH", "P2", "A1")},
         {{"CCM", "P1", "1ESOA", "MAT", "AULA-101", "L", "08:55", "09:50"},
          {"CCM", "P2", "2BACH", "ABCDEFGHIJ", "AULA-101", "M", "08:55", "09:50"},
          {"GUA", "P1", "1ESOA", "", "", "L", "08:00", "08:55"},
          {"REC", "P2", "", "", "", "M", "08:00", "08:55"}},
         2,
         2,
         {}},
        {"SlotMustBeInDiashorast",
         {lesson("MAT", 2, 9, "1ESOA"), lesson("MAT", 1, 12, "1ESOA"), lesson("MAT", 1, 2.5, "1ESOA"),
          lesson("MAT", -1, 1, "1ESOA"), task("GUA", 9, 1, "1ESOA")},
         {{"CCM", "P1", "1ESOA", "MAT", "AULA-101", "L", "15:00", "15:55"}},
         1,
         0,
         {0, 0, 0, 4}},
        {"IdenticalRowsGiveIdenticalElements",
         {lesson("MAT", 1, 1, "1ESOA"), lesson("MAT", 1, 1, "1ESOA")},
         {{"CCM", "P1", "1ESOA", "MAT", "AULA-101", "L", "08:00", "08:55"},
          {"CCM", "P1", "1ESOA", "MAT", "AULA-101", "L", "08:00", "08:55"}},
         2,
         0,
         {}},
        {"EmptySolucLeavesHorarioEmpty", {}, {}, 0, 0, {}},
    };
    return cases;
}

void PrintTo(const ActivityCase& c, std::ostream* out)
{
    *out << c.name;
}

class ActivityRows : public ::testing::TestWithParam<ActivityCase> { };

TEST_P(ActivityRows, BecomeTheExpectedElementsInOrder)
{
    const ActivityCase& c = GetParam();
    TempFolder folder;
    writeLookupTables(folder.path(), weekTables());
    writeSoluc(folder.path(), c.rows);
    const auto document = writeCentreDocument(folder.path());

    const delivery::DeliverySummary summary = delivery::runDelivery(document, folder.path(), someMoment);

    EXPECT_EQ(horarioContent(readBytes(summary.outputFile)), serialized(c.expected));
    EXPECT_EQ(summary.lessons, c.lessons);
    EXPECT_EQ(summary.tasks, c.tasks);
    ASSERT_EQ(summary.passedOver.size(), 4u);
    EXPECT_EQ(summary.passedOver[0].rows, c.passedOver.notPlaced);
    EXPECT_EQ(summary.passedOver[1].rows, c.passedOver.groupNotFound);
    EXPECT_EQ(summary.passedOver[2].rows, c.passedOver.subjectNotFound);
    EXPECT_EQ(summary.passedOver[3].rows, c.passedOver.slotNotFound);
}

INSTANTIATE_TEST_SUITE_P(Delivery, ActivityRows, ::testing::ValuesIn(activityCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DeliverySummary, NamesTheFirstRowsPassedOverForEachReason)
{
    TempFolder folder;
    writeLookupTables(folder.path(), weekTables());
    std::vector<SolucRow> rows;
    for (int hora = 1; hora <= 7; ++hora)
        rows.push_back(lesson("MAT", 1, hora, "1esoa"));
    rows.push_back(lesson("M\xDAS", 0, std::nullopt, "1ESOA"));
    writeSoluc(folder.path(), rows, SolucStorage::Level7IntegerDia_DoubleHora);
    const auto document = writeCentreDocument(folder.path());

    const delivery::DeliverySummary summary = delivery::runDelivery(document, folder.path(), someMoment);

    const delivery::PassedOver& notPlaced = summary.passedOver[0];
    EXPECT_EQ(notPlaced.id, "notPlaced");
    EXPECT_EQ(notPlaced.firstKeys, std::vector<std::string>({"MÚS/1ESOA/0/"}));
    const delivery::PassedOver& group = summary.passedOver[1];
    EXPECT_EQ(group.id, "groupNotFound");
    EXPECT_EQ(group.rows, 7);
    EXPECT_EQ(group.firstKeys,
              std::vector<std::string>(
                  {"MAT/1esoa/1/1", "MAT/1esoa/1/2", "MAT/1esoa/1/3", "MAT/1esoa/1/4", "MAT/1esoa/1/5"}));

    const std::string text = delivery::describe(summary);
    EXPECT_NE(text.find("Actividades escritas: 0 (0 clases y 0 tareas)."), std::string::npos) << text;
    EXPECT_NE(text.find("grupo no encontrado: 7 (MAT/1esoa/1/1, MAT/1esoa/1/2, MAT/1esoa/1/3, MAT/1esoa/1/4, "
                        "MAT/1esoa/1/5, …)"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("materia no encontrada"), std::string::npos) << text;
    EXPECT_NE(text.find(summary.outputFile.string()), std::string::npos) << text;
}

TEST(DeliverySummary, JsonEscapesWhatTheKeysMayHold)
{
    delivery::DeliverySummary summary;
    summary.outputFile = "/datos/Resultado\"Vortimo\\centro.xml";
    summary.lessons = 3;
    summary.tasks = 1;
    summary.passedOver = {{"groupNotFound", "grupo no encontrado", 2, {"M\"T/1\\A/1/\t2", "MÚS/1ESOA/1/3"}}};

    EXPECT_EQ(delivery::toJson(summary),
              "{\"outputFile\":\"/datos/Resultado\\\"Vortimo\\\\centro.xml\",\"lessons\":3,\"tasks\":1,"
              "\"passedOver\":[{\"id\":\"groupNotFound\",\"reason\":\"grupo no encontrado\",\"rows\":2,"
              "\"firstKeys\":[\"M\\\"T/1\\\\A/1/\\t2\",\"MÚS/1ESOA/1/3\"]}]}");
}

} // namespace
} // namespace quelvane::deliverytest

#include "DeliveryTestSupport.h"
#include "common/WorkingTables.h"
#include "common/dbase/Table.h"
#include "common/xml/Document.h"
#include "delivery/Delivery.h"
#include "intake/Intake.h"
#include "tests/host/FillSoluc.h"

#include <gtest/gtest.h>
#include <set>
#include <utility>

namespace quelvane::deliverytest {
namespace {

namespace fs = std::filesystem;
namespace field = tables::field;

const fs::path dataFolder = fs::path(QUELVANE_TEST_DATA) / "delivery";

std::set<std::string> codesOf(const xml::Document& document, std::string_view path)
{
    std::set<std::string> codes;
    for (const xml::Element& element : document.selectNodes(path))
        codes.insert(element.attribute("Codigo"));
    return codes;
}

// Intake of the example, the host's timetable, delivery: every placed lesson comes back under
// the centre document's own codes, also where intake had to key a code differently.
TEST(RoundTrip, EveryPlacedLessonComesBackWithTheCentreDocumentsCodes)
{
    TempFolder folder;
    const fs::path document = folder.path() / "centro-ejemplo.xml";
    fs::copy_file(fs::path(QUELVANE_EXAMPLES) / "centro-ejemplo.xml", document);
    intake::runIntake(document, folder.path());
    const testhost::FillReport filled = testhost::fillSoluc(folder.path());
    ASSERT_TRUE(filled.skipped.empty()) << "intake must key ASIGT as it keys ASIGNOMT and GRUPOST";

    int placedLessons = 0;
    int placedTasks = 0;
    {
        dbase::Table soluc = dbase::Table::open(dbase::tableFile(folder.path(), tables::SOLUC));
        for (soluc.first(); !soluc.eof(); soluc.next()) {
            if (soluc.integer(field::DIA) == 0)
                continue;
            ++(soluc.text(field::ASIG) == soluc.text(field::TAREA) ? placedTasks : placedLessons);
        }
    }
    ASSERT_GT(placedLessons, 80);

    const delivery::DeliverySummary summary = delivery::runDelivery(document, folder.path(), someMoment);

    EXPECT_EQ(summary.lessons, placedLessons);
    EXPECT_EQ(summary.tasks, placedTasks);
    EXPECT_EQ(summary.passedOver[0].rows, filled.unplacedLessons);
    for (std::size_t reason = 1; reason < summary.passedOver.size(); ++reason)
        EXPECT_EQ(summary.passedOver[reason].rows, 0) << summary.passedOver[reason].reason;

    const xml::Document centre = xml::Document::load(document);
    std::set<std::pair<std::string, std::string>> groupSubjects;
    for (const xml::Element& subject : centre.selectNodes("/Centro/Grupos/Grupo/MateriasGrupo/MateriaGrupo"))
        groupSubjects.insert({subject.parent().parent().attribute("Codigo"), subject.attribute("Codigo")});
    const std::set<std::string> teachers = codesOf(centre, "/Centro/Profesores/Profesor");
    const std::set<std::string> rooms = codesOf(centre, "/Centro/Aulas/Aula");
    const std::set<std::string> activityTypes = codesOf(centre, "/Centro/TiposActividad/TipoActividad");

    const xml::Document output = xml::Document::load(summary.outputFile);
    const std::vector<xml::Element> activities = output.selectNodes("/Centro/horario/actividad");
    ASSERT_EQ(activities.size(), static_cast<std::size_t>(placedLessons + placedTasks));
    std::set<std::pair<std::string, std::string>> delivered;
    for (std::size_t i = 0; i < activities.size(); ++i) {
        const xml::Element& a = activities[i];
        const bool isLesson = i < static_cast<std::size_t>(placedLessons);
        SCOPED_TRACE("actividad " + std::to_string(i));
        EXPECT_TRUE(teachers.contains(a.attribute("codigoProfesor"))) << a.attribute("codigoProfesor");
        EXPECT_TRUE(a.attribute("codigoAula").empty() || rooms.contains(a.attribute("codigoAula")))
            << a.attribute("codigoAula");
        EXPECT_NE(std::string("LMXJV").find(a.attribute("dia")), std::string::npos);
        EXPECT_FALSE(a.attribute("HoraInicio").empty());
        if (isLesson) {
            const std::pair<std::string, std::string> pair {a.attribute("codigoGrupo"), a.attribute("codigoMateria")};
            EXPECT_TRUE(groupSubjects.contains(pair)) << pair.first << " " << pair.second;
            delivered.insert(pair);
        } else {
            EXPECT_TRUE(activityTypes.contains(a.attribute("tipo"))) << a.attribute("tipo");
            EXPECT_EQ(a.attribute("codigoMateria"), "");
        }
    }
    EXPECT_EQ(delivered, groupSubjects) << "every subject of every group comes back";
}

// Keys that are not the code itself: a long subject code, a repeated and a long group code,
// teachers whose codes differ only in letter case, a repeated and an overlong room code.
TEST(RoundTrip, KeysThatIntakeShortenedOrNumberedGoBackAsTheirCodes)
{
    TempFolder folder;
    const fs::path document = folder.path() / "centro.xml";
    fs::copy_file(dataFolder / "codes-longer-than-keys.xml", document);
    intake::runIntake(document, folder.path());
    writeSoluc(folder.path(),
               {lesson("FILOSOFIAC", 1, 1, "1BACH-CIAS", "PROFESORAD", "AULA-DE--2"),
                lesson("MAT", 1, 2, "1ESOA1", "p11", "A11"), lesson("MAT", 2, 1, "1ESOA", "P1", "A1"),
                task("GUA", 2, 1, "1BACH-CIAS", "P1", ""), task("REC", 1, 1, "1esoa1", "P1", "")});

    const delivery::DeliverySummary summary = delivery::runDelivery(document, folder.path(), someMoment);

    EXPECT_EQ(horarioContent(readBytes(summary.outputFile)),
              serialized({{"CCM", "PROFESORADO1", "1BACH-CIENCIAS", "FILOSOFIA1BAC", "AULA-DE-INFORMATICA-PLANTA-2",
                           "L", "08:00", "08:55"},
                          {"CCM", "p1", "1ESOA", "MAT", "A1", "L", "08:55", "09:50"},
                          {"CCM", "P1", "1ESOA", "MAT", "A1", "M", "08:00", "08:55"},
                          {"GUA", "P1", "1BACH-CIENCIAS", "", "", "M", "08:00", "08:55"},
                          {"REC", "P1", "1esoa1", "", "", "L", "08:00", "08:55"}}));
}

} // namespace
} // namespace quelvane::deliverytest

#include "common/Error.h"
#include "common/WorkingTables.h"
#include "common/text/Text.h"
#include "intake/IntakeContext.h"
#include "intake/LoaderFrame.h"
#include "intake/SessionRules.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace quelvane::intake {

namespace {

namespace field = tables::field;

std::vector<dbase::FieldDef> groupSubjectFields()
{
    return {characterField(field::CASIG, 10),       characterField(field::CPROF, 10), characterField(field::CGRUP, 10),
            characterField(field::CAULA, 10),       characterField(field::TURNO, 1),  characterField(field::NIVEL, 5),
            characterField(field::CURSO, 3),        characterField(field::GRUPO, 2),  doubleField(field::HORAS),
            characterField(field::SESIONES, 20),    characterField(field::NCONEX, 4), characterField(field::CTAREA, 10),
            characterField(field::ASIG_GESTION, 10)};
}

// The MateriaGrupo elements of one group, in document order.
template <typename Use> void forEachSubject(const xml::Element& group, Use use)
{
    for (xml::Element list = group.firstChild("MateriasGrupo"); !list.isNull();
         list = list.nextSibling("MateriasGrupo"))
        for (xml::Element subject = list.firstChild("MateriaGrupo"); !subject.isNull();
             subject = subject.nextSibling("MateriaGrupo"))
            use(subject);
}

// What the rows take from one "Horas". A centre uses a handful of distinct values: each is
// converted once.
struct WeeklyHours {
    float sessions = 0.0F;
    std::string pattern;
};

// The subjects of the whole document, gone through once before any row is written: every "Horas"
// is converted, also where the subject code is blank, so that a bad one anywhere stops the run
// first. What the rows need is kept by position, not copied per subject: the rows read the
// elements again.
struct SubjectsOfGroups {
    std::vector<WeeklyHours> hours;
    // For each subject with a code, in document order, its entry of `hours`; the subjects of
    // group p start at firstOfGroup[p].
    std::vector<std::uint32_t> hoursOfSubject;
    std::vector<std::size_t> firstOfGroup;
    // The positions of the groups that share each code, in document order: a subject stands
    // under every group that shares its group's code.
    std::unordered_map<std::string, std::vector<std::size_t>> groupsByCode;
    std::vector<const std::vector<std::size_t>*> sharingOf; // by group position
};

SubjectsOfGroups readSubjects(const IntakeContext& context, const std::vector<xml::Element>& groups)
{
    SubjectsOfGroups subjects;
    std::unordered_map<std::string, std::uint32_t> converted;
    subjects.firstOfGroup.reserve(groups.size() + 1);
    subjects.sharingOf.reserve(groups.size());
    for (std::size_t position = 0; position < groups.size(); ++position) {
        const std::string groupCode = AttributeReader(groups[position])("Codigo");
        std::vector<std::size_t>& sharing = subjects.groupsByCode[groupCode];
        sharing.push_back(position);
        // The map's values stay where they are as it grows.
        subjects.sharingOf.push_back(&sharing);
        subjects.firstOfGroup.push_back(subjects.hoursOfSubject.size());
        forEachSubject(groups[position], [&](const xml::Element& element) {
            const AttributeReader attribute(element);
            const std::string code = attribute("Codigo");
            const std::string horas = attribute("Horas");
            auto known = converted.find(horas);
            if (known == converted.end()) {
                float sessions = 0.0F;
                try {
                    sessions = weeklySessions(horas, context.DuracionesSesion);
                } catch (const Error& error) {
                    throw Error(std::string(error.what()) + " (materia "
                                + (code.empty() ? std::string("sin código") : text::toUtf8(code)) + ", grupo "
                                + text::toUtf8(groupCode) + ")");
                }
                subjects.hours.push_back({sessions, sessionsPattern(sessions)});
                known = converted.emplace(horas, static_cast<std::uint32_t>(subjects.hours.size() - 1)).first;
            }
            if (!code.empty())
                subjects.hoursOfSubject.push_back(known->second);
        });
    }
    subjects.firstOfGroup.push_back(subjects.hoursOfSubject.size());
    return subjects;
}

// The keys that delivery finds the rows by: the short codes that intake gave out, where the
// code itself was not usable as a key (too long, or taken).
std::string subjectKey(const IntakeContext& context, const std::string& code)
{
    const auto found = context.subjectShortCodes.find(code);
    return found != context.subjectShortCodes.end() ? found->second : std::string(text::first(code, 10));
}

std::string groupKey(const IntakeContext& context, std::size_t position, const std::string& code)
{
    if (position < context.groupShortCodes.size() && !context.groupShortCodes[position].empty()) {
        return context.groupShortCodes[position];
    }
    return std::string(text::first(code, 10));
}

} // namespace

void CargarMateriasGrupo(IntakeContext& context)
{
    dbase::Table table = createLoaderTable(context.folder, tables::ASIGT, groupSubjectFields());
    const std::vector<xml::Element> groups = context.DocXML.selectNodes("/Centro/Grupos/Grupo");

    if (holdsData(groups.size())) {
        const SubjectsOfGroups subjects = readSubjects(context, groups);
        const auto subjectCount = [&subjects](std::size_t group) {
            return subjects.firstOfGroup[group + 1] - subjects.firstOfGroup[group];
        };
        // The row count lets the table take every row in place.
        std::size_t rows = 0;
        for (std::size_t position = 0; position < groups.size(); ++position)
            for (const std::size_t sharing : *subjects.sharingOf[position])
                rows += subjectCount(sharing);
        table.reserve(rows);

        for (std::size_t position = 0; position < groups.size(); ++position) {
            const std::vector<std::size_t>& sharing = *subjects.sharingOf[position];
            const bool hasSubjects = std::any_of(sharing.begin(), sharing.end(),
                                                 [&](std::size_t group) { return subjectCount(group) > 0; });
            if (!hasSubjects) {
                continue;
            }
            const AttributeReader attribute(groups[position]);
            const std::string code = attribute("Codigo");
            // Each time with the data of the group the row stands under.
            const std::string key = groupKey(context, position, code);
            const std::string turno = attribute("Turno");
            const std::string nivel = attribute("CodigoEnsenanza");
            const std::string curso = attribute("Curso");
            const std::string letra = attribute("Letra");
            for (const std::size_t group : sharing) {
                std::size_t next = subjects.firstOfGroup[group];
                forEachSubject(groups[group], [&](const xml::Element& element) {
                    const std::string subjectCode = AttributeReader(element)("Codigo");
                    if (subjectCode.empty()) {
                        return;
                    }
                    const WeeklyHours& hours = subjects.hours[subjects.hoursOfSubject[next++]];
                    table.append();
                    table.setText(field::CASIG, subjectKey(context, subjectCode));
                    table.setText(field::CGRUP, key);
                    table.setText(field::TURNO, turno);
                    table.setText(field::NIVEL, nivel);
                    table.setText(field::CURSO, curso);
                    table.setText(field::GRUPO, letra);
                    table.setDouble(field::HORAS, hours.sessions);
                    table.setText(field::SESIONES, hours.pattern);
                    table.setText(field::CTAREA, "CCM");
                    table.setText(field::ASIG_GESTION, code);
                    table.post();
                });
            }
        }
    }

    closeLoaderTable(context, table);
}

} // namespace quelvane::intake
